// The real images beside the repository (made by Windows, Hyper-V, VMware,
// VirtualBox, QEMU, forensic tools): none holds Windows' registry, so each
// must be named for what it is, with exit code 1, without a crash or a hang.
#include "ProgramRun.h"
#include "SharedSamples.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

struct Sample {
    const char* path;  // under ../shared/real-images; ".gz" files are unpacked first unless `packed`
    const char* says;
    bool packed = false;
};

const Sample kSamples[] = {
    {"dfvfs/bdetogo.raw", "ist mit BitLocker verschlüsselt und nicht zu öffnen: das Abbild ist abgeschnitten"},
    {"dfvfs/bogus.001", "passt zu keinem bekannten Format"},
    {"dfvfs/ext2.E01", "(E01) enthält keine Windows-Installation: keine Partitionstabelle; Dateisystem: ext2"},
    {"dfvfs/ext2.qcow2", "(qcow2) enthält keine Windows-Installation: keine Partitionstabelle; Dateisystem: ext2"},
    {"dfvfs/ext2.split.E02", "(E01) enthält keine Windows-Installation: keine Partitionstabelle; Dateisystem: ext2"},
    {"dfvfs/ext2.splitraw.001", "(Rohabbild) enthält keine Windows-Installation: keine Partitionstabelle; Dateisystem: ext2"},
    {"dfvfs/ext2.vhd", "(VHD) enthält keine Windows-Installation: keine Partitionstabelle; Dateisystem: ext2"},
    {"dfvfs/ext2.vmdk", "(VMDK) enthält keine Windows-Installation: keine Partitionstabelle; Dateisystem: ext2"},
    {"dfvfs/fat-differential.vhd", "braucht sein Basisabbild \u201Efat-parent.vhd\u201C (gesucht neben"},
    {"dfvfs/hfsplus.raw", "ist ein Mac-Dateisystem (HFS+)"},
    {"dfvfs/image-differential.vhd", "(VHD) enthält keine Windows-Installation: keine Partitionstabelle; Dateisystem: ext2"},
    {"dfvfs/image-split.E02", "MBR-Partitionstabelle; Partition 1: unbekannt, Partition 5: ext2"},
    {"dfvfs/image.raw.001", "Dateisystem: ext2"},
    {"dfvfs/iso9660.raw", "ist ein CD- oder DVD-Abbild (ISO 9660)"},
    {"dfvfs/lvm.qcow2", "LVM-Datenträger: Tessera liest keine logischen Volumes; mit \u201Esudo vgchange -ay\u201C"},
    {"dfvfs/lvmtest.qcow2", "LVM-Datenträger"},
    {"dfvfs/mbr.raw", "MBR-Partitionstabelle"},
    {"dfvfs/vsstest.qcow2", "NTFS ohne Windows-Installation"},
    {"dfvfs/windows_volume.qcow2", "NTFS ohne Windows-Installation"},
    {"dfvfs/\u00EDmynd.dd", "Dateisystem: ext2"},
    {"dissect.hypervisor/basic-zstd.qcow2.gz", "nutzt zstd-Kompression, was Tessera nicht liest; mit \u201Eqemu-img convert -O qcow2"},
    {"dissect.hypervisor/basic.qcow2.gz", "(qcow2) enthält keine Windows-Installation"},
    {"dissect.hypervisor/basic.vdi.gz", "(VDI) enthält keine Windows-Installation"},
    {"dissect.hypervisor/basic.vdi.gz", "ist mit gzip gepackt: erst entpacken", true},
    {"dissect.hypervisor/data-file.qcow2.gz", "nutzt eine externe Datendatei"},
    {"dissect.hypervisor/differencing.avhdx.gz", "braucht sein Basisabbild \u201EGeneration 1_49C4BAF3-4B25-4406-8C4B-D39E65C32385.avhdx\u201C"},
    {"dissect.hypervisor/dynamic.vhd.gz", "(VHD) enthält keine Windows-Installation: MBR-Partitionstabelle; Partition 1: NTFS ohne"},
    {"dissect.hypervisor/dynamic.vhdx.gz", "(VHDX) enthält keine Windows-Installation: MBR-Partitionstabelle; Partition 1: NTFS ohne"},
    {"dissect.hypervisor/fixed.vhd.gz", "(VHD) enthält keine Windows-Installation: MBR-Partitionstabelle; Partition 1: NTFS ohne"},
    {"dissect.hypervisor/fixed.vhdx.gz", "(VHDX) enthält keine Windows-Installation: MBR-Partitionstabelle; Partition 1: NTFS ohne"},
    {"dissect.hypervisor/sesparse.vmdk.gz", "im seSparse-Format (ESXi), den Tessera nicht liest"},
    {"dissect.hypervisor/snapshot.qcow2.gz", "(qcow2) enthält keine Windows-Installation"},
    {"dissect.hypervisor/expanding.hdd", "ist ein Parallels-Datenträger (.hdd), den Tessera nicht liest"},
    {"dissect.hypervisor/split.hdd/DiskDescriptor.xml", "beschreibt einen Parallels-Datenträger"},
    {"dissect.ntfs/boot_2m.bin.gz", "NTFS mit Clustern von 2 MiB, nicht lesbar\nEinzelheiten: libfsntfs: "},
    {"dissect.ntfs/ntfs.bin.gz", "Dateisystem: NTFS ohne Windows-Installation"},
    {"ntfs-samples/ntfs-2m.raw.gz", "Partition 1: NTFS ohne Windows-Installation"},
    {"ntfs-samples/ntfs-lastaccess.raw.gz", "Partition 1: NTFS ohne Windows-Installation"},
    {"ntfs-samples/ntfs.tgz", "ist mit gzip gepackt", true},
    {"bitlocker/aes_128.bin.gz", "ist mit BitLocker verschlüsselt (\u201EDESKTOP-QNI1MMF TestVolume 10/8/2021\u201C). Nennen Sie"},
    {"bitlocker/vista.bin.gz", "ist mit der BitLocker-Version von Windows Vista verschlüsselt"},
    // Told from its metadata and its moved first sectors, before any secret is asked for.
    {"bitlocker/eow_partial.bin.gz", "(\u201EDESKTOP-QNI1MMF TestVolume 10/12/2021\u201C), nur der belegte Speicherplatz, und die Verschlüsselung ist nicht abgeschlossen"},
};

