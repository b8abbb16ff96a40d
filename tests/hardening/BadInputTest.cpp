// Malformed and hostile input through the real window: registry files that
// cannot be parsed, values of the wrong type at every path the program reads,
// and broken machine trees. Whatever the input, the program shows one clear
// German error naming its source (and the line, for a file) or the documented
// fallback; an error while loading ends it after the box, an error on a page
// visit leaves the window running.
#include "ModalBoxes.h"
#include "RegistryFile.h"
#include "RunningProgram.h"
#include "machine/MachineFacts.h"
#include "registry/text/RegistryFileParser.h"
#include "sysinfo/InfoReport.h"
#include "sysinfo/SystemInfo.h"
#include "window/FrmMain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cctype>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray v5(const QByteArray& body) { return "Windows Registry Editor Version 5.00\r\n\r\n" + body; }

struct Value {
    const char* key;   // under HKEY_LOCAL_MACHINE
    const char* name;
    const char* data;  // as an export writes it after the "="
};

// Every value the pages read, each of a type its reader accepts.
const Value kInfoValues[] = {
    {"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", "VendorIdentifier", "\"GenuineIntel\""},
    {"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", "~MHz", "dword:00000a8c"},
    {"HARDWARE\\DESCRIPTION\\System", "Identifier", "\"AT/AT COMPATIBLE\""},
    {"HARDWARE\\DESCRIPTION\\System", "SystemBiosDate", "\"09/05/23\""},
    {"HARDWARE\\DESCRIPTION\\System", "SystemBiosVersion", "\"1.14.0\""},
    {"HARDWARE\\DESCRIPTION\\System", "VideoBiosDate", "\"01/01/22\""},
    {"HARDWARE\\DESCRIPTION\\System", "VideoBiosVersion", "\"VGA 2.0\""},
    {"SOFTWARE\\Microsoft\\Internet Explorer", "Version", "\"6.0.2800.1106\""},
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", "MinorVersion", "\";SP1;\""},
    {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "CurrentVersion", "\"5.0\""},
    {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "CurrentBuildNumber", "\"2195\""},
    {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "CSDVersion", "\"Service Pack 4\""},
};
#define MM "SYSTEM\\ControlSet001\\Control\\Session Manager\\Memory Management"
const Value kMemoryValues[] = {
    {MM, "ClearPageFileAtShutdown", "dword:00000001"}, {MM, "DisablePagingExecutive", "dword:00000000"},
    {MM, "LargeSystemCache", "dword:00000001"},        {MM, "IOPageLockLimit", "dword:00080000"},
    {MM, "SecondLevelDataCache", "dword:00000100"},
};
#undef MM
#define MC "SYSTEM\\ControlSet001\\Control\\MediaCategories\\"
const Value kSoundValues[] = {
    {MC "{185FEDE3-9905-11D1-95A9-00C04FB925D3}", "Name", "\"Summe\""},
    {MC "{DFF21FE4-F70F-11D0-B917-00A0C9223196}", "Name", "\"Wave\""},
    {MC "{185FEDED-9905-11D1-95A9-00C04FB925D3}", "Name", "\"Mikrofon\""},
    {MC "{62D35A12-E42B-11D1-B073-00608CCBD2F1}", "Name", "\"Telefon\""},
    {MC "{62D35A14-E42B-11D1-B073-00608CCBD2F1}", "Name", "\"Line-In\""},
    {MC "{62D35A15-E42B-11D1-B073-00608CCBD2F1}", "Name", "\"CD\""},
    {MC "{62D35A16-E42B-11D1-B073-00608CCBD2F1}", "Name", "\"MIDI\""},
    {MC "{62D35A17-E42B-11D1-B073-00608CCBD2F1}", "Name", "\"Aux\""},
    {MC "{62D35A18-E42B-11D1-B073-00608CCBD2F1}", "Name", "\"Wave-Synthesizer\""},
    {MC "{62D35A19-E42B-11D1-B073-00608CCBD2F1}", "Name", "\"Stereomixer\""},
    {MC "{62D35A1A-E42B-11D1-B073-00608CCBD2F1}", "Name", "\"Monomixer\""},
};
#undef MC

