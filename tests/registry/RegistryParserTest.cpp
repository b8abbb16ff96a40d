#include "RegistryFile.h"
#include "registry/RegistryFileCache.h"
#include "registry/RegistryFileParser.h"
#include "runtime/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

#include <sys/stat.h>

using namespace runtime;
using namespace registry;

namespace {

QString registryFixture(const char* name) { return fixture(QStringLiteral("registry/") + QLatin1String(name)); }

QByteArray utf16(const QString& s, bool terminate = true)
{
    QByteArray out(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
    if (terminate) out.append(2, '\0');
    return out;
}

const RegValueView& valueAt(const RegistryTree& tree, const char* key, const QString& name)
{
    const RegKey* k = tree.findKey(QString::fromUtf8(key));
    if (!k) throw std::runtime_error(std::string("no key ") + key);
    const RegValueView* v = k->value(name);
    if (!v) throw std::runtime_error("no value " + name.toStdString());
    return *v;
}

RuntimeError parseError(const QByteArray& text, const QString& source = QStringLiteral("test.reg"))
{
    try {
        parseRegistry(text, source);
    } catch (const RuntimeError& e) {
        return e;
    }
    throw std::runtime_error("parsed without error: " + text.left(60).toStdString());
}

const QByteArray V5 = "Windows Registry Editor Version 5.00\r\n\r\n";

}  // namespace

// The same content in every export encoding yields the same raw values.
class RegistryParserExports : public ::testing::TestWithParam<const char*> {};

TEST_P(RegistryParserExports, ReadsEveryValueType)
{
    const RegistryTree tree = parseRegistryFile(registryFixture(GetParam()));
    const char* key = "SOFTWARE\\Tessera";
    EXPECT_EQ(valueAt(tree, key, "").data, utf16("Standard"));
    EXPECT_EQ(valueAt(tree, key, "text").type, 1u);  // names fold case
    EXPECT_EQ(valueAt(tree, key, "Text").data, utf16(QString::fromUtf8("Lautstärke \"laut\" C:\\Pfad")));
    EXPECT_EQ(valueAt(tree, key, "Zahl").type, 4u);
    EXPECT_EQ(valueAt(tree, key, "Zahl").data, QByteArray("\x2a\0\0\0", 4));
    EXPECT_EQ(valueAt(tree, key, QString::fromUtf8("Binär")).data, QByteArray("\x01\x02\xff"));
    EXPECT_EQ(valueAt(tree, key, "Pfad").type, 2u);
    EXPECT_EQ(valueAt(tree, key, "Pfad").data, utf16("%TEMP%"));
}

class RegistryParserVersion5 : public ::testing::TestWithParam<const char*> {};

TEST_P(RegistryParserVersion5, ReadsContinuationsDeletionsAndHives)
{
    const RegistryTree tree = parseRegistryFile(registryFixture(GetParam()));
    const char* key = "SOFTWARE\\Tessera";
    EXPECT_EQ(valueAt(tree, key, "Liste").type, 7u);
    EXPECT_EQ(valueAt(tree, key, "Liste").data, QByteArray("a\0\0\0b\0\0\0\0\0", 10));  // continued line
    EXPECT_EQ(valueAt(tree, key, QString::fromUtf8("Groß")).type, 11u);
    EXPECT_EQ(valueAt(tree, key, QString::fromUtf8("Groß")).data.size(), 8);
    EXPECT_EQ(valueAt(tree, key, "Nichts").type, 0u);
    EXPECT_TRUE(valueAt(tree, key, "Nichts").data.isEmpty());
    EXPECT_EQ(tree.findKey(u"SOFTWARE\\Tessera")->value(u"Weg"), nullptr);             // "x"=-
    EXPECT_EQ(tree.findKey(QString::fromUtf8("SOFTWARE\\Tessera\\Gelöscht")), nullptr);  // [-...]
    EXPECT_NE(tree.findKey(u"software\\tessera\\KIND"), nullptr);                        // HKLM short form
    EXPECT_EQ(tree.findKey(u"Software\\Anders"), nullptr);                               // other hive
}

INSTANTIATE_TEST_SUITE_P(Encodings, RegistryParserExports,
                         ::testing::Values("export5-utf16.reg", "export5-utf8.reg", "export5-utf8-bom.reg",
                                           "regedit4.reg"));
INSTANTIATE_TEST_SUITE_P(Encodings, RegistryParserVersion5,
                         ::testing::Values("export5-utf16.reg", "export5-utf8.reg", "export5-utf8-bom.reg"));

TEST(RegistryParser, Regedit4IsWindows1252)
{
    const RegistryTree tree = parseRegistryFile(registryFixture("regedit4.reg"));
    EXPECT_EQ(valueAt(tree, "SOFTWARE\\Tessera", "Euro").data, utf16(QString::fromUtf8("€")));
}

TEST(RegistryParser, ReadsWineFiles)
{
    const RegistryTree tree = parseRegistryFile(registryFixture("wine-system.reg"));
    const char* key = "Software\\Tessera";
    EXPECT_EQ(valueAt(tree, key, "Text").data, utf16(QString::fromUtf8("Lautstärke \"laut\" C:\\Pfad")));
    EXPECT_EQ(valueAt(tree, key, QString::fromUtf8("Binär")).data, QByteArray("\x01\x02\xff"));
    EXPECT_EQ(valueAt(tree, key, "Pfad").type, 2u);
    EXPECT_EQ(valueAt(tree, key, "Pfad").data, utf16("%TEMP%"));
    EXPECT_EQ(valueAt(tree, key, "Liste").data, QByteArray("a\0\0\0b\0\0\0\0\0", 10));
    EXPECT_EQ(valueAt(tree, key, QString::fromUtf8("Groß")).data, QByteArray("\x08\x07\x06\x05\x04\x03\x02\x01"));
    const RegValueView& link = valueAt(tree, "System\\CurrentControlSet", "SymbolicLinkValue");
    EXPECT_EQ(link.type, 6u);
    EXPECT_EQ(link.data, utf16("\\REG", false));
    EXPECT_EQ(valueAt(tree, "SYSTEM\\ControlSet001\\Control", "K").data, QByteArray("\1\0\0\0", 4));
}

TEST(RegistryParser, WineLinkGivenAsStringIsStoredAsLink)
{
    const RegistryTree tree = parseRegistry(
        "WINE REGISTRY Version 2\n[A] 1\n#link\n\"SymbolicLinkValue\"=str:\"\\\\X\"\n", "w.reg");
    EXPECT_EQ(valueAt(tree, "A", "SymbolicLinkValue").type, 6u);
    EXPECT_EQ(valueAt(tree, "A", "SymbolicLinkValue").data, utf16("\\X", false));
}

// Every malformed fixture fails with InvalidData, naming the file and the line.
TEST(RegistryParser, MalformedFilesNameFileAndLine)
{
    const std::pair<const char*, const char*> cases[] = {
        {"bad-header.reg", "Zeile 1"},
        {"bad-unterminated-string.reg", "Zeile 4"},
        {"bad-unterminated-key.reg", "Zeile 3"},
        {"bad-hex.reg", "Zeile 4"},
        {"bad-escape.reg", "Zeile 4"},
        {"bad-key-name-too-long.reg", "Zeile 3"},
        {"bad-too-deep.reg", "Zeile 3"},
        {"bad-odd-utf16.reg", "ungerade"},
    };
    for (const auto& [file, expected] : cases) {
        SCOPED_TRACE(file);
        try {
            parseRegistryFile(registryFixture(file));
            ADD_FAILURE() << "parsed without error";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), ErrorNumber::InvalidData);
            EXPECT_TRUE(e.description().contains(file)) << e.description().toStdString();
            EXPECT_TRUE(e.description().contains(expected)) << e.description().toStdString();
        }
    }
}

