#include "sysinfo/InfoReport.h"

namespace {

using Value = QString (*)(const SystemInfo&);

struct Line {
    const char16_t* label;  // nullptr: an empty line
    int tabs;
    Value value;
};

const Line lines[] = {
    {u" CPU - Anzahl", 1, [](const SystemInfo& i) { return QString::number(i.CpuCount); }},
    {u" CPU-Beschreibung", 1, [](const SystemInfo& i) { return i.CpuDescription; }},
    {u" CPU-Archtiektur", 1, [](const SystemInfo& i) { return i.CpuArchitecture; }},
    {u" CPU-Level", 1, [](const SystemInfo& i) { return i.CpuLevel; }},
    {u" CPU-Version", 1, [](const SystemInfo& i) { return i.CpuRevision; }},
    {u" Hersteller", 1, [](const SystemInfo& i) { return i.CpuVendor; }},
    {u" Takt", 2, [](const SystemInfo& i) { return QString::number(i.CpuMhz) + QStringLiteral(" MHz"); }},
    {nullptr, 0, nullptr},
    {u" System", 2, [](const SystemInfo& i) { return i.SystemIdentifier; }},
    {u" BIOS-Datum", 1, [](const SystemInfo& i) { return i.BiosDate; }},
    {u" BIOS-Version", 1, [](const SystemInfo& i) { return i.BiosVersion; }},
    {u" Video-Datum", 1, [](const SystemInfo& i) { return i.VideoBiosDate; }},
    {u" Video-Version", 1, [](const SystemInfo& i) { return i.VideoBiosVersion; }},
    {nullptr, 0, nullptr},
    {u" Betriebssystem", 1, [](const SystemInfo& i) { return i.OsName; }},
    {u" Systeminterpreter", 1, [](const SystemInfo& i) { return i.CommandInterpreter; }},
    {u" Erste Festplatte", 1, [](const SystemInfo& i) { return i.HomeDrive; }},
    {u" Ausführbar", 1, [](const SystemInfo& i) { return i.ExecutableExtensions; }},
    {u" Systemlaufwerk", 1, [](const SystemInfo& i) { return i.SystemDrive; }},
    {u" Systemverzeichnis", 1, [](const SystemInfo& i) { return i.SystemRoot; }},
    {u" WIN-Verzeichnis", 1, [](const SystemInfo& i) { return i.WindowsDir; }},
    {u" TEMP-Verzeichnis", 1, [](const SystemInfo& i) { return i.TempDir; }},
    {nullptr, 0, nullptr},
    {u" Windows Version", 1, [](const SystemInfo& i) { return i.WindowsVersion; }},
    {u" IE-Version", 1, [](const SystemInfo& i) { return i.IeVersion; }},
    {u" IE-Patches", 1, [](const SystemInfo& i) { return i.IePatches; }},
    {u" Office Version", 1, [](const SystemInfo&) { return QStringLiteral("-"); }},
};

}  // namespace

QString BuildInfoReport(const SystemInfo& info)
{
    QString report;
    report.reserve(1024);
    for (const Line& line : lines) {
        if (line.label) {
            report += QString::fromUtf16(line.label);
            report += QString(line.tabs, u'\t');
            report += u": ";
            report += line.value(info);
        }
        report += u"\r\n";
    }
    return report;
}

QStringList infoLabelsWithTabs(int tabs)
{
    QStringList labels;
    for (const Line& line : lines)
        if (line.label && line.tabs == tabs) labels << QString::fromUtf16(line.label);
    return labels;
}
