// Differencing images followed to the end: qcow2, VMDK, VHD and VDI chains
// of three (Windows 2000 at the base, Windows 10 before its logs in the
// middle, Windows 10 with its logs on top), parents found by relative and
// Windows paths, and every way a chain can be broken.
#include "ErrorOf.h"
#include "SharedSamples.h"
#include "disk/containers/DiskImage.h"
#include "disk/containers/ParentChain.h"
#include "disk/containers/VhdLinkage.h"
#include "registry/ImageSource.h"
#include "registry/text/RegistrySource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>

using namespace registry;

namespace {

QString image(const QString& name) { return QStringLiteral(TESSERA_IMAGES "/") + name; }
QString absolute(const QString& name) { return QFileInfo(image(name)).absoluteFilePath(); }

// The whole disk, read through the chain, compared with the top machine's raw disk.
void expectSameBytes(const disk::DiskImage& chained, const QString& raw)
{
    QFile file(raw);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ASSERT_EQ(chained.size(), file.size());
    constexpr qint64 Chunk = 1 << 20;
    QByteArray mine(Chunk, '\0');
    for (qint64 at = 0; at < file.size(); at += Chunk) {
        const QByteArray theirs = file.read(Chunk);
        ASSERT_TRUE(chained.read(at, mine.data(), std::size_t(theirs.size()))) << "at " << at;
        ASSERT_EQ(QByteArrayView(mine).first(theirs.size()), QByteArrayView(theirs)) << "at byte " << at;
    }
}

}  // namespace

TEST(Chain, EveryFormatReadsItsTopMachineThroughAllParents)
{
    const std::pair<const char*, const char*> formats[] = {
        {"qcow2", "qcow2"}, {"vmdk", "vmdk"}, {"vhd", "vhd"}, {"vhdx", "avhdx"}, {"vdi", "vdi"}};
    for (const auto& [format, snapshot] : formats) {
        SCOPED_TRACE(format);
        const QString dir = QStringLiteral("chains/%1/").arg(QLatin1String(format));
        const QString top = image(dir + QStringLiteral("top.") + QLatin1String(snapshot));
        const disk::DiskImage chained(top);
        EXPECT_EQ(chained.files(),
                  (QStringList{top, absolute(dir + QStringLiteral("mid.") + QLatin1String(snapshot)),
                               absolute(dir + QStringLiteral("base.") + QLatin1String(format))}));
        expectSameBytes(chained, image(QStringLiteral("gpt-win10.raw")));
        // The installation is the top's: the logs replayed to 11, Windows 10's build.
        const ImageInstallation found(ImageName{top, -1});
        ASSERT_EQ(found.hives().size(), 2u);
        EXPECT_EQ(found.hives()[0]->replay().sequence, 11u);
        EXPECT_EQ(found.hives()[0]->imageLocation()->chain.size(), 3);
        const auto build = findValue(*found.hives()[1], u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"CurrentBuildNumber");
        ASSERT_TRUE(build);
        EXPECT_EQ(textOf(*build), QStringLiteral("22631"));
    }
}

// VDI alone, fixed and dynamic, and a VHD whose parent is only where its
// relative locator says (its absolute one names a Windows drive).
TEST(Chain, VdiAloneAndAParentFoundByItsRelativeLocator)
{
    for (const char* name : {"win10.vdi", "win10-fixed.vdi"}) {
        const disk::DiskImage vdi(image(QLatin1String(name)));
        EXPECT_EQ(vdi.format(), QStringLiteral("VDI"));
        expectSameBytes(vdi, image(QStringLiteral("gpt-win10.raw")));
    }
    const disk::DiskImage relative(image(QStringLiteral("chains/vhd-relative/child/top.vhd")));
    EXPECT_EQ(relative.files().value(1), absolute(QStringLiteral("chains/vhd-relative/base/base.vhd")));
    expectSameBytes(relative, image(QStringLiteral("gpt-win10.raw")));
}