// The full, valid file; `replace` swaps one value's data (nullptr drops the value).
QByteArray goodFile(const Value* replace = nullptr, const char* data = nullptr)
{
    QByteArray body;
    auto add = [&](const auto& values) {
        for (const Value& v : values) {
            body += QByteArray("[HKEY_LOCAL_MACHINE\\") + v.key + "]\r\n";
            if (&v != replace) body += QByteArray("\"") + v.name + "\"=" + v.data + "\r\n";
            else if (data) body += QByteArray("\"") + v.name + "\"=" + data + "\r\n";
        }
    };
    add(kInfoValues);
    add(kMemoryValues);
    add(kSoundValues);
    return v5(body);
}

// ---------------------------------------------------------------------------
// Files the parser must refuse, each with the line and the words it must name.

struct Malformed {
    const char* name;
    std::function<QByteArray()> bytes;
    int line;
    const char* says;
};

QByteArray utf16le(const QByteArray& ascii)
{
    QByteArray out("\xFF\xFE", 2);
    for (char c : ascii) out.append(c).append('\0');
    return out;
}

const Malformed kMalformed[] = {
    {"truncated in a string", [] { return v5("[HKLM\\A]\r\n\"Name\"=\"abc"); }, 4,
     "Zeichenkette nicht mit \" abgeschlossen"},
    {"truncated in a key", [] { return v5("[HKEY_LOCAL_MACHINE\\SYS"); }, 3, "Schlüssel nicht mit ] abgeschlossen"},
    {"truncated in hex continuation", [] { return v5("[HKLM\\A]\r\n\"B\"=hex:01,\\"); }, 4,
     "Fortsetzungszeile fehlt am Dateiende"},
    {"UTF-16 cut to an odd length", [] { return utf16le("REGEDIT4\r\n").chopped(1); }, 1, "UTF-16-Daten mit ungerader Länge"},
    {"UTF-16 big-endian", [] { return QByteArray("\xFE\xFF\0R\0E\0G", 8); }, 1, "UTF-16 in Big-Endian-Folge"},
    {"invalid UTF-8 on line 5", [] { return v5("[HKLM\\A]\r\n\"A\"=\"x\"\r\n\"B\"=\"\xC0\xAF\"\r\n"); }, 5,
     "ungültige UTF-8-Daten"},
    {"Latin-1 in a version 5 file", [] { return v5("[HKLM\\A]\r\n\"Lautst\xE4rke\"=dword:1\r\n"); }, 4,
     "ungültige UTF-8-Daten"},
    {"NUL bytes for a line", [] { return v5("[HKLM\\A]\r\n" + QByteArray(16, '\0') + "\r\n"); }, 4,
     "erwartet: Schlüssel in [ ], Wert oder Kommentar"},
    {"1 MB line of garbage", [] { return v5("[HKLM\\A]\r\n" + QByteArray(1 << 20, 'x')); }, 4,
     "erwartet: Schlüssel in [ ], Wert oder Kommentar"},
    {"1 MB value name", [] { return v5("[HKLM\\A]\r\n\"" + QByteArray(1 << 20, 'v') + "\"=dword:1\r\n"); }, 4,
     "Wertname länger als 16383 Zeichen"},
    {"1 MB key name", [] { return v5("[HKLM\\" + QByteArray(1 << 20, 'k') + "]\r\n"); }, 3,
     "Schlüsselname länger als 255 Zeichen"},
    {"100000 nested keys", [] { return v5("[HKLM" + QByteArray("\\k").repeated(100000) + "]\r\n"); }, 3,
     "Schlüssel tiefer als 512 Ebenen"},
    {"4 MB hex blob ending in a bad byte",
     [] { return v5("[HKLM\\A]\r\n\"B\"=hex:" + QByteArray("00,").repeated(4 << 20) + "zz\r\n"); }, 4,
     "ungültige Hexdaten: erwartet zwei Hexziffern je Byte, durch Kommas getrennt"},
    {"dword of nine digits", [] { return v5("[HKLM\\A]\r\n\"D\"=dword:123456789\r\n"); }, 4,
     "ungültiges dword: erwartet 1 bis 8 Hexziffern"},
    {"hex type past 32 bits", [] { return v5("[HKLM\\A]\r\n\"T\"=hex(1ffffffff):00\r\n"); }, 4,
     "ungültiger Typ in hex(…)"},
    {"value before any key", [] { return v5("\"A\"=\"x\"\r\n"); }, 3, "Wert vor dem ersten Schlüssel"},
    {"unknown escape", [] { return v5("[HKLM\\A]\r\n\"A\"=\"\\q\"\r\n"); }, 4, "ungültige Escape-Sequenz \\q"},
    {"Wine \\x without a digit", [] { return QByteArray("WINE REGISTRY Version 2\n[A] 1\n\"Z\"=str:\"\\x\"\n"); }, 3,
     "ungültige Escape-Sequenz \\x ohne Hexziffer"},
    {"good values, then a cut-off sequence",
     [] { return goodFile() + "[HKLM\\A]\r\n\"B\"=\"\xE2\x82"; }, 3 + 2 * 28 + 1, "ungültige UTF-8-Daten"},
};

