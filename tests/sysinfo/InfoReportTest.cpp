#include "sysinfo/InfoReport.h"

#include <gtest/gtest.h>

namespace {

SystemInfo fullRecord()
{
    SystemInfo i;
    i.CpuCount = 2;
    i.CpuDescription = QStringLiteral("x86 Family 6 Model 8 Stepping 1, GenuineIntel");
    i.CpuMhz = 500;
    i.CpuVendor = QStringLiteral("GenuineIntel");
    i.CpuLevel = QStringLiteral("6");
    i.CpuRevision = QStringLiteral("0801");
    i.CpuArchitecture = QStringLiteral("x86");
    i.SystemIdentifier = QStringLiteral("AT/AT COMPATIBLE");
    i.BiosDate = QStringLiteral("09/12/03");
    i.BiosVersion = QStringLiteral("BIOS 1007");
    i.VideoBiosDate = QStringLiteral("08/21/02");
    i.VideoBiosVersion = QStringLiteral("VGA BIOS");
    i.OsName = QStringLiteral("Windows_NT");
    i.CommandInterpreter = QStringLiteral("C:\\WINNT\\system32\\cmd.exe");
    i.HomeDrive = QStringLiteral("C:");
    i.ExecutableExtensions = QStringLiteral(".COM;.EXE");
    i.SystemDrive = QStringLiteral("D:");
    i.SystemRoot = QStringLiteral("D:\\WINNT");
    i.WindowsDir = QStringLiteral("E:\\WINNT");
    i.TempDir = QStringLiteral("C:\\TEMP");
    i.IeVersion = QStringLiteral("6.0.2800.1106");
    i.IePatches = QStringLiteral(";SP1;");
    i.WindowsVersion = QStringLiteral("5.0.2195 Service Pack 2");
    return i;
}

QStringList linesOf(const QString& report)
{
    EXPECT_TRUE(report.endsWith(QStringLiteral("\r\n")));
    QStringList lines = report.split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

}  // namespace

TEST(InfoReport, FullRecordCharacterByCharacter)
{
    const QString expected = QStringLiteral(
        " CPU - Anzahl\t: 2\r\n"
        " CPU-Beschreibung\t: x86 Family 6 Model 8 Stepping 1, GenuineIntel\r\n"
        " CPU-Archtiektur\t: x86\r\n"
        " CPU-Level\t: 6\r\n"
        " CPU-Version\t: 0801\r\n"
        " Hersteller\t: GenuineIntel\r\n"
        " Takt\t\t: 500 MHz\r\n"
        "\r\n"
        " System\t\t: AT/AT COMPATIBLE\r\n"
        " BIOS-Datum\t: 09/12/03\r\n"
        " BIOS-Version\t: BIOS 1007\r\n"
        " Video-Datum\t: 08/21/02\r\n"
        " Video-Version\t: VGA BIOS\r\n"
        "\r\n"
        " Betriebssystem\t: Windows_NT\r\n"
        " Systeminterpreter\t: C:\\WINNT\\system32\\cmd.exe\r\n"
        " Erste Festplatte\t: C:\r\n"
        " Ausf\u00fchrbar\t: .COM;.EXE\r\n"
        " Systemlaufwerk\t: D:\r\n"
        " Systemverzeichnis\t: D:\\WINNT\r\n"
        " WIN-Verzeichnis\t: E:\\WINNT\r\n"
        " TEMP-Verzeichnis\t: C:\\TEMP\r\n"
        "\r\n"
        " Windows Version\t: 5.0.2195 Service Pack 2\r\n"
        " IE-Version\t: 6.0.2800.1106\r\n"
        " IE-Patches\t: ;SP1;\r\n"
        " Office Version\t: -\r\n");
    const QString report = BuildInfoReport(fullRecord());
    ASSERT_EQ(report.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        ASSERT_EQ(report.at(i), expected.at(i)) << "at " << i << ": " << report.left(i + 1).toStdString();
}

TEST(InfoReport, RecordOfAFirstCollectionWithNothingReadable)
{
    SystemInfo nothing;
    nothing.WindowsVersion = QStringLiteral(". ");
    const QString report = BuildInfoReport(nothing);

    EXPECT_EQ(report.count(QStringLiteral("\r\n")), 27);
    EXPECT_EQ(report.count(u'\t'), 26);
    EXPECT_EQ(report.count(QStringLiteral(": ")), 24);

    const QStringList lines = linesOf(report);
    ASSERT_EQ(lines.size(), 27);
    EXPECT_EQ(lines[0], QStringLiteral(" CPU - Anzahl\t: 0"));
    EXPECT_EQ(lines[6], QStringLiteral(" Takt\t\t: 0 MHz"));
    EXPECT_EQ(lines[23], QStringLiteral(" Windows Version\t: . "));
    EXPECT_EQ(lines[26], QStringLiteral(" Office Version\t: -"));
    for (int n : {7, 13, 22}) EXPECT_TRUE(lines[n].isEmpty()) << n;
    for (int n = 0; n < 27; ++n) {
        if (n == 0 || n == 6 || n == 23 || n == 26 || lines[n].isEmpty()) continue;
        EXPECT_TRUE(lines[n].endsWith(QStringLiteral("\t: "))) << lines[n].toStdString();
    }
}

TEST(InfoReport, NegativeAndExtremeIntegers)
{
    SystemInfo info;
    info.CpuCount = -1;
    info.CpuMhz = -32768;
    QStringList lines = linesOf(BuildInfoReport(info));
    EXPECT_EQ(lines[0], QStringLiteral(" CPU - Anzahl\t: -1"));
    EXPECT_EQ(lines[6], QStringLiteral(" Takt\t\t: -32768 MHz"));

    info.CpuCount = 32767;
    info.CpuMhz = 7;
    lines = linesOf(BuildInfoReport(info));
    EXPECT_EQ(lines[0], QStringLiteral(" CPU - Anzahl\t: 32767"));
    EXPECT_EQ(lines[6], QStringLiteral(" Takt\t\t: 7 MHz"));
}

TEST(InfoReport, ValuesAreInsertedUnchanged)
{
    SystemInfo info = fullRecord();
    info.CpuDescription = QStringLiteral("  zwei\tSpalten  ");
    info.BiosVersion = QStringLiteral("Zeile 1\r\nZeile 2\n");
    info.TempDir = QStringLiteral(" ");
    info.IePatches = QStringLiteral("%TEMP% \"x\" <b>&amp;");
    const QString report = BuildInfoReport(info);

    EXPECT_TRUE(report.contains(QStringLiteral(" CPU-Beschreibung\t:   zwei\tSpalten  \r\n")));
    EXPECT_TRUE(report.contains(QStringLiteral(" BIOS-Version\t: Zeile 1\r\nZeile 2\n\r\n Video-Datum")));
    EXPECT_TRUE(report.contains(QStringLiteral(" TEMP-Verzeichnis\t:  \r\n")));
    EXPECT_TRUE(report.contains(QStringLiteral(" IE-Patches\t: %TEMP% \"x\" <b>&amp;\r\n")));
    // Nothing else moved: the report is the plain one with the values swapped in.
    EXPECT_EQ(report.size(), BuildInfoReport(fullRecord()).size() - fullRecord().CpuDescription.size()
                                 - fullRecord().BiosVersion.size() - fullRecord().TempDir.size()
                                 - fullRecord().IePatches.size() + info.CpuDescription.size()
                                 + info.BiosVersion.size() + info.TempDir.size() + info.IePatches.size());
}