TEST(Chain, AMissingParentIsNamedWithWhereItWasSought)
{
    const std::pair<const char*, const char*> cases[] = {
        {"broken/missing/top.qcow2", "mid.qcow2"},
        {"broken/missing/top.vhd", "mid.vhd"},
        {"broken/missing/top.vmdk", "mid.vmdk"},
    };
    for (const auto& [name, parent] : cases) {
        SCOPED_TRACE(name);
        try {
            const disk::DiskImage opened(image(QLatin1String(name)));
            ADD_FAILURE() << "opened without its parent";
        } catch (const disk::MissingParent& missing) {
            EXPECT_EQ(missing.child(), image(QLatin1String(name)));
            EXPECT_EQ(missing.parentName(), QLatin1String(parent));
            EXPECT_EQ(missing.searched(), QStringList{absolute(QStringLiteral("broken/missing/")) + QLatin1String(parent)});
            EXPECT_EQ(missing.number(), int(0x80070002u));
            EXPECT_EQ(missing.description(),
                      QStringLiteral("Datenträgerabbild \u201E%1\u201C braucht sein Basisabbild \u201E%2\u201C (gesucht "
                                     "neben \u201E%1\u201C)")
                          .arg(image(QLatin1String(name)), QLatin1String(parent)));
        }
    }
    // A VirtualBox snapshot names its parent by UUID: the .vdi files beside it and above it were searched.
    try {
        const disk::DiskImage opened(image(QStringLiteral("broken/vdi/Snapshots/top.vdi")));
        ADD_FAILURE() << "opened without its parent";
    } catch (const disk::MissingParent& missing) {
        EXPECT_TRUE(missing.parentName().startsWith(u'{')) << missing.parentName().toStdString();
        EXPECT_EQ(missing.searched(), (QStringList{absolute(QStringLiteral("broken/vdi/Snapshots/*.vdi")),
                                                   absolute(QStringLiteral("broken/vdi/*.vdi"))}));
    }
}

TEST(Chain, AWrongParentALoopAndTooManyParentsAreRefused)
{
    const std::pair<const char*, QString> cases[] = {
        {"broken/wrong/top.vhd",
         QStringLiteral("baut nicht auf \u201E%1\u201C auf, das als sein Basisabbild gefunden wurde: seine Kennung ist ")
             .arg(absolute(QStringLiteral("broken/wrong/mid.vhd")))},
        {"broken/loop/a.qcow2", QStringLiteral("hat eine Kette von Basisabbildern, die im Kreis führt")},
        {"broken/deep/d33.qcow2", QStringLiteral("hat mehr als 32 Basisabbilder hintereinander")},
    };
    for (const auto& [name, says] : cases) {
        SCOPED_TRACE(name);
        const QString path = image(QLatin1String(name));  // a lambda may not capture a structured binding (clang 14)
        const auto [number, told] = errorOf([&] { disk::DiskImage opened(path); });
        EXPECT_EQ(number, int(0x8007000Du));
        EXPECT_TRUE(told.startsWith(QStringLiteral("Datenträgerabbild \u201E%1\u201C ").arg(path))) << told.toStdString();
        EXPECT_TRUE(told.contains(says)) << told.toStdString();
    }
    // 32 parents are still followed.
    EXPECT_EQ(disk::DiskImage(image(QStringLiteral("broken/deep/d32.qcow2"))).files().size(), 33);
}