void PrintTo(const Malformed& m, std::ostream* out) { *out << m.name; }

class MalformedFile : public ::testing::TestWithParam<Malformed> {
protected:
    void SetUp() override { Variablen::SysInfo = SystemInfo{}; }

    // At start a source that cannot be shown; on a page visit after, the page's run-time error.
    static void expectNamed(const ModalBoxes::Box& box, const RegistryFile& file, const Malformed& m, bool atStart)
    {
        if (atStart)
            EXPECT_TRUE(box.isSourceFailure()) << box.text.toStdString();
        else
            EXPECT_TRUE(box.text.startsWith(QStringLiteral("Laufzeitfehler '"))) << box.text.toStdString();
        EXPECT_TRUE(box.text.contains(QStringLiteral("Registrierungsdatei \u201E%1\u201C").arg(file.path())))
            << box.text.toStdString();
        EXPECT_TRUE(box.text.contains(QStringLiteral("Zeile %1: %2").arg(m.line).arg(QString::fromUtf8(m.says))))
            << box.text.toStdString();
    }
};

TEST_P(MalformedFile, AtStartOneBoxNamesFileAndLineThenTheProgramEnds)
{
    const Malformed& m = GetParam();
    RegistryFile file(m.bytes());
    ModalBoxes shown;
    RunningProgram program;
    EXPECT_TRUE(program.ended());
    ASSERT_EQ(shown.count(), 1);
    expectNamed(shown.boxes()[0], file, m, true);
}

TEST_P(MalformedFile, AfterStartEveryVisitReportsItAndTheWindowLives)
{
    const Malformed& m = GetParam();
    RegistryFile file(goodFile());
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    FrmMain& form = program.window();
    const QString report = form.txtInfo->text();

    file.write(m.bytes());
    ModalBoxes shown;
    for (int tab : {3, 4, 2, 1}) program.clickTab(tab);  // Speicher, Sound, Start, Info
    ASSERT_EQ(shown.count(), 3);                         // "Start" reads nothing
    for (const auto& box : shown.boxes()) expectNamed(box, file, m, false);
    EXPECT_FALSE(program.ended());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.txtInfo->text(), report);  // the failed visit left the report as it was

    file.write(goodFile());  // mended: the next visit reads again
    program.clickTab(3);
    EXPECT_EQ(shown.count(), 3);
    EXPECT_EQ(form.Check1(0).value(), 1);
    EXPECT_EQ(form.cmbIO->text(), QStringLiteral("524288"));
}