void PrintTo(const Sample& s, std::ostream* out) { *out << s.path; }

class RealImage : public ::testing::TestWithParam<Sample> {};

// The message is German: a library's own words (its name, its English, an
// errno name) stand only on the line of details after it, and no bracket
// opens inside another.
void expectGermanMessage(const QString& err)
{
    const QString message = err.section(QStringLiteral("\nEinzelheiten: "), 0, 0);
    static const QRegularExpression library(QStringLiteral(
        "Sleuth Kit|libqcow|libvhdi|libvmdk|libfsntfs|libcryptsetup|hivex|OpenSSL|\\bE[A-Z]{3,}\\b|Error|error"));
    EXPECT_FALSE(message.contains(library)) << message.toStdString();
    int depth = 0, deepest = 0;
    for (QChar c : message) {
        if (c == u'(') deepest = std::max(deepest, ++depth);
        if (c == u')') --depth;
    }
    EXPECT_LE(deepest, 1) << message.toStdString();
}

}  // namespace

TEST_P(RealImage, IsNamedForWhatItIsWithExitCodeOne)
{
    const Sample& s = GetParam();
    const QString relative = QStringLiteral("real-images/") + QString::fromUtf8(s.path);
    const bool unpack = relative.endsWith(QLatin1String(".gz")) && !s.packed;
    const QString path = unpack ? unpackedSample(relative) : sharedSample(relative);
    SKIP_WITHOUT_SHARED(path);
    const ProgramRun run = runProgram({QStringLiteral("--quellen"), path});
    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(s.says))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QFileInfo(path).fileName())) << run.err.toStdString();
    expectGermanMessage(run.err);
}

INSTANTIATE_TEST_SUITE_P(Samples, RealImage, ::testing::ValuesIn(kSamples),
                         [](const ::testing::TestParamInfo<Sample>& info) {
                             QString name = QString::fromUtf8(info.param.path);
                             if (info.param.packed) name += QStringLiteral("_packed");
                             for (QChar& c : name)
                                 if (!c.isLetterOrNumber() || c.unicode() > 127) c = u'_';
                             return name.toStdString();
                         });
