#include "app/JsonReport.h"

#include "app/InventoryJson.h"
#include "app/JsonWriter.h"
#include "app/TerminalText.h"
#include "memory/Mem.h"
#include "runtime/RuntimeError.h"
#include "shell/Machine.h"
#include "sound/Sound.h"
#include "sysinfo/CollectSystemInfo.h"
#include "sysinfo/InfoReport.h"
#include "sysinfo/SystemInfo.h"

#include <variant>

namespace {

// A field of a record under its name, among the member types Types.
template <class Record, class... Types> struct Named {
    const char16_t* name;
    std::variant<Types Record::*...> field;
};

// In the order of the record's declaration.
const Named<SystemInfo, std::int16_t, QString> kInfo[] = {
    {u"CpuCount", &SystemInfo::CpuCount},
    {u"CpuDescription", &SystemInfo::CpuDescription},
    {u"CpuMhz", &SystemInfo::CpuMhz},
    {u"CpuVendor", &SystemInfo::CpuVendor},
    {u"CpuLevel", &SystemInfo::CpuLevel},
    {u"CpuRevision", &SystemInfo::CpuRevision},
    {u"CpuArchitecture", &SystemInfo::CpuArchitecture},
    {u"SystemIdentifier", &SystemInfo::SystemIdentifier},
    {u"BiosDate", &SystemInfo::BiosDate},
    {u"BiosVersion", &SystemInfo::BiosVersion},
    {u"VideoBiosDate", &SystemInfo::VideoBiosDate},
    {u"VideoBiosVersion", &SystemInfo::VideoBiosVersion},
    {u"OsName", &SystemInfo::OsName},
    {u"CommandInterpreter", &SystemInfo::CommandInterpreter},
    {u"HomeDrive", &SystemInfo::HomeDrive},
    {u"ExecutableExtensions", &SystemInfo::ExecutableExtensions},
    {u"SystemDrive", &SystemInfo::SystemDrive},
    {u"SystemRoot", &SystemInfo::SystemRoot},
    {u"WindowsDir", &SystemInfo::WindowsDir},
    {u"TempDir", &SystemInfo::TempDir},
    {u"IeVersion", &SystemInfo::IeVersion},
    {u"IePatches", &SystemInfo::IePatches},
    {u"WindowsVersion", &SystemInfo::WindowsVersion},
};

// In the order of the readers' properties.
const Named<Mem, std::int16_t, std::int32_t> kMemory[] = {
    {u"ClearPageFileAtShutdown", &Mem::ClearPageFileAtShutdown},
    {u"DisablePagingExecutive", &Mem::DisablePagingExecutive},
    {u"LargeSystemCache", &Mem::LargeSystemCache},
    {u"IoPageLockLimit", &Mem::IoPageLockLimit},
    {u"SecondLevelDataCache", &Mem::SecondLevelDataCache},
};

const Named<Sound, QString> kSound[] = {
    {u"Alle", &Sound::Alle},     {u"Wave", &Sound::Wave},           {u"Micro", &Sound::Micro},
    {u"LineIn", &Sound::LineIn}, {u"CD", &Sound::CD},               {u"Aux", &Sound::Aux},
    {u"MIDI", &Sound::MIDI},     {u"WaveSynth", &Sound::WaveSynth}, {u"Telefon", &Sound::Telefon},
    {u"Stereomixer", &Sound::Stereomixer}, {u"Monomixer", &Sound::Monomixer},
};

template <class Record, class... Types, std::size_t N>
void writeFields(JsonWriter& json, const Record& record, const Named<Record, Types...> (&fields)[N])
{
    for (const auto& f : fields) {
        json.key(QStringView(f.name));
        std::visit(
            [&](auto member) {
                if constexpr (std::is_same_v<decltype(member), QString Record::*>)
                    json.text(record.*member);
                else
                    json.number(record.*member);
            },
            f.field);
    }
}

void writeError(JsonWriter& json, const runtime::RuntimeError& error)
{
    json.key(u"error");
    json.beginObject();
    json.key(u"number");
    json.number(error.number());
    json.key(u"description");
    json.text(error.description());
    json.endObject();
}

// A reader's values, or the error that kept it from being created.
template <class Reader, class... Types, std::size_t N>
void writeReader(JsonWriter& json, const shell::MachineRef& machine, const Named<Reader, Types...> (&fields)[N])
{
    json.beginObject();
    try {
        const Reader reader(machine);
        writeFields(json, reader, fields);
    } catch (const runtime::RuntimeError& error) {
        writeError(json, error);
    }
    json.endObject();
}

QStringView kindName(shell::SourceDescription::Kind kind)
{
    using Kind = shell::SourceDescription::Kind;
    switch (kind) {
    case Kind::HiveSystem: return u"hive-system";
    case Kind::HiveSoftware: return u"hive-software";
    case Kind::Export: return u"export";
    case Kind::Wine: return u"wine";
    case Kind::Builtin: return u"builtin";
    case Kind::Live: return u"live";
    }
    return u"";
}

void writeSource(JsonWriter& json, const shell::SourceDescription& source)
{
    using Kind = shell::SourceDescription::Kind;
    json.beginObject();
    json.key(u"path");
    if (source.path.isNull())
        json.null();
    else
        json.text(source.path);
    json.key(u"kind");
    json.text(kindName(source.kind));
    if (!source.image.isNull()) {
        json.key(u"image");
        json.text(source.image);
        json.key(u"partition");
        json.number(source.partition);
        json.key(u"chain");
        json.beginArray();
        for (const QString& file : source.chain) json.text(file);
        json.endArray();
        if (!source.encryption.isEmpty()) {
            json.key(u"encryption");
            json.text(source.encryption);
        }
    }
    if (source.kind == Kind::HiveSystem || source.kind == Kind::HiveSoftware) {
        json.key(u"sequence");
        json.number(source.sequence);
        json.key(u"dirty");
        json.boolean(source.dirty);
        json.key(u"logs");
        json.beginArray();
        for (const shell::SourceDescription::Log& log : source.logs) {
            json.beginObject();
            json.key(u"path");
            json.text(log.path);
            json.key(u"entries");
            json.number(log.entries);
            json.endObject();
        }
        json.endArray();
    }
    json.endObject();
}

// Which Windows the machine is; null for this one. A value it lacks is null.
void writeProduct(JsonWriter& json, const std::optional<registry::WindowsProduct>& product)
{
    if (!product) {
        json.null();
        return;
    }
    json.beginObject();
    const std::pair<QStringView, const QString&> fields[] = {
        {u"name", product->name},
        {u"edition", product->edition},
        {u"displayVersion", product->displayVersion},
        {u"build", product->build},
    };
    for (const auto& [name, value] : fields) {
        json.key(name);
        if (value.isEmpty())
            json.null();
        else
            json.text(value);
    }
    json.endObject();
}

}  // namespace