TEST(RegistryParser, RejectsMalformedData)
{
    for (const QByteArray& body : {QByteArray("\"Z\"=dword:123456789\r\n"), QByteArray("\"Z\"=dword:\r\n"),
                                   QByteArray("\"Z\"=hex(zz):01\r\n"), QByteArray("\"Z\"=hex:123\r\n"),
                                   QByteArray("\"Z\"=hex:01,\\\r\n"), QByteArray("\"Z\"=wort\r\n"),
                                   QByteArray("\"Z\"\"x\"\r\n"), QByteArray("\"Z\"=\"x\" y\r\n"),
                                   QByteArray("Unsinn\r\n")}) {
        SCOPED_TRACE(body.toStdString());
        const RuntimeError e = parseError(V5 + "[HKLM\\A]\r\n" + body);
        EXPECT_EQ(e.number(), ErrorNumber::InvalidData);
        EXPECT_TRUE(e.description().contains("Zeile 4")) << e.description().toStdString();
    }
    EXPECT_TRUE(parseError(V5 + "\"Z\"=\"x\"\r\n").description().contains("Zeile 3"));  // no key yet
    EXPECT_TRUE(parseError("WINE REGISTRY Version 2\n[A] 1\n\"Z\"=str:\"\\x\"\n").description().contains("Zeile 3"));
    EXPECT_TRUE(parseError("WINE REGISTRY Version 2\n[A\\\\B 1\n").description().contains("Zeile 2"));
}

// An empty text is stored as its terminator alone (the copy of no characters
// once read from a null pointer).
TEST(RegistryParser, EmptyTextsHoldOnlyTheTerminator)
{
    const RegistryTree v5 = parseRegistry(V5 + "[HKLM\\A]\r\n\"T\"=\"\"\r\n@=\"\"\r\n", "e.reg");
    EXPECT_EQ(valueAt(v5, "A", "T").data, QByteArray(2, '\0'));
    EXPECT_EQ(valueAt(v5, "A", "").data, QByteArray(2, '\0'));
    const RegistryTree wine = parseRegistry("WINE REGISTRY Version 2\n[A] 1\n\"S\"=str:\"\"\n\"X\"=str(2):\"\"\n", "w.reg");
    EXPECT_EQ(valueAt(wine, "A", "S").data, QByteArray(2, '\0'));
    EXPECT_EQ(valueAt(wine, "A", "X").type, 2u);
    EXPECT_EQ(valueAt(wine, "A", "X").data, QByteArray(2, '\0'));
}

