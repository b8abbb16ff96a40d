// The cell reader: every value of real hives (../shared) read as hivex reads
// them; hives made here with what real ones hold (subkey lists of every kind,
// an index of lists, big data, cells at a bin's edge) and with damage deep
// inside, told when a lookup reaches it; the pages the logs write over the
// ones read before; a source that changes while it is read.
#include "RegistryFile.h"
#include "SharedSamples.h"

#include "registry/hive/BaseBlock.h"
#include "registry/hive/Hive.h"
#include "registry/hive/HiveCells.h"
#include "registry/hive/HivePages.h"
#include "registry/hive/HiveSource.h"
#include "registry/text/RegistrySource.h"
#include "runtime/RuntimeError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <functional>

using namespace registry;

namespace {

// ---------------------------------------------------------------------------
// A hive written here, cell by cell, as the format's description lays it out.
class HiveWriter {
public:
    using Offset = std::uint32_t;

    // A cell of `data` (its size field added and padded to 8 bytes), in the
    // current bin, or in a new one when it does not fit; `atEnd` makes it
    // fill the bin up to the bin's last byte.
    Offset cell(const QByteArray& data, bool atEnd = false)
    {
        std::uint32_t size = std::uint32_t((data.size() + 4 + 7) / 8 * 8);
        if (bins_.isEmpty() || used_ + size > bins_.size()) newBin(std::max<std::uint32_t>(4096, (size + 32 + 4095) / 4096 * 4096));
        if (atEnd) size = std::uint32_t(bins_.size()) - used_;
        const Offset at = used_;
        qToLittleEndian<qint32>(-qint32(size), bins_.data() + at);
        std::memcpy(bins_.data() + at + 4, data.constData(), std::size_t(data.size()));
        used_ += size;
        return at;
    }
    void newBin(std::uint32_t size)
    {
        // What is left of the bin before stays a free cell.
        if (!bins_.isEmpty() && used_ < bins_.size()) qToLittleEndian<qint32>(qint32(bins_.size() - used_), bins_.data() + used_);
        const std::uint32_t start = std::uint32_t(bins_.size());
        bins_.append(QByteArray(qsizetype(size), '\0'));
        std::memcpy(bins_.data() + start, "hbin", 4);
        qToLittleEndian<quint32>(start, bins_.data() + start + 4);
        qToLittleEndian<quint32>(size, bins_.data() + start + 8);
        used_ = start + 32;
    }

