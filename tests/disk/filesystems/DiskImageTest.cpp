// Windows disks as people hold them: one GPT disk as raw, qcow2 (and a qcow2
// overlay on it), VHD, VHDX, VMDK and E01; Windows 2000 on MBR, a partition's
// image, two installations, no Windows, BitLocker, damaged images.
#include "ErrorOf.h"
#include "RegistryFile.h"
#include "disk/containers/DiskImage.h"
#include "disk/filesystems/Partitions.h"
#include "disk/SizeInWords.h"
#include "disk/filesystems/Volume.h"
#include "registry/ImageSource.h"
#include "registry/text/RegistrySource.h"
#include "registry/SeveralInstallations.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

using namespace registry;

namespace {

QString image(const char* name) { return QStringLiteral(TESSERA_IMAGES "/") + QLatin1String(name); }

std::shared_ptr<const ImageInstallation> installation(const QString& source)
{
    const auto name = imageNamed(source);
    EXPECT_TRUE(name.has_value()) << source.toStdString();
    return name ? std::make_shared<const ImageInstallation>(*name) : nullptr;
}

std::optional<std::uint32_t> dword(const Hive& hive, QStringView key, QStringView value)
{
    const auto v = findValue(hive, key, value);
    return v ? dwordOf(*v) : std::nullopt;
}

QString text(const Hive& hive, QStringView key, QStringView value)
{
    const auto v = findValue(hive, key, value);
    return v ? textOf(*v).value_or(QString()) : QString();
}

const QStringView kMemory = u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
const QStringView kVersion = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

}  // namespace

// The same Windows 10 disk in every container: the GPT Windows partition,
// its hives with their logs replayed.
TEST(DiskImage, EveryContainerFormatShowsTheSameInstallation)
{
    for (const char* name : {"gpt-win10.raw", "win10.qcow2", "win10-overlay.qcow2", "win10.vhd", "win10.vhdx",
                             "win10.vmdk", "win10.E01", "win10.vdi", "win10-fixed.vdi", "vmdk-streamOptimized/win10.vmdk",
                             "vmdk-twoGbMaxExtentSparse/win10.vmdk", "vmdk-monolithicFlat/win10.vmdk",
                             "split-numbered/win10.raw.000", "split-numbered/win10.raw.002", "split-lettered/win10.img.ab"}) {
        SCOPED_TRACE(name);
        const auto found = installation(image(name));
        ASSERT_TRUE(found);
        EXPECT_EQ(found->partition(), 3);
        ASSERT_EQ(found->hives().size(), 2u);
        const Hive& system = *found->hives()[0];
        const Hive& software = *found->hives()[1];
        EXPECT_EQ(system.kind(), Hive::Kind::System);
        ASSERT_TRUE(system.imageLocation().has_value());
        EXPECT_EQ(system.imageLocation()->image, image(name));
        EXPECT_EQ(system.imageLocation()->partition, 3);
        EXPECT_EQ(system.imageLocation()->inside, QStringLiteral("\\Windows\\System32\\config\\SYSTEM"));
        EXPECT_EQ(system.path(), image(name) + QStringLiteral("@3:\\Windows\\System32\\config\\SYSTEM"));
        // The logs came out of the image with the hives.
        EXPECT_EQ(system.replay().sequence, 11u);
        EXPECT_EQ(system.replayNotice(), std::nullopt);
        EXPECT_EQ(dword(system, kMemory, u"LargeSystemCache"), 1u);
        EXPECT_EQ(text(software, kVersion, u"CurrentBuildNumber"), QStringLiteral("22631"));
    }
}