QStringList writeMachineReport(JsonWriter& json, const shell::MachineRef& machine, const QString& source)
{
    // A record of its own, collected once: machines may be reported side by side.
    SystemInfo info;
    CollectSystemInfo(info, machine);
    json.beginObject();
    if (!source.isNull()) {
        json.key(u"source");
        json.text(source);
    }
    json.key(u"info");
    json.beginObject();
    writeFields(json, info, kInfo);
    json.key(u"report");
    json.text(terminalLines(BuildInfoReport(info)));
    json.endObject();
    json.key(u"memory");
    writeReader(json, machine, kMemory);
    json.key(u"sound");
    writeReader(json, machine, kSound);
    json.key(u"product");
    writeProduct(json, machine->product());
    const auto inventory = inventory::readInventory(*machine);
    json.key(u"machine");
    writeInventory(json, inventory);
    json.key(u"sources");
    json.beginArray();
    for (const shell::SourceDescription& described : machine->described()) writeSource(json, described);
    json.endArray();
    json.endObject();
    return inventory ? inventory->warnings : QStringList();
}

void writeMachineFailure(JsonWriter& json, const QString& source, const runtime::RuntimeError& error)
{
    json.beginObject();
    json.key(u"source");
    json.text(source);
    json.key(u"error");
    json.text(error.description());
    if (!error.details().isEmpty()) {
        json.key(u"details");
        json.text(error.details());
    }
    json.endObject();
}