    static QByteArray keyNode(const QString& name, std::uint32_t subkeys, Offset list, std::uint32_t values, Offset valueList)
    {
        const bool latin1 = std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x100; });
        const QByteArray stored = latin1 ? name.toLatin1()
                                         : QByteArray(reinterpret_cast<const char*>(name.utf16()), name.size() * 2);
        QByteArray nk(76, '\0');
        std::memcpy(nk.data(), "nk", 2);
        qToLittleEndian<quint16>(latin1 ? 0x20 : 0, nk.data() + 2);
        qToLittleEndian<quint32>(subkeys, nk.data() + 20);
        qToLittleEndian<quint32>(list, nk.data() + 28);
        qToLittleEndian<quint32>(values, nk.data() + 36);
        qToLittleEndian<quint32>(valueList, nk.data() + 40);
        qToLittleEndian<quint16>(quint16(stored.size()), nk.data() + 72);
        return nk + stored;
    }
    // A subkey list: "lh" (with each name's hash), "lf" (its first characters), "li", or "ri" of lists.
    static QByteArray list(const char* kind, const std::vector<std::pair<Offset, QString>>& entries)
    {
        QByteArray l(4, '\0');
        std::memcpy(l.data(), kind, 2);
        qToLittleEndian<quint16>(quint16(entries.size()), l.data() + 2);
        for (const auto& [offset, name] : entries) {
            QByteArray e(4, '\0');
            qToLittleEndian<quint32>(offset, e.data());
            l += e;
            if (std::strcmp(kind, "lh") == 0) {
                qToLittleEndian<quint32>(nameHash(name), e.data());
                l += e;
            } else if (std::strcmp(kind, "lf") == 0) {
                l += name.toLatin1().left(4).leftJustified(4, '\0');
            }
        }
        return l;
    }
    static QByteArray valueNode(const QString& name, std::uint32_t type, std::uint32_t size, Offset data)
    {
        QByteArray vk(20, '\0');
        std::memcpy(vk.data(), "vk", 2);
        qToLittleEndian<quint16>(quint16(name.size()), vk.data() + 2);
        qToLittleEndian<quint32>(size, vk.data() + 4);
        qToLittleEndian<quint32>(data, vk.data() + 8);
        qToLittleEndian<quint32>(type, vk.data() + 12);
        qToLittleEndian<quint16>(1, vk.data() + 16);
        return vk + name.toLatin1();
    }
    static QByteArray offsets(const std::vector<Offset>& list)
    {
        QByteArray l;
        for (Offset o : list) {
            QByteArray e(4, '\0');
            qToLittleEndian<quint32>(o, e.data());
            l += e;
        }
        return l;
    }

    // The hive: a base block naming `root`, then the bins.
    QByteArray hive(Offset root) const
    {
        QByteArray base(4096, '\0');
        std::memcpy(base.data(), "regf", 4);
        auto* b = reinterpret_cast<unsigned char*>(base.data());
        putLe32(b + BaseBlockAt::PrimarySequence, 1);
        putLe32(b + BaseBlockAt::SecondarySequence, 1);
        putLe32(b + BaseBlockAt::Major, 1);
        putLe32(b + BaseBlockAt::Minor, 5);
        putLe32(b + BaseBlockAt::RootCell, root);
        putLe32(b + BaseBlockAt::BinsSize, std::uint32_t(bins_.size()));
        putLe32(b + BaseBlockAt::Clustering, 1);
        sealBaseBlock(b);
        return base + bins_;
    }

private:
    QByteArray bins_;
    std::uint32_t used_ = 0;
};

disk::PrivateCopy copyOf(const QByteArray& bytes)
{
    disk::PrivateCopy copy;
    EXPECT_TRUE(copy.append(bytes.constData(), std::size_t(bytes.size())));
    return copy;
}

// A SYSTEM hive holding what real ones hold: Select, a control set whose
// children sit in an index (ri) of an lh and an li list, names in Latin-1 and
// UTF-16, a value of big data, a key whose cell fills its bin to the end, and
// a key whose value list is damaged.
struct MadeHive {
    QByteArray bytes;
    QByteArray big;  // the big value's data
};

