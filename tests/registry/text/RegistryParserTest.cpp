#include "RegistryFile.h"
#include "registry/RegistryFileCache.h"
#include "registry/text/RegistryFileParser.h"
#include "registry/text/RegistryText.h"
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

// The key at the path, name by name, no link followed; 0 when there is none.
RegistrySource::Key keyAt(const RegistrySource& source, const QString& path)
{
    RegistrySource::Key key = source.root();
    for (const QString& name : path.split(u'\\', Qt::SkipEmptyParts))
        if (key = source.child(key, name); !key) return 0;
    return key;
}

const RegValueView& valueAt(const RegistrySource& source, const char* key, const QString& name)
{
    const RegistrySource::Key k = keyAt(source, QString::fromUtf8(key));
    if (!k) throw std::runtime_error(std::string("no key ") + key);
    const RegValueView* v = source.value(k, name);
    if (!v) throw std::runtime_error("no value " + name.toStdString());
    return *v;
}

bool hasKey(const RegistrySource& source, const char* key) { return keyAt(source, QString::fromUtf8(key)) != 0; }

RuntimeError parseError(const QByteArray& text, const QString& source = QStringLiteral("test.reg"))
{
    try {
        RegistryText(text, source);
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
    const auto file = readRegistryFile(registryFixture(GetParam()));
    const RegistryText& tree = *file;
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
    const auto file = readRegistryFile(registryFixture(GetParam()));
    const RegistryText& tree = *file;
    const char* key = "SOFTWARE\\Tessera";
    EXPECT_EQ(valueAt(tree, key, "Liste").type, 7u);
    EXPECT_EQ(valueAt(tree, key, "Liste").data, QByteArray("a\0\0\0b\0\0\0\0\0", 10));  // continued line
    EXPECT_EQ(valueAt(tree, key, QString::fromUtf8("Groß")).type, 11u);
    EXPECT_EQ(valueAt(tree, key, QString::fromUtf8("Groß")).data.size(), 8);
    EXPECT_EQ(valueAt(tree, key, "Nichts").type, 0u);
    EXPECT_TRUE(valueAt(tree, key, "Nichts").data.isEmpty());
    EXPECT_EQ(tree.value(keyAt(tree, "SOFTWARE\\Tessera"), u"Weg"), nullptr);  // "x"=-
    EXPECT_FALSE(hasKey(tree, "SOFTWARE\\Tessera\\Gelöscht"));                // [-...]
    EXPECT_TRUE(hasKey(tree, "software\\tessera\\KIND"));                      // HKLM short form
    EXPECT_FALSE(hasKey(tree, "Software\\Anders"));                             // other hive
}

INSTANTIATE_TEST_SUITE_P(Encodings, RegistryParserExports,
                         ::testing::Values("export5-utf16.reg", "export5-utf8.reg", "export5-utf8-bom.reg",
                                           "regedit4.reg"));
INSTANTIATE_TEST_SUITE_P(Encodings, RegistryParserVersion5,
                         ::testing::Values("export5-utf16.reg", "export5-utf8.reg", "export5-utf8-bom.reg"));

TEST(RegistryParser, Regedit4IsWindows1252)
{
    const auto file = readRegistryFile(registryFixture("regedit4.reg"));
    const RegistryText& tree = *file;
    EXPECT_EQ(valueAt(tree, "SOFTWARE\\Tessera", "Euro").data, utf16(QString::fromUtf8("€")));
}

TEST(RegistryParser, ReadsWineFiles)
{
    const auto file = readRegistryFile(registryFixture("wine-system.reg"));
    const RegistryText& tree = *file;
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
    const RegistryText tree("WINE REGISTRY Version 2\n[A] 1\n#link\n\"SymbolicLinkValue\"=str:\"\\\\X\"\n", "w.reg");
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
            readRegistryFile(registryFixture(file));
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
    const RegistryText v5(V5 + "[HKLM\\A]\r\n\"T\"=\"\"\r\n@=\"\"\r\n", "e.reg");
    EXPECT_EQ(valueAt(v5, "A", "T").data, QByteArray(2, '\0'));
    EXPECT_EQ(valueAt(v5, "A", "").data, QByteArray(2, '\0'));
    const RegistryText wine("WINE REGISTRY Version 2\n[A] 1\n\"S\"=str:\"\"\n\"X\"=str(2):\"\"\n", "w.reg");
    EXPECT_EQ(valueAt(wine, "A", "S").data, QByteArray(2, '\0'));
    EXPECT_EQ(valueAt(wine, "A", "X").type, 2u);
    EXPECT_EQ(valueAt(wine, "A", "X").data, QByteArray(2, '\0'));
}

// Bytes that are not UTF-8 are reported on the line that holds them, whatever the fault.
TEST(RegistryParser, InvalidUtf8NamesItsLine)
{
    const QByteArray good = V5 + "[HKLM\\A]\r\n\"Gr\xC3\xB6\xC3\x9F\xE2\x82\xAC\xF0\x9F\x8E\xB5\"=\"x\"\r\n";
    EXPECT_NO_THROW(RegistryText(good, "ok.reg"));
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
    EXPECT_NO_THROW(RegistryText(atLimit, "ok.reg"));
    EXPECT_NO_THROW(RegistryText(V5 + "[HKLM" + QByteArray("\\k").repeated(512) + "]\r\n", "ok.reg"));
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
    const RegistryText tree(text, "deep.reg");
    EXPECT_FALSE(hasKey(tree, "k"));
}

TEST(RegistryParser, MissingFileIsFileNotFound)
{
    try {
        readRegistryFile(QStringLiteral("/nonexistent/tessera.reg"));
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

// A key is what the lines before it in the file left of it: sections of one
// key merge, later values win, a removal of it or of a key above it takes
// away what came before, and a later line brings the key back.
TEST(RegistryParser, KeysAreWhatTheLinesBeforeLeftOfThem)
{
    const RegistryText text(V5 + "[HKEY_CURRENT_USER\\Vorne]\r\n\"U\"=\"u\"\r\n"  // another hive first
                                 "[HKLM\\A\\B]\r\n\"V\"=dword:1\r\n\"W\"=dword:1\r\n"
                                 "[HKLM\\A\\Weg\\Tief]\r\n\"X\"=dword:1\r\n"
                                 "[HKLM\\A]\r\n\"Eins\"=dword:1\r\n"
                                 "[-HKLM\\A\\Weg]\r\n"
                                 "[HKLM\\A\\B]\r\n\"V\"=dword:2\r\n\"W\"=-\r\n"
                                 "[-HKLM\\A\\Zurück]\r\n[HKLM\\A\\Zurück\\Neu]\r\n"
                                 "[HKLM\\C\\D]\r\n\"Y\"=dword:1\r\n[-HKLM\\C]\r\n[HKLM\\C]\r\n\"Z\"=dword:1\r\n",
                            "order.reg");
    EXPECT_EQ(valueAt(text, "A\\B", "V").data, QByteArray("\2\0\0\0", 4));
    EXPECT_EQ(text.value(keyAt(text, "A\\B"), u"W"), nullptr);
    EXPECT_EQ(valueAt(text, "a", "eins").data, QByteArray("\1\0\0\0", 4));  // named only on a line of its own later
    EXPECT_FALSE(hasKey(text, "A\\Weg"));
    EXPECT_FALSE(hasKey(text, "A\\Weg\\Tief"));
    EXPECT_TRUE(hasKey(text, "A\\Zurück"));  // named above a later line only
    EXPECT_TRUE(hasKey(text, "A\\Zurück\\Neu"));
    EXPECT_FALSE(hasKey(text, "C\\D"));
    EXPECT_EQ(valueAt(text, "C", "Z").data, QByteArray("\1\0\0\0", 4));
    EXPECT_EQ(text.value(keyAt(text, "C"), u"Y"), nullptr);
    EXPECT_FALSE(hasKey(text, "Vorne"));
    EXPECT_FALSE(hasKey(text, "A\\B\\V"));  // a value is no key
}

// A file held is the file as it was read: changed or cut short on disk, what
// was read stays, and its keys are still found and read.
TEST(RegistryParser, AFileCutShortAfterItWasReadChangesNothingRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("cut.reg");
    QByteArray body = "WINE REGISTRY Version 2\n";
    for (int i = 0; i < 2000; ++i) body += "[Software\\\\K" + QByteArray::number(i) + "] 1\n\"V\"=dword:" + QByteArray::number(i, 16) + "\n";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(body);
    f.close();
    const auto text = readRegistryFile(path);
    ASSERT_TRUE(QFile::resize(path, 30));
    EXPECT_EQ(valueAt(*text, "Software\\K1999", "V").data, QByteArray("\xcf\x07\0\0", 4));
    EXPECT_EQ(valueAt(*text, "software\\k0", "v").data, QByteArray(4, '\0'));
}

// A fault in the encoding is told even after a line that is wrong otherwise:
// a file that is no UTF-8 text is named so, on the line with the first bad byte.
TEST(RegistryParser, BadUtf8IsToldBeforeAnyOtherFault)
{
    const RuntimeError e = parseError(V5 + "[HKLM\\A]\r\nUnsinn\r\n\"B\"=\"\xC0\x80\"\r\n");
    EXPECT_TRUE(e.description().contains("Zeile 5: ungültige UTF-8-Daten")) << e.description().toStdString();
}
