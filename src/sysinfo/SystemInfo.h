#pragma once

#include <QString>

#include <cstdint>

// The collected facts about the machine, in the order the Info page reads them.
struct SystemInfo {
    std::int16_t CpuCount = 0;
    QString CpuDescription;
    std::int16_t CpuMhz = 0;
    QString CpuVendor;
    QString CpuLevel;
    QString CpuRevision;
    QString CpuArchitecture;
    QString SystemIdentifier;
    QString BiosDate;
    QString BiosVersion;
    QString VideoBiosDate;
    QString VideoBiosVersion;
    QString OsName;
    QString CommandInterpreter;
    QString HomeDrive;
    QString ExecutableExtensions;
    QString SystemDrive;
    QString SystemRoot;
    QString WindowsDir;
    QString TempDir;
    QString IeVersion;
    QString IePatches;
    QString WindowsVersion;

    bool operator==(const SystemInfo&) const = default;
};

namespace Variablen {
// The one record, alive for the whole run; only collection writes it and
// nothing ever resets it.
extern SystemInfo SysInfo;
}  // namespace Variablen
