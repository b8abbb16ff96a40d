#include "memory/Mem.h"

#include "shell/WshShell.h"

#include <variant>

namespace {

using Field = std::variant<std::int16_t Mem::*, std::int32_t Mem::*>;

struct Setting {
    const char16_t* valueName;
    Field field;
};

// In reading order; the registry spells IOPageLockLimit with capital I and O.
const Setting kSettings[] = {
    {u"ClearPageFileAtShutdown", &Mem::ClearPageFileAtShutdown},
    {u"DisablePagingExecutive", &Mem::DisablePagingExecutive},
    {u"LargeSystemCache", &Mem::LargeSystemCache},
    {u"IOPageLockLimit", &Mem::IoPageLockLimit},
    {u"SecondLevelDataCache", &Mem::SecondLevelDataCache},
};

}  // namespace

Mem::Mem(const shell::MachineRef& machine)
{
    ReadAll(machine);
}

void Mem::ReadAll(const shell::MachineRef& machine)
{
    const auto shell = shell::CreateObject(QStringLiteral("Wscript.Shell"), machine);
    const QString base = QStringLiteral("HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management\\");
    for (const Setting& setting : kSettings) {
        const runtime::Variant value = shell->RegRead(base + QString::fromUtf16(setting.valueName));
        if (auto* small = std::get_if<std::int16_t Mem::*>(&setting.field))
            this->*(*small) = runtime::toInt16(value);
        else
            this->*std::get<std::int32_t Mem::*>(setting.field) = runtime::toInt32(value);
    }
}
