#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace registry {

// One transaction log of a hive, read whole (or why it could not be).
struct TransactionLog {
    QString path;
    QByteArray bytes;
    QString unreadable;  // empty when read
};

// The logs beside a hive file: its name with .LOG1, .LOG2 and .LOG, in this
// order, in any case (an NTFS partition shows names as Windows stored them).
// Empty logs, which Windows leaves when it has nothing to log, are left out.
QStringList logPathsBeside(const QString& hivePath);
std::vector<TransactionLog> readLogs(const QStringList& paths);

}  // namespace registry