INSTANTIATE_TEST_SUITE_P(Catalogue, MalformedFile, ::testing::ValuesIn(kMalformed),
                         [](const ::testing::TestParamInfo<Malformed>& info) {
                             QString name = QString::fromUtf8(info.param.name);
                             for (QChar& c : name)
                                 if (!c.isLetterOrNumber()) c = u'_';
                             return name.toStdString();
                         });

// ---------------------------------------------------------------------------
// Values of the wrong type at every path the program reads.

// Types no reader of the program accepts: binary, a multi-string, a resource
// list, a QWORD and REG_NONE, as an export spells them.
const char* const kWrongTypes[] = {"hex:01,02", "hex(7):61,00,00,00,00,00", "hex(8):00",
                                   "hex(b):01,00,00,00,00,00,00,00", "hex(0):"};

QString reportWith(const Value* replace, const char* data)
{
    Variablen::SysInfo = SystemInfo{};
    RegistryFile file(goodFile(replace, data));
    ModalBoxes shown;
    RunningProgram program;
    EXPECT_FALSE(program.ended());
    EXPECT_EQ(shown.count(), 0);
    return program.window().txtInfo->text();
}

// An Info fact of the wrong type is shown as a missing one is: the field keeps
// what it held (empty at the start) and the report is written, without a box.
TEST(WrongType, InfoFactIsShownAsMissing)
{
    const QString full = reportWith(nullptr, nullptr);
    for (const Value& v : kInfoValues) {
        const QString missing = reportWith(&v, nullptr);
        EXPECT_NE(missing, full) << v.name;
        for (const char* wrong : kWrongTypes) {
            SCOPED_TRACE(std::string(v.name) + " = " + wrong);
            EXPECT_EQ(reportWith(&v, wrong), missing);
        }
    }
}

// A memory setting or sound name of the wrong type: one box on the visit, the
// page's controls as they were, the window running and the next page readable.
TEST(WrongType, PageValueGivesOneBoxAndLeavesThePageAsItWas)
{
    struct Page {
        int tab;
        const Value* begin;
        const Value* end;
        std::function<QString(FrmMain&)> state;
    };
    const Page pages[] = {
        {3, std::begin(kMemoryValues), std::end(kMemoryValues),
         [](FrmMain& f) {
             QString s;
             for (std::int16_t i : {0, 1, 3, 9}) s += QString::number(f.Check1(i).value());
             return s + u'|' + f.cmbIO->text() + u'|' + f.cmbL2->text();
         }},
        {4, std::begin(kSoundValues), std::end(kSoundValues),
         [](FrmMain& f) {
             QString s;
             for (std::int16_t i = 0; i <= 10; ++i) s += f.tbSound(i).text() + u'|';
             return s;
         }},
    };
    std::vector<const char*> wrong(std::begin(kWrongTypes), std::end(kWrongTypes));
    for (const Page& page : pages) {
        for (const Value* v = page.begin; v != page.end; ++v) {
            std::vector<const char*> types = wrong;
            if (page.tab == 3) types.push_back("\"zwei\"");  // text where a number belongs
            for (const char* data : types) {
                SCOPED_TRACE(std::string(v->key) + "\\" + v->name + " = " + data);
                RegistryFile file(goodFile(v, data));
                RunningProgram program;
                FrmMain& form = program.window();
                const QString before = page.state(form);
                ModalBoxes shown;
                program.clickTab(page.tab);
                ASSERT_EQ(shown.count(), 1);
                EXPECT_TRUE(shown.boxes()[0].text.contains(QStringLiteral("Typen unverträglich")))
                    << shown.boxes()[0].text.toStdString();
                EXPECT_EQ(page.state(form), before);
                EXPECT_FALSE(program.ended());
                program.clickTab(page.tab == 3 ? 4 : 3);  // the other page reads its own values
                EXPECT_EQ(shown.count(), 1);
            }
        }
    }
}

