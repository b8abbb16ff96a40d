#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

namespace registry {

// One transaction log of a hive, read as the replay asks for it: only as far
// as its entries go, not the older remains behind them. A file that shrinks
// meanwhile reads short, which the replay takes as cut off.
class TransactionLog {
public:
    // Up to `length` bytes at `offset` into `out`; how many were read.
    using Reader = std::function<std::int64_t(std::int64_t offset, char* out, std::int64_t length)>;

    // A file, opened without following it onto a FIFO or device.
    static TransactionLog ofFile(const QString& path);
    // Bytes already read (out of a disk image, or made by a test).
    static TransactionLog ofBytes(const QString& path, QByteArray bytes);
    TransactionLog(QString path, std::int64_t size, Reader reader);

    const QString& path() const { return path_; }
    std::int64_t size() const { return size_; }
    // Why it cannot be read at all; empty when it can.
    const QString& unreadable() const { return unreadable_; }
    // Up to `length` bytes at `offset`: fewer at the end.
    QByteArray read(std::int64_t offset, std::int64_t length) const;
    // The same into `out`; how many were read.
    std::int64_t read(std::int64_t offset, char* out, std::int64_t length) const;

private:
    TransactionLog() = default;

    QString path_;
    QString unreadable_;
    std::int64_t size_ = 0;
    Reader reader_;
};

// The logs beside a hive file: its name with .LOG1, .LOG2 and .LOG, in this
// order, in any case (an NTFS partition shows names as Windows stored them).
// Empty logs, which Windows leaves when it has nothing to log, are left out.
QStringList logPathsBeside(const QString& hivePath);

// A path's last name, after its last "/" or "\" (paths inside a disk image are Windows').
QString fileNameOf(const QString& path);
std::vector<TransactionLog> readLogs(const QStringList& paths);

}  // namespace registry
