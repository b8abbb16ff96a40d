#pragma once

#include "registry/text/RegistryTree.h"

#include <QString>

#include <mutex>
#include <optional>

namespace machine {

// Facts about this machine, read under machineRoot().

// The filesystem root under which /proc and /sys are read ("/" unless a test
// points it at a fake machine tree).
void setMachineRoot(const QString& root);
QString machineRoot();

// The machine files the facts come from, trimmed, empty when missing.
struct MachineTexts {
    QString cpuinfo;        // /proc/cpuinfo
    QString online;         // /sys/devices/system/cpu/online
    QString baseFrequency;  // cpu0/cpufreq/base_frequency, kHz
    QString maxFrequency;   // cpu0/cpufreq/cpuinfo_max_freq, kHz
    QString model;          // device-tree model, else the DMI product name
    QString biosDate;       // /sys/class/dmi/id/bios_date
    QString biosVersion;    // /sys/class/dmi/id/bios_version
    QString ostype;         // /proc/sys/kernel/ostype
};

MachineTexts readMachineTexts();

// The machine files of one shell object, read together when first asked for,
// so that the facts of one page visit come from one reading of the machine.
class MachineSnapshot {
public:
    const MachineTexts& texts() const;

private:
    mutable std::once_flag read_;
    mutable MachineTexts texts_;
};

// A variable Windows defines in every process (NUMBER_OF_PROCESSORS, PROCESSOR_*,
// OS, COMSPEC, TEMP), derived from the machine; nullopt for any other name or
// when the machine does not tell.
std::optional<QString> derivedVariable(const QString& upperName, const MachineTexts& texts);

// The volatile hardware key "Hardware\Description\System" as these texts show it.
registry::RegistryTree hardwareView(const MachineTexts& texts);

}  // namespace machine