// A number too large for the setting's 16-bit field is an overflow, reported once.
TEST(WrongType, SixteenBitSettingOverflowIsReported)
{
    RegistryFile file(goodFile(&kMemoryValues[2], "dword:00010000"));  // LargeSystemCache
    RunningProgram program;
    ModalBoxes shown;
    program.clickTab(3);
    ASSERT_EQ(shown.count(), 1);
    EXPECT_TRUE(shown.boxes()[0].text.contains(QStringLiteral("Überlauf"))) << shown.boxes()[0].text.toStdString();
    EXPECT_FALSE(program.ended());
}

// ---------------------------------------------------------------------------
// Broken machine trees: the live view and the derived variables read what is
// there and leave the rest out, without a box.

class BrokenMachine : public ::testing::Test {
protected:
    void SetUp() override
    {
        Variablen::SysInfo = SystemInfo{};
        for (const char* name : {"NUMBER_OF_PROCESSORS", "PROCESSOR_LEVEL", "PROCESSOR_REVISION",
                                 "PROCESSOR_ARCHITECTURE", "PROCESSOR_IDENTIFIER", "OS"})
            qunsetenv(name);
        useRegistry({});
        qputenv("WINEPREFIX", QFile::encodeName(prefix_.path()));  // no Wine registry
        machine::setMachineRoot(root_.path());
    }
    void TearDown() override
    {
        machine::setMachineRoot(QStringLiteral("/"));
        qunsetenv("WINEPREFIX");
    }
    void put(const QString& relative, const QByteArray& bytes)
    {
        const QString path = QDir(root_.path()).filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // The report of a start with this tree: no box, the window running.
    QString report()
    {
        ModalBoxes shown;
        RunningProgram program;
        EXPECT_FALSE(program.ended());
        EXPECT_EQ(shown.count(), 0);
        const QString text = program.window().txtInfo->text();
        EXPECT_EQ(text.count(QStringLiteral("\r\n")), 27);
        return text;
    }
    static QString line(const QString& report, const QString& label)
    {
        for (const QString& l : report.split(QStringLiteral("\r\n")))
            if (l.startsWith(u' ' + label)) return l;
        return {};
    }

    QTemporaryDir root_;
    QTemporaryDir prefix_;
};

TEST_F(BrokenMachine, EmptyTreeShowsTheReportWithoutHardwareFacts)
{
    const QString text = report();
    EXPECT_TRUE(line(text, QStringLiteral("Hersteller")).endsWith(QStringLiteral(": "))) << text.toStdString();
    EXPECT_TRUE(line(text, QStringLiteral("BIOS-Version")).endsWith(QStringLiteral(": "))) << text.toStdString();
}

TEST_F(BrokenMachine, GarbageAndUnreadableFilesAreLeftOut)
{
    QByteArray garbage;
    for (int i = 0; i < 65536; ++i) garbage.append(char((i * 7919) & 0xFF));
    put(QStringLiteral("proc/cpuinfo"), garbage);
    put(QStringLiteral("sys/class/dmi/id/bios_version"), QByteArray(1 << 20, 'x'));
    // Unreadable even for root: a link that points at itself.
    const QByteArray link = QFile::encodeName(QDir(root_.path()).filePath(QStringLiteral("sys/class/dmi/id/bios_date")));
    ASSERT_EQ(::symlink("bios_date", link.constData()), 0);
    put(QStringLiteral("sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq"), "-7\n");
    const QString text = report();
    EXPECT_TRUE(line(text, QStringLiteral("Hersteller")).endsWith(QStringLiteral(": "))) << text.toStdString();
}

TEST_F(BrokenMachine, CpuinfoWithHalfAnEntryGivesWhatItHas)
{
    put(QStringLiteral("proc/cpuinfo"), "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: banana\nmodel");
    const QString text = report();
    EXPECT_TRUE(line(text, QStringLiteral("Hersteller")).endsWith(QStringLiteral(": GenuineIntel")))
        << text.toStdString();
}

// ---------------------------------------------------------------------------
// A Wine prefix whose system.reg cannot be read is left out: the window opens
// with this machine's facts and the built-in values, and once it is shown one
// box names the file and the fault. Later visits tell nothing more; a mended
// file is read again.

class DamagedWinePrefix : public ::testing::Test {
protected:
    void SetUp() override
    {
        Variablen::SysInfo = SystemInfo{};
        useRegistry({});
        qputenv("WINEPREFIX", QFile::encodeName(prefix_.path()));
        machine::setMachineRoot(QString::fromUtf8(TESSERA_FIXTURES "/machines/intel"));
    }
    void TearDown() override
    {
        machine::setMachineRoot(QStringLiteral("/"));
        qunsetenv("WINEPREFIX");
    }
    QString file() const { return prefix_.filePath(QStringLiteral("system.reg")); }
    void write(const QByteArray& bytes)
    {
        QFile::remove(file());
        QFile out(file());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        ASSERT_EQ(out.write(bytes), bytes.size());
    }

