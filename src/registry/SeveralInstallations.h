#pragma once

#include "disk/Question.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace registry {

// A disk (or a virtual machine's) with more than one Windows installation:
// which one to show is the user's choice, answered by naming the source
// again as "BILD@N".
class SeveralInstallations : public disk::Question {
public:
    struct Installation {
        int partition = 0;  // as fdisk counts
        std::int64_t size = 0;
        QString label;    // of the file system; may be empty
        QString windows;  // "Windows 11 Pro 23H2 (Build 22631)", or that it cannot be read
    };

    SeveralInstallations(const QString& message, QString source, std::vector<Installation> installations)
        : Question(runtime::ErrorNumber::InvalidData, message), source_(std::move(source)),
          installations_(std::move(installations))
    {
    }

    // The source as the user named it, without a partition.
    const QString& source() const { return source_; }
    const std::vector<Installation>& installations() const { return installations_; }
    // The source that names one of them.
    QString sourceFor(int partition) const { return QStringLiteral("%1@%2").arg(source_).arg(partition); }

private:
    QString source_;
    std::vector<Installation> installations_;
};

}  // namespace registry