MadeHive madeHive()
{
    HiveWriter w;
    MadeHive made;
    for (int i = 0; i < 40000; ++i) made.big.append(char(i * 31 % 251));
    // Big data: three segments, 16344 bytes each at most.
    std::vector<HiveWriter::Offset> segments;
    for (int at = 0; at < made.big.size(); at += 16344) segments.push_back(w.cell(made.big.mid(at, 16344)));
    const auto segmentList = w.cell(HiveWriter::offsets(segments));
    QByteArray db(8, '\0');
    std::memcpy(db.data(), "db", 2);
    qToLittleEndian<quint16>(quint16(segments.size()), db.data() + 2);
    qToLittleEndian<quint32>(segmentList, db.data() + 4);
    const auto bigData = w.cell(db);
    const auto text = w.cell(QByteArray("W\0i\0n\0\0\0", 8));
    const auto values = w.cell(HiveWriter::offsets({w.cell(HiveWriter::valueNode(QStringLiteral("Groß"), 3, 40000, bigData)),
                                                     w.cell(HiveWriter::valueNode(QStringLiteral("Name"), 1, 8, text)),
                                                     w.cell(HiveWriter::valueNode(QStringLiteral("Zahl"), 4, 0x80000004u, 42))}));
    const auto media = w.cell(HiveWriter::keyNode(QStringLiteral("Media"), 0, 0, 3, values));
    const auto unicode = w.cell(HiveWriter::keyNode(QStringLiteral("Ключ"), 0, 0, 0, 0));
    // A key whose value list names more values than it holds.
    const auto shortList = w.cell(HiveWriter::offsets({text}));
    const auto damaged = w.cell(HiveWriter::keyNode(QStringLiteral("Kaputt"), 0, 0, 1000, shortList));
    // A key whose cell ends where its bin ends; the next cell begins the next bin.
    w.newBin(4096);
    w.cell(QByteArray(3000, 'x'));
    const auto edge = w.cell(HiveWriter::keyNode(QStringLiteral("Kante"), 0, 0, 0, 0), true);
    const auto lh = w.cell(HiveWriter::list("lh", {{media, QStringLiteral("Media")}, {edge, QStringLiteral("Kante")}}));
    const auto li = w.cell(HiveWriter::list("li", {{unicode, {}}, {damaged, {}}}));
    const auto ri = w.cell(HiveWriter::list("ri", {{lh, {}}, {li, {}}}));
    const auto set = w.cell(HiveWriter::keyNode(QStringLiteral("ControlSet001"), 4, ri, 0, 0));
    const auto current = w.cell(HiveWriter::valueNode(QStringLiteral("Current"), 4, 0x80000004u, 1));
    const auto select = w.cell(HiveWriter::keyNode(QStringLiteral("Select"), 0, 0, 1, w.cell(HiveWriter::offsets({current}))));
    const auto rootList = w.cell(HiveWriter::list("lf", {{set, QStringLiteral("ControlSet001")}, {select, QStringLiteral("Select")}}));
    made.bytes = w.hive(w.cell(HiveWriter::keyNode(QStringLiteral("ROOT"), 2, rootList, 0, 0)));
    return made;
}

QString valueText(const Hive& hive, QStringView key, QStringView name)
{
    const auto v = findValue(hive, key, name);
    return v ? textOf(*v).value_or(QStringLiteral("?")) : QString();
}

// Every value of a hive read with the cell reader, as dump_hive.py writes hivex's.
QStringList walked(const QString& path, QString* fault = nullptr)
{
    auto source = HiveSource::ofFile(path);
    PageOverlay pages(source);
    unsigned char header[4096];
    EXPECT_TRUE(pages.read(0, header, sizeof header));
    const BaseBlock b = parseBaseBlock(header);
    HiveCells cells(pages, b.binsSize, b.minor);
    QStringList lines;
    try {
        std::function<void(const HiveCells::KeyNode&, const QString&, int)> walk = [&](const HiveCells::KeyNode& node,
                                                                                       const QString& at, int depth) {
            ASSERT_LT(depth, 512);
            for (const HiveCells::Value& v : cells.values(node)) {
                const QByteArray data = cells.data(v);
                // Joined, not .arg()-ed: a key's name may hold "%3" itself.
                lines << at + u'\t' + v.name + u'\t' + QString::number(v.type) + u'\t'
                             + QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex());
            }
            for (const HiveCells::KeyNode& child : cells.subkeys(node)) walk(child, at + u'\\' + child.name, depth + 1);
        };
        walk(cells.keyNode(b.rootCell), QString(), 0);
    } catch (const HiveCells::Fault& f) {
        if (fault) *fault = f.what.isEmpty() ? QStringLiteral("?") : f.what;
    }
    return lines;
}

struct Dumped {
    bool ok = false;
    QStringList lines;
};
Dumped hivexDump(const QString& path)
{
    QProcess dump;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PYTHONIOENCODING"), QStringLiteral("utf-8"));
    dump.setProcessEnvironment(env);
    dump.start(QStringLiteral("/usr/bin/python3"), {fixture(QStringLiteral("hives/dump_hive.py")), path});
    EXPECT_TRUE(dump.waitForFinished(120000));
    const QString out = QString::fromUtf8(dump.readAllStandardOutput());
    return {dump.exitCode() == 0, out.split(u'\n', Qt::SkipEmptyParts)};
}

// The first line where two walks differ, both lines; empty when they are the same.
QString firstDifference(const QStringList& ours, const QStringList& theirs)
{
    for (qsizetype i = 0; i < std::max(ours.size(), theirs.size()); ++i)
        if (ours.value(i) != theirs.value(i))
            return QStringLiteral("line %1:\n  read: %2\n  hivex: %3").arg(i + 1).arg(ours.value(i), theirs.value(i));
    return {};
}