    // Starts the program over the damaged prefix and clicks through every page.
    void expectLeftOutAndToldOnce(const QString& fault)
    {
        ModalBoxes shown;
        RunningProgram program;
        ASSERT_FALSE(program.ended());
        FrmMain& form = program.window();
        EXPECT_TRUE(form.isVisible());
        ASSERT_EQ(shown.count(), 1);
        const ModalBoxes::Box& box = shown.boxes()[0];
        EXPECT_TRUE(box.overShownWindow);
        EXPECT_TRUE(box.isNotice()) << box.text.toStdString();
        EXPECT_TRUE(box.text.contains(QStringLiteral("Wine-Präfixes"))) << box.text.toStdString();
        EXPECT_TRUE(box.text.contains(QStringLiteral("\u201E%1\u201C").arg(file()))) << box.text.toStdString();
        EXPECT_TRUE(box.text.contains(fault)) << box.text.toStdString();

        const QString report = form.txtInfo->text();
        EXPECT_EQ(report.count(QStringLiteral("\r\n")), 27);
        EXPECT_TRUE(report.contains(QStringLiteral(" Hersteller\t: GenuineIntel\r\n"))) << report.toStdString();
        for (int tab : {3, 4, 2, 1}) program.clickTab(tab);
        EXPECT_EQ(shown.count(), 1);
        EXPECT_EQ(form.tbSound(0).text(), QStringLiteral("Summe"));  // the built-in names
        EXPECT_EQ(form.cmbIO->text(), QStringLiteral("0"));

        // Mended, the prefix is read again, without a box.
        write("WINE REGISTRY Version 2\n"
              "[System\\\\CurrentControlSet\\\\Control\\\\MediaCategories\\\\{185FEDE3-9905-11D1-95A9-00C04FB925D3}] 1\n"
              "\"Name\"=\"Lautst\\xe4rke\"\n");
        program.clickTab(4);
        EXPECT_EQ(form.tbSound(0).text(), QStringLiteral("Lautstärke"));
        EXPECT_EQ(shown.count(), 1);
        EXPECT_FALSE(program.ended());
    }

    QTemporaryDir prefix_;
};

TEST_F(DamagedWinePrefix, ParseErrorIsLeftOutAndToldOnce)
{
    write("WINE REGISTRY Version 2\n[Software\\\\Wine 1\n");
    expectLeftOutAndToldOnce(QStringLiteral("Zeile 2: Schlüssel nicht mit ] abgeschlossen"));
}

TEST_F(DamagedWinePrefix, FifoIsLeftOutWithoutBlocking)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(file()).constData(), 0600), 0);
    expectLeftOutAndToldOnce(QStringLiteral("ist keine gewöhnliche Datei"));
}

TEST_F(DamagedWinePrefix, FileOverTheSizeLimitIsLeftOutUnread)
{
    QFile big(file());
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    // Sparse: no disk space taken, and never read: refused by its size alone.
    ASSERT_TRUE(big.resize(registry::maxRegistryTextSize() + 1));
    big.close();
    expectLeftOutAndToldOnce(QStringLiteral("Datei größer als der Arbeitsspeicher"));
}

