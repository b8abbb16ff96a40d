// Every file told for what it is, from its first bytes: formats Tessera does
// not read, file systems in a partition, qcow2 features libqcow lacks, the
// segments of split raw images.
#include "disk/containers/DiskImage.h"
#include "disk/containers/ForeignFormat.h"
#include "disk/containers/QcowImage.h"
#include "disk/containers/SplitRaw.h"
#include "disk/filesystems/Volume.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

namespace {

QString written(const QTemporaryDir& dir, const QString& name, qint64 at, const QByteArray& bytes, qint64 size = 70000)
{
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray content(size, '\0');
    content.replace(at, bytes.size(), bytes);
    file.write(content);
    return file.fileName();
}

}  // namespace

TEST(FileKind, FormatsNotReadAreNamedWithWhatToDo)
{
    QTemporaryDir dir;
    struct Case {
        qint64 at;
        QByteArray bytes;
        const char* says;
    };
    const Case cases[] = {
        {0, "\x1F\x8B\x08", "ist mit gzip gepackt: erst entpacken, etwa mit \u201Egunzip -k f\u201C"},
        {0, QByteArray("\xFD" "7zXZ\x00", 6), "ist mit xz gepackt: erst entpacken, etwa mit \u201Eunxz -k f\u201C"},
        {0, "\x28\xB5\x2F\xFD", "ist mit zstd gepackt"},
        {0, "PK\x03\x04", "ist ein ZIP-Archiv: erst entpacken"},
        {0x8001, "CD001", "ist ein CD- oder DVD-Abbild (ISO 9660)"},
        {1024, QByteArray("H+\x00\x04", 4), "ist ein Mac-Dateisystem (HFS+)"},
        {32, "NXSB", "ist ein Mac-Dateisystem (APFS)"},
        {0, "WithoutFreeSpace", "ist ein Parallels-Datenträger, den Tessera nicht liest; mit \u201Eqemu-img convert -f parallels"},
        {0, "\xBE\xBA\xFE\xCA", "ist der Datenteil eines VMware-Snapshots im seSparse-Format"},
        {0, QByteArray("MSWIM\x00\x00\x00", 8), "ist ein Windows-Installationsabbild (WIM)"},
        {0, "hbin", "ist ein Stück einer Registrierungsstruktur"},
        {0, "<?xml version='1.0'?>\n<Parallels_disk_image Version=\"1.0\">", "beschreibt einen Parallels-Datenträger"},
    };
    for (const Case& c : cases) {
        const QString file = written(dir, QStringLiteral("f"), c.at, c.bytes);
        EXPECT_TRUE(disk::foreignFormatOf(file).startsWith(QString::fromUtf8(c.says)))
            << c.says << "\n" << disk::foreignFormatOf(file).toStdString();
        EXPECT_FALSE(disk::looksLikeDiskImage(file)) << c.says;
    }
    // What Tessera reads is none of these: a hive, a text, a disk.
    for (const QByteArray& readable : {QByteArray("regf"), QByteArray("REGEDIT4\r\n"), QByteArray("\x55\xAA")})
        EXPECT_TRUE(disk::foreignFormatOf(written(dir, QStringLiteral("r"), readable == "\x55\xAA" ? 510 : 0, readable))
                        .isEmpty());
    QDir(dir.path()).mkpath(QStringLiteral("win.hdd"));
    written(dir, QStringLiteral("win.hdd/DiskDescriptor.xml"), 0, "<Parallels_disk_image/>", 30);
    EXPECT_TRUE(disk::foreignFormatOf(dir.filePath(QStringLiteral("win.hdd"))).startsWith(QStringLiteral("ist ein Parallels-Datenträger")));
}

TEST(FileKind, FileSystemsBeyondWindowsAreNamedInAPartition)
{
    struct Case {
        std::size_t at;
        QByteArray bytes;
        const char* kind;
    };
    const Case cases[] = {
        {512, "LABELONE", "unbekannt"},  // the label alone is no LVM
        {0, QByteArray("LUKS\xBA\xBE", 6), "LUKS"},
        {0, "XFSB", "XFS"},
        {3, QByteArray("ReFS\0\0\0\0", 8), "ReFS"},
        {1024, QByteArray("H+\x00\x04", 4), "HFS+"},
        {32, "NXSB", "APFS"},
        {424, QByteArray("\x3B\xD6\x67\x49\x29\x2E\xD8\x4A\x83\x99\xF6\xA3\x39\xE3\xD0\x01", 16), "BitLocker"},
    };
    for (const Case& c : cases) {
        unsigned char head[2048] = {};
        std::memcpy(head + c.at, c.bytes.constData(), std::size_t(c.bytes.size()));
        EXPECT_EQ(disk::fileSystemOf(head), QLatin1String(c.kind)) << c.kind;
    }
    unsigned char lvm[2048] = {};
    std::memcpy(lvm + 512, "LABELONE", 8);
    std::memcpy(lvm + 536, "LVM2 001", 8);
    EXPECT_EQ(disk::fileSystemOf(lvm), QStringLiteral("LVM"));
}

TEST(FileKind, QcowFeaturesLibqcowLacksAreNamed)
{
    QTemporaryDir dir;
    auto header = [](std::uint64_t incompatible, int compression) {
        QByteArray h(112, '\0');
        h.replace(0, 4, "QFI\xFB");
        h[7] = 3;  // version 3
        for (int i = 0; i < 8; ++i) h[72 + i] = char(incompatible >> (56 - 8 * i));
        h[103] = 112;  // header length
        h[104] = char(compression);
        return h;
    };
    EXPECT_EQ(disk::qcowFeaturesNotRead(written(dir, QStringLiteral("q"), 0, header(0, 0), 512)), QString());
    EXPECT_EQ(disk::qcowFeaturesNotRead(written(dir, QStringLiteral("q"), 0, header(1 << 3, 1), 512)),
              QStringLiteral("nutzt zstd-Kompression"));
    EXPECT_EQ(disk::qcowFeaturesNotRead(written(dir, QStringLiteral("q"), 0, header(1 << 2 | 1 << 4, 0), 512)),
              QStringLiteral("nutzt eine externe Datendatei und erweiterte L2-Tabellen"));
}

TEST(FileKind, AnySegmentOfASplitImageLeadsToTheFirst)
{
    QTemporaryDir dir;
    for (const char* name : {"a.000", "a.001", "a.002", "b.001", "b.002", "c.img.aa", "c.img.ab", "d.001", "e.aa"})
        written(dir, QLatin1String(name), 0, "x", 1);
    const std::pair<const char*, const char*> cases[] = {
        {"a.002", "a.000"}, {"a.000", "a.000"}, {"b.002", "b.001"}, {"c.img.ab", "c.img.aa"},
        {"d.001", nullptr},  // one file is no set
        {"e.aa", nullptr},
    };
    for (const auto& [named, first] : cases) {
        const auto found = disk::firstSegmentOf(dir.filePath(QLatin1String(named)));
        if (first) EXPECT_EQ(found, dir.filePath(QLatin1String(first))) << named;
        else EXPECT_EQ(found, std::nullopt) << named;
    }
}