QString unpacked(const QString& relative)
{
    return relative.endsWith(QLatin1String(".xz")) ? unpackedSample(relative) : sharedSample(relative);
}

}  // namespace

// Real hives, read through: every key and value as hivex reads them, in the same order.
TEST(HiveCells, RealHivesReadAsHivexReadsThem)
{
    if (!QFile::exists(QStringLiteral("/usr/bin/python3"))) GTEST_SKIP() << "python3 is not installed";
    QStringList hives = {fixture(QStringLiteral("hives/win10/Windows/System32/config/SYSTEM")),
                         fixture(QStringLiteral("hives/win10/Windows/System32/config/SOFTWARE")),
                         fixture(QStringLiteral("hives/win2000/WINNT/system32/config/software")),
                         fixture(QStringLiteral("hives/win10/Windows/System32/config/SAM")),
                         fixture(QStringLiteral("hives/win10/Users/bob/NTUSER.DAT"))};
    for (const char* real : {"real-hives/dirty/SYSTEM.xz", "real-hives/dirty/SYSTEM_2.xz",
                             "real-hives/dirty/SYSTEM_WIN_10_1709.xz", "real-hives/users/NTUSER.DAT.xz",
                             "real-hives/users/NTUSER_with_winscp.DAT.xz", "real-hives/users/SAM.xz",
                             "real-hives/base-empty.hive", "regf-samples/SYSTEM_B.xz"})
        if (const QString path = unpacked(QString::fromLatin1(real)); !path.isNull()) hives << path;
    if (hives.size() == 5) std::cout << "[ NOTE ] the real hives beside the repository (../shared) are not here\n";
    for (const QString& path : hives) {
        SCOPED_TRACE(path.toStdString());
        const Dumped expected = hivexDump(path);
        ASSERT_TRUE(expected.ok);
        QString fault;
        const QStringList lines = walked(path, &fault);
        EXPECT_TRUE(fault.isEmpty()) << fault.toStdString();
        EXPECT_EQ(lines.size(), expected.lines.size());
        { const QString differs = firstDifference(lines, expected.lines); EXPECT_TRUE(differs.isEmpty()) << differs.toStdString(); }
    }
}

// Damaged real hives: each read through as far as it goes, a fault in German
// where it is damaged, never a crash; where hivex reads one through, the
// reader reads the same.
TEST(HiveCells, DamagedRealHivesAreToldWhereTheyAreDamaged)
{
    const QString bad = sharedSample(QStringLiteral("real-hives/bad"));
    SKIP_WITHOUT_SHARED(bad);
    int told = 0, same = 0;
    for (const QFileInfo& file : QDir(bad).entryInfoList(QDir::Files, QDir::Name)) {
        SCOPED_TRACE(file.fileName().toStdString());
        if (file.size() < 8192) continue;  // no hive at all: refused before any cell is read
        QString fault;
        QStringList lines;
        try {
            lines = walked(file.filePath(), &fault);
        } catch (const runtime::RuntimeError& e) {
            fault = e.description();
        }
        if (!fault.isEmpty()) {
            ++told;
            EXPECT_FALSE(fault.contains(QStringLiteral("?"))) << fault.toStdString();
            continue;
        }
        const Dumped expected = hivexDump(file.filePath());
        if (expected.ok) {
            { const QString differs = firstDifference(lines, expected.lines); EXPECT_TRUE(differs.isEmpty()) << differs.toStdString(); }
            ++same;
        }
    }
    EXPECT_GT(told, 0);
    EXPECT_GT(same, 0);
}