TEST_F(DamagedWinePrefix, UnreadableLinkIsLeftOut)
{
    ASSERT_EQ(::symlink("system.reg", QFile::encodeName(file()).constData()), 0);  // points at itself
    expectLeftOutAndToldOnce(QStringLiteral("ist keine gewöhnliche Datei"));
}

// ---------------------------------------------------------------------------
// A file that does not begin like a registry text is no registry file,
// whatever it is (an empty file, another text, a program): it is named for
// what it is, at start and when it turns into one later.
struct NotText {
    const char* name;
    QByteArray bytes;
    const char* says;
};

const NotText kNotText[] = {
    {"an executable", QByteArray("\x7F" "ELF\x02\x01\x01", 7) + QByteArray(4096, '\0'), "ist ein Programm (ELF)"},
    {"an empty file", QByteArray(), "ist leer (0 Bytes)"},
    {"a text of another kind", QByteArray("Liebe Grüße\nvom Rechner\n"), "ist eine Textdatei, aber keine Registrierungsdatei: ihre erste Zeile lautet \u201ELiebe Grüße\u201C"},
    {"gzip", QByteArray("\x1F\x8B\x08\x00", 4) + QByteArray(600, 'x'), "ist mit gzip gepackt: erst entpacken"},
    {"random bytes", QByteArray("\x09\xA9\x69\x3C\x51\xE3\x33\x67\x0A", 9) + QByteArray(600, '\xE3'),
     "ihr Anfang (09 A9 69 3C 51 E3 33 67) passt zu keinem bekannten Format"},
};

void PrintTo(const NotText& c, std::ostream* out) { *out << c.name; }

class NotARegistryText : public ::testing::TestWithParam<NotText> {
protected:
    void SetUp() override { Variablen::SysInfo = SystemInfo{}; }
};

TEST_P(NotARegistryText, AtStartOneBoxNamesWhatItIs)
{
    RegistryFile file(GetParam().bytes);
    ModalBoxes shown;
    RunningProgram program;
    EXPECT_TRUE(program.ended());
    ASSERT_EQ(shown.count(), 1);
    EXPECT_TRUE(shown.boxes()[0].text.contains(QStringLiteral("Datei \u201E%1\u201C").arg(file.path())));
    EXPECT_TRUE(shown.boxes()[0].text.contains(QString::fromUtf8(GetParam().says))) << shown.boxes()[0].text.toStdString();
}

TEST_P(NotARegistryText, AfterStartAVisitNamesWhatItIsAndTheWindowLives)
{
    RegistryFile file(goodFile());
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    file.write(GetParam().bytes);
    ModalBoxes shown;
    program.clickTab(3);
    ASSERT_EQ(shown.count(), 1);
    EXPECT_TRUE(shown.boxes()[0].text.contains(QString::fromUtf8(GetParam().says))) << shown.boxes()[0].text.toStdString();
    EXPECT_FALSE(program.ended());
    EXPECT_TRUE(program.window().isVisible());
}