TEST(DiskImage, PartitionsAreNumberedAsFdiskCountsThem)
{
    const disk::DiskImage gpt(image("gpt-win10.raw"));
    const disk::PartitionTable table = disk::partitionsOf(gpt);
    EXPECT_EQ(table.kind, QStringLiteral("GPT"));
    ASSERT_EQ(table.partitions.size(), 4u);
    EXPECT_EQ(table.partitions[0].number, 1);
    EXPECT_EQ(table.partitions[0].start, 2048 * 512);
    EXPECT_EQ(table.partitions[2].number, 3);
    EXPECT_EQ(table.partitions[2].size, 40960 * 512);
    const disk::PartitionTable mbr = disk::partitionsOf(disk::DiskImage(image("two-windows.raw")));
    EXPECT_EQ(mbr.kind, QStringLiteral("MBR"));
    std::vector<int> numbers;
    for (const auto& p : mbr.partitions) numbers.push_back(p.number);
    EXPECT_EQ(numbers, (std::vector<int>{1, 5}));  // the extended container is no partition of its own
    // What Windows names volumes by: a GPT partition's own GUID, an MBR disk's signature.
    EXPECT_EQ(table.partitions[2].guid, QStringLiteral("3f2504e0-4f89-41d3-9a0c-0305e82c3301"));
    EXPECT_EQ(table.mbrSignature, 0u);
    EXPECT_EQ(mbr.mbrSignature, 0x1badcafeu);
    EXPECT_TRUE(mbr.partitions[0].guid.isEmpty());
    // A damaged primary table: the backup's entries hold the GUIDs as well.
    const disk::PartitionTable backup = disk::partitionsOf(disk::DiskImage(image("gpt-primary-damaged.raw")));
    ASSERT_EQ(backup.partitions.size(), 4u);
    EXPECT_EQ(backup.partitions[2].guid, table.partitions[2].guid);
    EXPECT_EQ(disk::sizeInWords(20 * 1024 * 1024), QStringLiteral("20 MiB"));
    EXPECT_EQ(disk::sizeInWords(1536LL * 1024 * 1024), QStringLiteral("1,5 GiB"));
}

// Windows 2000's lower-case names on MBR; a partition's image alone, with or without @1.
TEST(DiskImage, MbrAndAPartitionImage)
{
    const auto win2000 = installation(image("mbr-win2000.raw"));
    ASSERT_TRUE(win2000);
    EXPECT_EQ(win2000->partition(), 1);
    ASSERT_EQ(win2000->hives().size(), 2u);
    EXPECT_EQ(win2000->hives()[0]->imageLocation()->inside, QStringLiteral("\\WINNT\\system32\\config\\system"));
    EXPECT_EQ(text(*win2000->hives()[1], kVersion, u"CurrentVersion"), QStringLiteral("5.0"));
    for (const QString& source : {image("partition.img"), image("partition.img") + QStringLiteral("@1")}) {
        const auto alone = installation(source);
        ASSERT_TRUE(alone);
        EXPECT_EQ(alone->partition(), 0);
        EXPECT_EQ(alone->hives().size(), 2u);
    }
}

// Two installations: neither is chosen for the user; the question lists them
// (a Windows 11 by its build, though its ProductName says 10), and @N chooses.
TEST(DiskImage, TwoInstallationsAreListedAndChosenWithAnAt)
{
    const auto [number, told] = errorOf([] { installation(image("two-windows.raw")); });
    EXPECT_EQ(number, int(0x8007000Du));
    for (const QString& says :
         {QStringLiteral("\u201E%1\u201C enthält 2 Windows-Installationen").arg(image("two-windows.raw")),
          QStringLiteral("Partition 1: Beginn 1 MiB, Größe 20 MiB, Bezeichnung \u201EWindows\u201C, Windows 11 Pro 22H2 (Build 22631)"),
          QStringLiteral("Partition 5: Beginn 22 MiB, Größe 16 MiB, Bezeichnung \u201ESYSTEM\u201C, Microsoft Windows 2000 Service Pack 4 (Build 2195)"),
          QStringLiteral("\u201Etessera %1@5\u201C").arg(image("two-windows.raw"))})
        EXPECT_TRUE(told.contains(says)) << says.toStdString() << "\n" << told.toStdString();
    try {
        installation(image("two-windows.raw"));
        ADD_FAILURE() << "no question";
    } catch (const registry::SeveralInstallations& question) {
        EXPECT_EQ(question.source(), image("two-windows.raw"));
        ASSERT_EQ(question.installations().size(), 2u);
        EXPECT_EQ(question.installations()[1].partition, 5);
        EXPECT_EQ(question.installations()[1].size, 16 * 1024 * 1024);
        EXPECT_EQ(question.installations()[1].label, QStringLiteral("SYSTEM"));
        EXPECT_EQ(question.sourceFor(1), image("two-windows.raw") + QStringLiteral("@5"));
    }

    const auto five = installation(image("two-windows.raw") + QStringLiteral("@5"));
    ASSERT_TRUE(five);
    EXPECT_EQ(text(*five->hives()[1], kVersion, u"CurrentBuildNumber"), QStringLiteral("2195"));
    const auto missing = errorOf([] { installation(image("two-windows.raw") + QStringLiteral("@2")); });
    EXPECT_EQ(missing.second, QStringLiteral("\u201E%1@2\u201C: das Abbild hat keine Partition 2 (es hat: 1, 5)")
                                  .arg(image("two-windows.raw")));
    const auto esp = errorOf([] { installation(image("gpt-win10.raw") + QStringLiteral("@1")); });
    EXPECT_EQ(esp.second, QStringLiteral("Partition 1 von \u201E%1\u201C enthält keine Windows-Installation (FAT32)")
                              .arg(image("gpt-win10.raw")));
}