// Bytes that are not UTF-8 are reported on the line that holds them, whatever the fault.
TEST(RegistryParser, InvalidUtf8NamesItsLine)
{
    const QByteArray good = V5 + "[HKLM\\A]\r\n\"Gr\xC3\xB6\xC3\x9F\xE2\x82\xAC\xF0\x9F\x8E\xB5\"=\"x\"\r\n";
    EXPECT_NO_THROW(parseRegistry(good, "ok.reg"));
    for (const QByteArray& bad : {QByteArray("\x80"), QByteArray("\xC0\x80"), QByteArray("\xED\xA0\x80"),
                                  QByteArray("\xF4\x90\x80\x80"), QByteArray("\xF5"), QByteArray("\xE2\x82")}) {
        SCOPED_TRACE(bad.toHex().toStdString());
        const RuntimeError inside = parseError(good + "\"B\"=\"" + bad + "\"\r\n");
        EXPECT_TRUE(inside.description().contains("Zeile 5: ungültige UTF-8-Daten")) << inside.description().toStdString();
        const RuntimeError atEnd = parseError(good + "; " + bad);  // cut off by the end of the file
        EXPECT_TRUE(atEnd.description().contains("Zeile 5:")) << atEnd.description().toStdString();
    }
}

TEST(RegistryParser, LimitsOfNamesAndDepth)
{
    const QByteArray atLimit = V5 + "[HKLM\\" + QByteArray(255, 'k') + "]\r\n\"" + QByteArray(16383, 'v')
        + "\"=dword:1\r\n";
    EXPECT_NO_THROW(parseRegistry(atLimit, "ok.reg"));
    EXPECT_NO_THROW(parseRegistry(V5 + "[HKLM" + QByteArray("\\k").repeated(512) + "]\r\n", "ok.reg"));
    const RuntimeError e = parseError(V5 + "[HKLM\\A]\r\n\"" + QByteArray(16384, 'v') + "\"=dword:1\r\n");
    EXPECT_TRUE(e.description().contains("16383"));
}

TEST(RegistryParser, SurvivesManyNestedKeysAndDeletion)
{
    // 10^5 levels over the depth limit fail cleanly; a wide tree is torn down without recursion.
    EXPECT_EQ(parseError(V5 + "[HKLM" + QByteArray("\\k").repeated(100000) + "]\r\n").number(),
              ErrorNumber::InvalidData);
    QByteArray text = V5;
    QByteArray path = "HKLM";
    for (int i = 0; i < 500; ++i) {
        path += "\\k";
        text += "[" + path + "]\r\n";
    }
    text += "[-HKLM\\k]\r\n";
    const RegistryTree tree = parseRegistry(text, "deep.reg");
    EXPECT_EQ(tree.root().childCount(), 0u);
}

TEST(RegistryParser, MissingFileIsFileNotFound)
{
    try {
        parseRegistryFile(QStringLiteral("/nonexistent/tessera.reg"));
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), ErrorNumber::FileNotFound);
        EXPECT_TRUE(e.description().contains("/nonexistent/tessera.reg"));
    }
}

TEST(RegistryParser, FifoAndDeviceAreRefusedWithoutReading)
{
    // Opening a FIFO without a writer would block forever; /dev/zero never ends.
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("system.reg"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {fifo, QStringLiteral("/dev/zero")}) {
        try {
            cachedRegistryFile(path);
            ADD_FAILURE() << qPrintable(path);
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), ErrorNumber::FileNotFound);
            EXPECT_TRUE(e.description().contains(path + QStringLiteral("\u201C ist keine gew\u00F6hnliche Datei")))
                << qPrintable(e.description());
        }
    }
}

TEST(RegistryParser, CacheParsesAgainOnlyWhenFileChanged)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("c.reg");
    auto write = [&](const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    };
    write(V5 + "[HKLM\\A]\r\n\"V\"=dword:1\r\n");
    const auto first = cachedRegistryFile(path);
    EXPECT_EQ(cachedRegistryFile(path), first);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    write(V5 + "[HKLM\\A]\r\n\"V\"=dword:00000002\r\n");  // new size and mtime
    const auto second = cachedRegistryFile(path);
    EXPECT_NE(second, first);
    EXPECT_EQ(valueAt(*second, "A", "V").data, QByteArray("\2\0\0\0", 4));
    write("kaputt");
    EXPECT_THROW(cachedRegistryFile(path), RuntimeError);
}