// What real hives hold, made here: lookups through an index of lists, an lh
// list (by hash) and an li list (by name), big data, a key at its bin's edge.
TEST(HiveCells, ListsOfEveryKindBigDataAndCellsAtABinsEdge)
{
    const MadeHive made = madeHive();
    const Hive hive(QStringLiteral("gemacht"), copyOf(made.bytes), {});
    EXPECT_EQ(hive.kind(), Hive::Kind::System);
    const auto big = findValue(hive, u"SYSTEM\\CurrentControlSet\\Media", u"groß");
    ASSERT_TRUE(big.has_value());
    EXPECT_EQ(big->type, 3u);
    EXPECT_EQ(QByteArray(big->data.data(), big->data.size()), made.big);
    EXPECT_EQ(valueText(hive, u"SYSTEM\\ControlSet001\\media", u"Name"), QStringLiteral("Win"));
    const auto number = findValue(hive, u"SYSTEM\\ControlSet001\\Media", u"Zahl");
    ASSERT_TRUE(number.has_value());
    EXPECT_EQ(dwordOf(*number), 42u);
    const RegistrySource::Key set = hive.child(hive.child(hive.root(), u"SYSTEM"), u"ControlSet001");
    EXPECT_NE(hive.child(set, u"kante"), 0u);
    EXPECT_NE(hive.child(set, u"ключ"), 0u);  // in the li list, UTF-16, compared without regard to case
    EXPECT_EQ(hive.child(set, u"Fehlt"), 0u);
    EXPECT_EQ(hive.subkeyNames(set), (QStringList{QStringLiteral("Media"), QStringLiteral("Kante"),
                                                  QStringLiteral("Ключ"), QStringLiteral("Kaputt")}));
}

// Damage deep inside is told when a lookup reaches it, naming the hive; what
// lies elsewhere reads on.
TEST(HiveCells, DamageDeepInsideIsToldWhenReached)
{
    const Hive hive(QStringLiteral("gemacht"), copyOf(madeHive().bytes), {});
    try {
        findValue(hive, u"SYSTEM\\ControlSet001\\Kaputt", u"Irgendwas");
        ADD_FAILURE() << "no fault";
    } catch (const runtime::RuntimeError& e) {
        EXPECT_EQ(e.description(), QStringLiteral("Registrierungsstruktur \u201Egemacht\u201C ist beschädigt: der "
                                                  "Schlüssel \u201EKaputt\u201C nennt 1000 Werte, mehr als seine "
                                                  "Liste fasst"));
    }
    EXPECT_EQ(valueText(hive, u"SYSTEM\\ControlSet001\\Media", u"Name"), QStringLiteral("Win"));

    // A subkey list that names a cell inside a bin's header, and one past the hive's end.
    QByteArray bytes = madeHive().bytes;
    const qsizetype list = bytes.indexOf(QByteArray("lh\x02\x00", 4), 4096);
    ASSERT_GT(list, 0);
    qToLittleEndian<quint32>(8, bytes.data() + list + 4);  // the first entry: into the first bin's header
    const Hive broken(QStringLiteral("gemacht"), copyOf(bytes), {});
    EXPECT_THROW(findValue(broken, u"SYSTEM\\ControlSet001\\Media", u"Name"), runtime::RuntimeError);
    EXPECT_NE(broken.child(broken.child(broken.child(broken.root(), u"SYSTEM"), u"ControlSet001"), u"Kante"), 0u);
    qToLittleEndian<quint32>(0x7FFFFFF0, bytes.data() + list + 4);
    const Hive past(QStringLiteral("gemacht"), copyOf(bytes), {});
    try {
        findValue(past, u"SYSTEM\\ControlSet001\\Media", u"Name");
        ADD_FAILURE() << "no fault";
    } catch (const runtime::RuntimeError& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("liegt an der unmöglichen Stelle 2147483632")))
            << e.description().toStdString();
    }
}