INSTANTIATE_TEST_SUITE_P(Catalogue, NotARegistryText, ::testing::ValuesIn(kNotText),
                         [](const ::testing::TestParamInfo<NotText>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// Damaged binary hives: at start-up one box names the file and what is wrong,
// and the program ends; after start-up, a hive that breaks under the running
// window gives one box per visit and is read again once it is mended.

struct DamagedHiveCase {
    const char* file;  // in fixtures/hives/damaged
    const char* says;
    const char* kind = "Registrierungsstruktur";  // without "regf" a file is read as text
};

const DamagedHiveCase kDamagedHives[] = {
    {"too-short", "ist zu kurz für eine Registrierungsstruktur"},
    {"truncated", "ist abgeschnitten"},
    {"cut-at-bin", "ist abgeschnitten"},
    {"bad-magic", "passt zu keinem bekannten Format; eine Registrierungsstruktur beginnt mit \u201Eregf\u201C", "Datei"},
    {"bad-checksum", "die Prüfsumme des Kopfes stimmt nicht"},
    {"version-2", "hat das unbekannte Format 2.5"},
    {"transaction-log", "ist ein Transaktionsprotokoll"},
    {"garbage-bins", "ist beschädigt oder hat ein unbekanntes Format"},
    {"empty", "ist weder ein SYSTEM-Zweig"},
    {"NTUSER.DAT", "ist weder ein SYSTEM-Zweig"},
};

void PrintTo(const DamagedHiveCase& c, std::ostream* out) { *out << c.file; }

QString damagedHive(const char* file) { return fixture(QStringLiteral("hives/damaged/") + QLatin1String(file)); }

class DamagedHive : public ::testing::TestWithParam<DamagedHiveCase> {
protected:
    void SetUp() override { Variablen::SysInfo = SystemInfo{}; }
    void TearDown() override { useRegistry({}); }
};

TEST_P(DamagedHive, AtStartOneBoxNamesTheFileAndTheFaultThenTheProgramEnds)
{
    const DamagedHiveCase& c = GetParam();
    // Named beside a good SOFTWARE hive: the damaged one still stops the start.
    useRegistry({damagedHive(c.file), fixture(QStringLiteral("hives/win10/Windows/System32/config/SOFTWARE"))});
    ModalBoxes shown;
    RunningProgram program;
    EXPECT_TRUE(program.ended());
    ASSERT_EQ(shown.count(), 1);
    const QString& text = shown.boxes()[0].text;
    EXPECT_TRUE(shown.boxes()[0].isSourceFailure()) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("%1 \u201E%2\u201C").arg(QLatin1String(c.kind), damagedHive(c.file))))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8(c.says))) << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Catalogue, DamagedHive, ::testing::ValuesIn(kDamagedHives),
                         [](const ::testing::TestParamInfo<DamagedHiveCase>& info) {
                             QString name = QString::fromUtf8(info.param.file);
                             for (QChar& c : name)
                                 if (!c.isLetterOrNumber()) c = u'_';
                             return name.toStdString();
                         });

TEST(DamagedHiveAfterStart, EveryVisitReportsItUntilItIsMended)
{
    Variablen::SysInfo = SystemInfo{};
    QTemporaryDir installation;
    const QString config = installation.filePath(QStringLiteral("Windows/System32/config"));
    ASSERT_TRUE(QDir().mkpath(config));
    const QString good = fixture(QStringLiteral("hives/win10/Windows/System32/config/SYSTEM"));
    const QString system = config + QStringLiteral("/SYSTEM");
    ASSERT_TRUE(QFile::copy(good, system));
    ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("hives/win10/Windows/System32/config/SOFTWARE")),
                            config + QStringLiteral("/SOFTWARE")));
    useRegistry({installation.path()});
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    FrmMain& form = program.window();
    const QString report = form.txtInfo->text();

    QThread::msleep(20);
    QFile::remove(system);
    ASSERT_TRUE(QFile::copy(damagedHive("bad-checksum"), system));
    ModalBoxes shown;
    for (int tab : {4, 2, 1}) program.clickTab(tab);  // Sound, Start, Info
    ASSERT_EQ(shown.count(), 2);
    for (const auto& box : shown.boxes())
        EXPECT_TRUE(box.text.contains(QStringLiteral("Registrierungsstruktur \u201E%1\u201C ist beschädigt").arg(system)))
            << box.text.toStdString();
    EXPECT_EQ(form.txtInfo->text(), report);
    EXPECT_FALSE(program.ended());

    QThread::msleep(20);
    QFile::remove(system);
    ASSERT_TRUE(QFile::copy(good, system));
    program.clickTab(4);
    EXPECT_EQ(form.tbSound(0).text(), QStringLiteral("Lautsprecher"));
    EXPECT_EQ(shown.count(), 2);
    useRegistry({});
}

}  // namespace
