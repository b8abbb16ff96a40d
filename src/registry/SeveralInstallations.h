#pragma once

#include "disk/Question.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace registry {

// A disk (or a virtual machine's, or a folder of disks or machines) with
// more than one Windows installation: which one to show is the user's
// choice, answered by naming the source again as "BILD@N", or for a folder
// by naming the disk or machine in it.
class SeveralInstallations : public disk::Question {
public:
    struct Installation {
        int partition = 0;  // as fdisk counts
        std::int64_t size = 0;
        QString label;    // of the file system; may be empty
        QString windows;  // "Windows 11 Pro 23H2 (Build 22631)", or that it cannot be read
        // In a folder: the disk or machine, as the folder holds it ("Win10", "a.vhdx"),
        // and the source that names the installation ("/vms/Win10", "/vms/a.vhdx@3").
        QString disk;
        QString source;
    };

    SeveralInstallations(const QString& message, QString source, std::vector<Installation> installations)
        : Question(runtime::ErrorNumber::InvalidData, message), source_(std::move(source)),
          installations_(std::move(installations))
    {
    }

    // The source as the user named it, without a partition.
    const QString& source() const { return source_; }
    const std::vector<Installation>& installations() const { return installations_; }
    // The source that names the installation of row `row`.
    QString sourceFor(std::size_t row) const
    {
        const Installation& i = installations_.at(row);
        return i.source.isEmpty() ? QStringLiteral("%1@%2").arg(source_).arg(i.partition) : i.source;
    }
    // Whether the installations lie on several disks or machines (a folder's).
    bool inFolder() const { return !installations_.empty() && !installations_.front().disk.isEmpty(); }

private:
    QString source_;
    std::vector<Installation> installations_;
};

}  // namespace registry