TEST(DiskImage, WhatAnImageWithoutWindowsHoldsIsNamed)
{
    const auto [number, told] = errorOf([] { installation(image("no-windows.raw")); });
    EXPECT_EQ(number, int(0x80070002u));
    EXPECT_EQ(told, QStringLiteral("Datenträgerabbild \u201E%1\u201C (Rohabbild) enthält keine Windows-Installation: "
                                   "GPT-Partitionstabelle; Partition 1: FAT32, Partition 2: ext4, Partition 3: NTFS "
                                   "ohne Windows-Installation, Partition 4: unbekannt")
                        .arg(image("no-windows.raw")));
    const auto bitLocker = errorOf([] { installation(image("bitlocker.raw")); });
    for (const char* says : {"Partition 2 von", "ist mit BitLocker verschlüsselt", "nicht zu öffnen",
                             "keine ihrer drei Kopien der BitLocker-Metadaten ist lesbar"})
        EXPECT_TRUE(bitLocker.second.contains(QString::fromUtf8(says))) << says << "\n" << bitLocker.second.toStdString();
}

// A partition's kind from its first 2 KiB: the signatures, at their offsets.
TEST(DiskImage, FileSystemsAreNamedFromTheirSignatures)
{
    struct Case {
        std::size_t at;
        const char* bytes;
        const char* kind;
    };
    const Case cases[] = {
        {3, "NTFS    ", "NTFS"},       {3, "-FVE-FS-", "BitLocker"}, {3, "EXFAT   ", "exFAT"},
        {82, "FAT32   ", "FAT32"},     {54, "FAT16   ", "FAT16"},     {54, "FAT12   ", "FAT12"},
        {1024 + 56, "\x53\xEF", "ext2"}, {0, "", "unbekannt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        unsigned char head[2048] = {};
        head[510] = 0x55, head[511] = 0xAA;
        std::memcpy(head + c.at, c.bytes, std::strlen(c.bytes));
        EXPECT_EQ(disk::fileSystemOf(head), QLatin1String(c.kind));
    }
    // A FAT name without the boot sector's end mark is no FAT.
    unsigned char head[2048] = {};
    std::memcpy(head + 82, "FAT32   ", 8);
    EXPECT_EQ(disk::fileSystemOf(head), QStringLiteral("unbekannt"));
    // ext: a journal makes ext3; extents, 64-bit or flexible block groups ext4.
    head[1024 + 56] = 0x53, head[1024 + 57] = 0xEF;
    head[1024 + 92] = 0x4;
    EXPECT_EQ(disk::fileSystemOf(head), QStringLiteral("ext3"));
    for (unsigned char incompat : {0x40, 0x80}) {
        head[1024 + 96] = incompat;
        EXPECT_EQ(disk::fileSystemOf(head), QStringLiteral("ext4"));
    }
    head[1024 + 96] = 0, head[1024 + 97] = 0x2;
    EXPECT_EQ(disk::fileSystemOf(head), QStringLiteral("ext4"));
}

// Damaged images: a German error that names the file and the fault, never a crash.
TEST(DiskImage, DamagedImagesGiveAClearError)
{
    const std::pair<const char*, const char*> cases[] = {
        {"cut-in-partition.raw", "Partition 3: NTFS, beschädigt"},
        {"cut-in-hive.raw", "das Abbild ist abgeschnitten"},
        {"past-end.raw", "das Abbild ist abgeschnitten"},
        {"broken-record.raw", "\\Windows\\System32\\config\\SYSTEM\u201C ist nicht lesbar"},
        {"garbage.raw", "enthält keine Windows-Installation: keine Partitionstabelle; Dateisystem: unbekannt"},
    };
    for (const auto& [name, says] : cases) {
        SCOPED_TRACE(name);
        const QString path = image(name);
        const auto [number, told] = errorOf([&] { installation(path); });
        EXPECT_NE(number, 0);
        EXPECT_TRUE(told.contains(path)) << told.toStdString();
        EXPECT_TRUE(told.contains(QString::fromUtf8(says))) << told.toStdString();
    }
}

// A folder's index that claims 608 GiB: The Sleuth Kit is refused the buffer it
// sizes by that claim, and the folder is told unreadable. Without the bound the
// library asks for the memory itself, which a sanitizer stops the process for,
// and its own words would not mention the refusal.
TEST(DiskImage, AnIndexOfImpossibleSizeIsRefusedNotAllocated)
{
    const QString path = image("huge-index.raw");
    try {
        installation(path);
        ADD_FAILURE() << "opened";
    } catch (const runtime::RuntimeError& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("Partition 3: NTFS, beschädigt (ein Ordner ist nicht lesbar)")))
            << e.description().toStdString();
        EXPECT_TRUE(e.details().contains(QStringLiteral("652835160064 bytes refused"))) << e.details().toStdString();
    }
}