// A VDI's fields, and where a qcow2's clusters lie, are checked before any block is read.
TEST(Chain, ADamagedVdiOrQcowIsToldNeverReadPast)
{
    const std::pair<const char*, const char*> cases[] = {
        {"broken/cut.qcow2", "ist abgeschnitten: ein Cluster (bei Byte "},
        {"broken/cut.vdi", "ist abgeschnitten: Block 67 reicht bis Byte"},
        {"broken/bad-map.vdi", "ist beschädigt (VDI): Block 3 zeigt auf Block 75 von 68"},
        {"broken/bad-size.vdi", "ist beschädigt (VDI): 68 Blöcke zu 1048576 Bytes passen nicht zur Größe"},
    };
    for (const auto& [name, says] : cases) {
        const QString path = image(QLatin1String(name));
        const auto [number, told] = errorOf([&] { disk::DiskImage opened(path); });
        EXPECT_TRUE(told.contains(QString::fromUtf8(says))) << told.toStdString();
    }
}

// A sparse VMDK whose header puts its descriptor past any sane size: refused
// before libvmdk reads it (libvmdk would read an extent name from there and
// run past it).
TEST(Chain, AVmdkWhoseHeaderMisplacesItsDescriptorIsRefused)
{
    QTemporaryDir dir;
    QByteArray vmdk(4096, '\0');
    std::memcpy(vmdk.data(), "KDMV\x01\0\0\0\x03\0\0\0", 12);
    vmdk[28] = 1;                                    // descriptor at sector 1,
    std::memcpy(vmdk.data() + 36, "\x14\0\0\0\0\0\0v", 8);  // 0x76000000'00000014 sectors long
    const QByteArray descriptor = "# Disk DescriptorFile\nversion=1\ncreateType=\"monolithicSparse\"\n"
                                  "RW 6144 SPARSE \"top.vmdk\"\n";
    vmdk.replace(512, descriptor.size(), descriptor);
    const QString path = dir.filePath(QStringLiteral("top.vmdk"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(vmdk);
    f.close();
    const auto [number, told] = errorOf([&] { disk::DiskImage opened(path); });
    EXPECT_TRUE(told.contains(QStringLiteral("ist beschädigt (VMDK): sein Kopf legt die Beschreibung an eine unmögliche Stelle")))
        << told.toStdString();
}

TEST(Chain, ParentsAreSoughtWhereTheChildSaysThenBesideIt)
{
    const QString child = QStringLiteral("/vm/disks/child.vhdx");
    EXPECT_EQ(disk::parentCandidates(child, {QStringLiteral("..\\base\\parent.vhdx"),
                                             QStringLiteral("C:\\Hyper-V\\parent.vhdx")}),
              (QStringList{QStringLiteral("/vm/base/parent.vhdx"), QStringLiteral("/vm/disks/parent.vhdx")}));
    EXPECT_EQ(disk::parentCandidates(child, {QStringLiteral("/srv/images/base.qcow2")}),
              (QStringList{QStringLiteral("/srv/images/base.qcow2"), QStringLiteral("/vm/disks/base.qcow2")}));
    EXPECT_EQ(disk::parentCandidates(child, {QStringLiteral("\\\\?\\Volume{1234}\\x\\p.vhdx"), QString()}),
              QStringList{QStringLiteral("/vm/disks/p.vhdx")});
}

// A checkpoint of a disk over 4 GiB: the chunk past 4 GiB has no sector
// bitmap, as Hyper-V leaves a region unwritten since the checkpoint; it is
// the parent's (zeros), not the checkpoint file's own bytes.
TEST(Chain, AnUnwrittenRegionOfAHyperVCheckpointIsItsParents)
{
    const QString top = image(QStringLiteral("chains/vhdx-large/top.avhdx"));
    const disk::DiskImage chained(top);
    EXPECT_EQ(chained.size(), 5LL << 30);
    QByteArray past(1 << 20, '\x55');
    for (std::int64_t at : {4LL << 30, (4LL << 30) + (512LL << 20), (5LL << 30) - (1 << 20)}) {
        ASSERT_TRUE(chained.read(at, past.data(), std::size_t(past.size())));
        EXPECT_EQ(past, QByteArray(1 << 20, '\0')) << "at " << at;
    }
    const ImageInstallation found(ImageName{top, -1});
    EXPECT_EQ(found.hives()[0]->replay().sequence, 11u);
}

// A real Hyper-V checkpoint (Windows Server 2019) whose parent is not there.
TEST(Chain, ARealHyperVCheckpointNamesTheParentItNeeds)
{
    const QString avhdx = unpackedSample(QStringLiteral("real-images/dissect.hypervisor/differencing.avhdx.gz"));
    SKIP_WITHOUT_SHARED(avhdx);
    const disk::VhdLinkage link = disk::readVhdLinkage(avhdx);
    EXPECT_TRUE(link.fault.isEmpty()) << link.fault.toStdString();
    EXPECT_TRUE(link.parentIds.contains(QStringLiteral("ff34003b-11ed-4cf8-a166-b2be05e20b80")));
    EXPECT_TRUE(link.parentNames.contains(QStringLiteral(
        "C:\\Users\\Public\\Documents\\Hyper-V\\Virtual hard disks\\Generation 1_49C4BAF3-4B25-4406-8C4B-D39E65C32385.avhdx")));
    const auto [number, told] = errorOf([&] { disk::DiskImage opened(avhdx); });
    EXPECT_EQ(told, QStringLiteral("Datenträgerabbild \u201E%1\u201C braucht sein Basisabbild \u201EGeneration "
                                   "1_49C4BAF3-4B25-4406-8C4B-D39E65C32385.avhdx\u201C (gesucht neben \u201E%1\u201C)")
                        .arg(avhdx));
}

// A real differencing VHD (made by qemu) with its parent beside it: ext2 through the parent.
TEST(Chain, ARealDifferencingVhdReadsThroughItsParent)
{
    const QString child = sharedSample(QStringLiteral("real-images/dfvfs/image-differential.vhd"));
    SKIP_WITHOUT_SHARED(child);
    const disk::DiskImage chained(child);
    EXPECT_EQ(chained.files(), (QStringList{child, QFileInfo(child).absoluteDir().filePath(QStringLiteral("image.vhd"))}));
    char super[2] = {};
    ASSERT_TRUE(chained.read(1080, super, 2));
    EXPECT_EQ(QByteArray(super, 2), QByteArray("\x53\xEF"));  // ext2's magic, which only the parent holds
}

// A snapshot copied away from its parents: the parent the user names is
// tried first and the chain followed on from it; a file that does not open
// as its parent (the snapshot itself) is a wrong parent, named as chosen.
TEST(Chain, AParentTheUserNamesIsTriedFirst)
{
    for (const char* format : {"qcow2", "vhd", "vmdk", "vdi"}) {
        SCOPED_TRACE(format);
        QTemporaryDir dir;
        const QString top = dir.filePath(QStringLiteral("top.") + QLatin1String(format));
        ASSERT_TRUE(QFile::copy(image(QStringLiteral("chains/%1/top.%1").arg(QLatin1String(format))), top));
        EXPECT_THROW(disk::DiskImage{top}, disk::MissingParent);

        disk::giveParent(top, top);
        try {
            const disk::DiskImage opened(top);
            ADD_FAILURE() << "opened on itself";
        } catch (const disk::WrongParent& wrong) {
            EXPECT_EQ(wrong.parent(), top);
            EXPECT_TRUE(wrong.description().contains(QStringLiteral("das als sein Basisabbild gewählt wurde")))
                << wrong.description().toStdString();
        } catch (const disk::MissingParent&) {
            // a VDI snapshot is told its parent by UUID: itself is no candidate
            EXPECT_EQ(QLatin1String(format), QLatin1String("vdi"));
        }

        const QString mid = absolute(QStringLiteral("chains/%1/mid.%1").arg(QLatin1String(format)));
        disk::giveParent(top, mid);
        const disk::DiskImage opened(top);
        ASSERT_GE(opened.files().size(), 3);
        EXPECT_EQ(opened.files()[1], mid);
        disk::forgetGivenParent(top);
        EXPECT_TRUE(disk::givenParent(top).isNull());
    }
}