// The pages the logs write lie over the ones read before, whole sectors and parts alike.
TEST(HiveCells, PagesTheLogsWriteLieOverThoseReadBefore)
{
    QByteArray bytes(3 * 4096 + 100, '\0');
    for (int i = 0; i < bytes.size(); ++i) bytes[i] = char(i % 97);
    auto source = HiveSource::ofCopy(copyOf(bytes));
    PageOverlay pages(source);
    char seen[600];
    ASSERT_TRUE(pages.read(4000, seen, sizeof seen));  // cached now
    EXPECT_EQ(QByteArray(seen, 600), bytes.mid(4000, 600));
    const QByteArray sector(512, 'L');
    ASSERT_TRUE(pages.write(4096, sector.constData(), 512));
    ASSERT_TRUE(pages.write(4096 + 1024 + 10, "ab", 2));  // a part of a sector: the rest stays
    ASSERT_TRUE(pages.read(4000, seen, sizeof seen));
    EXPECT_EQ(QByteArray(seen, 96), bytes.mid(4000, 96));
    EXPECT_EQ(QByteArray(seen + 96, 504), QByteArray(504, 'L'));
    char part[20];
    ASSERT_TRUE(pages.read(4096 + 1024, part, sizeof part));
    EXPECT_EQ(QByteArray(part, 20), bytes.mid(4096 + 1024, 10) + "ab" + bytes.mid(4096 + 1036, 8));
    // Grown by the logs: zeros past the source's end.
    ASSERT_TRUE(pages.growTo(5 * 4096));
    char tail[200];
    ASSERT_TRUE(pages.read(3 * 4096, tail, sizeof tail));
    EXPECT_EQ(QByteArray(tail, 100), bytes.mid(3 * 4096, 100));
    EXPECT_EQ(QByteArray(tail + 100, 100), QByteArray(100, '\0'));
    EXPECT_FALSE(pages.read(5 * 4096 - 10, tail, 20));
    EXPECT_EQ(pages.overlaid(), 1024);
}

// A file written while it is read reads no further, with a clear message; a
// file replaced by another is read on as it was opened. The cache stays
// within its bound.
TEST(HiveCells, AFileThatChangesWhileItIsReadGivesNoMix)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("SYSTEM"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(madeHive().bytes), madeHive().bytes.size());
    file.close();
    const Hive hive(path);
    EXPECT_EQ(valueText(hive, u"SYSTEM\\ControlSet001\\Media", u"Name"), QStringLiteral("Win"));
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write(QByteArray(4096, '\0'));
    file.close();
    try {
        findValue(hive, u"SYSTEM\\ControlSet001\\Kante", u"Irgendwas");
        ADD_FAILURE() << "read on after the file changed";
    } catch (const runtime::RuntimeError& e) {
        EXPECT_EQ(e.description(), QStringLiteral("Registrierungsstruktur \u201E%1\u201C wurde beim Lesen geändert; sie "
                                                  "wird beim nächsten Besuch einer Seite neu gelesen")
                                       .arg(path));
    }
    // What was read before the change is still answered as it was.
    EXPECT_EQ(valueText(hive, u"SYSTEM\\ControlSet001\\Media", u"Name"), QStringLiteral("Win"));

    const QString replaced = dir.filePath(QStringLiteral("SOFTWARE"));
    QFile::copy(path, replaced);
    const Hive kept(replaced);
    QFile other(dir.filePath(QStringLiteral("neu")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write(QByteArray(20000, 'z'));
    other.close();
    ASSERT_EQ(::rename(QFile::encodeName(other.fileName()).constData(), QFile::encodeName(replaced).constData()), 0);
    EXPECT_EQ(valueText(kept, u"SYSTEM\\ControlSet001\\Kante", u"Irgendwas"), QString());
    EXPECT_EQ(valueText(kept, u"SYSTEM\\ControlSet001\\Media", u"Name"), QStringLiteral("Win"));

    // A hive larger than the cache is read through with the cache's pages only.
    QByteArray many(4096 * (HiveSource::CachedPages + 50), 'p');
    auto source = HiveSource::ofCopy(copyOf(many));
    char byte;
    for (std::int64_t page = 0; page < std::int64_t(HiveSource::CachedPages) + 50; ++page)
        ASSERT_TRUE(source->read(page * 4096, &byte, 1));
    ASSERT_TRUE(source->read(0, &byte, 1));  // evicted: read again
    EXPECT_EQ(source->bytesRead(), std::int64_t(4096) * (HiveSource::CachedPages + 51));
}