// Images are told by content; devices that are no block devices are not images.
TEST(DiskImage, ImagesAreToldByContent)
{
    QTemporaryDir dir;
    const QString renamed = dir.filePath(QStringLiteral("sicherung.reg"));
    ASSERT_TRUE(QFile::copy(image("win10.qcow2"), renamed));
    EXPECT_TRUE(disk::looksLikeDiskImage(renamed));
    EXPECT_TRUE(imageNamed(renamed).has_value());
    for (const char* name : {"partition.img", "win10.vhdx", "win10.E01", "win10.vmdk", "gpt-win10.raw"})
        EXPECT_TRUE(disk::looksLikeDiskImage(image(name))) << name;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& no : {fixture(QStringLiteral("hives/win10/Windows/System32/config/SYSTEM")),
                              fixture(QStringLiteral("registry/export5-utf16.reg")), image("empty.img"),
                              QStringLiteral("/dev/null"), fifo})
        EXPECT_FALSE(disk::looksLikeDiskImage(no)) << no.toStdString();
    // A file whose name merely ends in @N is no partition of an image.
    EXPECT_FALSE(imageNamed(fixture(QStringLiteral("shell/first.reg@2"))).has_value());
}

// A block device, where the machine lets a test make one.
TEST(DiskImage, ALoopDeviceIsReadLikeAnImage)
{
    if (::geteuid() != 0) GTEST_SKIP() << "a loop device needs root";
    QProcess attach;
    attach.start(QStringLiteral("losetup"), {QStringLiteral("-r"), QStringLiteral("-f"), QStringLiteral("--show"),
                                              image("gpt-win10.raw")});
    if (!attach.waitForFinished(10000) || attach.exitCode() != 0)
        GTEST_SKIP() << "no loop device here: " << attach.readAllStandardError().toStdString();
    const QString device = QString::fromLocal8Bit(attach.readAllStandardOutput()).trimmed();
    struct Detach {
        QString device;
        ~Detach() { QProcess::execute(QStringLiteral("losetup"), {QStringLiteral("-d"), device}); }
    } detach{device};
    EXPECT_TRUE(disk::looksLikeDiskImage(device));
    const auto found = installation(device);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->partition(), 3);
    EXPECT_EQ(found->hives().size(), 2u);
}

// An NTFS with clusters of 2 MiB, which The Sleuth Kit refuses, read with libfsntfs.
TEST(DiskImage, AnNtfsWithLargeClustersIsRead)
{
    const auto found = installation(image("ntfs-2m.img"));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->partition(), 0);
    ASSERT_EQ(found->hives().size(), 2u);
    EXPECT_EQ(found->hives()[0]->replay().sequence, 11u);  // with both logs
    EXPECT_EQ(dword(*found->hives()[0], kMemory, u"LargeSystemCache"), 1u);
    const disk::DiskImage raw(image("ntfs-2m.img"));
    const disk::Volume volume(raw, disk::partitionsOf(raw).partitions.front());
    EXPECT_EQ(volume.clusterSize(), 2 << 20);
    EXPECT_EQ(volume.label(), QStringLiteral("Windows"));
}
