#include "sysinfo/CollectSystemInfo.h"

#include "runtime/RuntimeError.h"
#include "shell/WshShell.h"
#include "sysinfo/SystemInfo.h"

#include <cstdint>
#include <variant>

namespace {

enum class Source { Environment, Registry, Literal };
enum class Action { Assign, Append };

using Field = std::variant<std::int16_t SystemInfo::*, QString SystemInfo::*>;

struct Step {
    Source source;
    const char16_t* name;  // variable name, registry path or the literal text
    Field field;
    Action action = Action::Assign;
};

#define HW u"HKLM\\Hardware\\Description\\System\\"
#define NTVER u"HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\"

// In the order the facts are read; the last five compose WindowsVersion.
const Step steps[] = {
    {Source::Environment, u"NUMBER_OF_PROCESSORS", &SystemInfo::CpuCount},
    {Source::Environment, u"PROCESSOR_LEVEL", &SystemInfo::CpuLevel},
    {Source::Environment, u"PROCESSOR_REVISION", &SystemInfo::CpuRevision},
    {Source::Environment, u"PROCESSOR_ARCHITECTURE", &SystemInfo::CpuArchitecture},
    {Source::Environment, u"PROCESSOR_IDENTIFIER", &SystemInfo::CpuDescription},
    {Source::Registry, HW u"CentralProcessor\\0\\VendorIdentifier", &SystemInfo::CpuVendor},
    {Source::Registry, HW u"CentralProcessor\\0\\~Mhz", &SystemInfo::CpuMhz},
    {Source::Registry, HW u"Identifier", &SystemInfo::SystemIdentifier},
    {Source::Registry, HW u"SystemBiosDate", &SystemInfo::BiosDate},
    {Source::Registry, HW u"SystemBiosVersion", &SystemInfo::BiosVersion},
    {Source::Registry, HW u"VideoBiosDate", &SystemInfo::VideoBiosDate},
    {Source::Registry, HW u"VideoBiosVersion", &SystemInfo::VideoBiosVersion},
    {Source::Environment, u"OS", &SystemInfo::OsName},
    {Source::Environment, u"COMSPEC", &SystemInfo::CommandInterpreter},
    {Source::Environment, u"HOMEDRIVE", &SystemInfo::HomeDrive},
    {Source::Environment, u"PATHEXT", &SystemInfo::ExecutableExtensions},
    {Source::Environment, u"SYSTEMDRIVE", &SystemInfo::SystemDrive},
    {Source::Environment, u"SYSTEMROOT", &SystemInfo::SystemRoot},
    {Source::Environment, u"WINDIR", &SystemInfo::WindowsDir},
    {Source::Environment, u"TEMP", &SystemInfo::TempDir},
    {Source::Registry, u"HKLM\\Software\\Microsoft\\Internet Explorer\\Version", &SystemInfo::IeVersion},
    {Source::Registry,
     u"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\MinorVersion",
     &SystemInfo::IePatches},
    {Source::Registry, NTVER u"CurrentVersion", &SystemInfo::WindowsVersion},
    {Source::Literal, u".", &SystemInfo::WindowsVersion, Action::Append},
    {Source::Registry, NTVER u"CurrentBuildNumber", &SystemInfo::WindowsVersion, Action::Append},
    {Source::Literal, u" ", &SystemInfo::WindowsVersion, Action::Append},
    {Source::Registry, NTVER u"CSDVersion", &SystemInfo::WindowsVersion, Action::Append},
};

#undef HW
#undef NTVER

runtime::Variant read(const Step& step, const shell::WshShell& shell, const shell::WshEnvironment& env)
{
    const QString name = QString::fromUtf16(step.name);
    switch (step.source) {
    case Source::Environment: return env(name);
    case Source::Registry: return shell.RegRead(name);
    case Source::Literal: break;
    }
    return name;
}

// Converts and stores one value; throws before touching the field when the
// conversion fails.
void store(SystemInfo& info, const Step& step, const runtime::Variant& value)
{
    if (auto* number = std::get_if<std::int16_t SystemInfo::*>(&step.field)) {
        info.*(*number) = runtime::toInt16(value);
        return;
    }
    QString& text = info.*std::get<QString SystemInfo::*>(step.field);
    if (step.action == Action::Append)
        text += runtime::toText(value);
    else
        text = runtime::toText(value);
}

}  // namespace

void CollectSystemInfo(const shell::MachineRef& machine)
{
    CollectSystemInfo(Variablen::SysInfo, machine);
}

void CollectSystemInfo(SystemInfo& info, const shell::MachineRef& machine)
{
    const std::unique_ptr<shell::WshShell> shell = shell::CreateObject(QStringLiteral("Wscript.Shell"), machine);
    const shell::WshEnvironment env = shell->Environment(QStringLiteral("PROCESS"));

    // The version is composed from the empty text, not from what the field
    // held: appending to the old text when "CurrentVersion" fails would make
    // the field grow on every visit. At the first collection the field is
    // empty anyway, so ". ", "5.0. Service Pack 2" and "5.0.2195 " come out
    // as if composed in place. Since the two separator steps always succeed,
    // the field always receives the composed text.
    info.WindowsVersion.clear();

    for (const Step& step : steps) {
        try {
            store(info, step, read(step, *shell, env));
        } catch (const runtime::RuntimeError&) {
            // This fact is missing or unconvertible: keep the field, go on.
        }
    }
}
