#include "disk/containers/ForeignFormat.h"

#include "disk/FileBytes.h"

#include <QDir>
#include <QFileInfo>

namespace disk {

namespace {

struct Signature {
    qsizetype at;
    const char* bytes;
    qsizetype length;
    const char* what;  // %1: the file's name
};

// Packed: "erst entpacken" with the command that keeps the packed file.
const Signature kPacked[] = {
    {0, "\x1F\x8B", 2, "ist mit gzip gepackt: erst entpacken, etwa mit \u201Egunzip -k %1\u201C, und das entpackte Abbild nennen"},
    {0, "\xFD" "7zXZ\x00", 6, "ist mit xz gepackt: erst entpacken, etwa mit \u201Eunxz -k %1\u201C, und das entpackte Abbild nennen"},
    {0, "\x28\xB5\x2F\xFD", 4, "ist mit zstd gepackt: erst entpacken, etwa mit \u201Eunzstd %1\u201C, und das entpackte Abbild nennen"},
    {0, "BZh", 3, "ist mit bzip2 gepackt: erst entpacken, etwa mit \u201Ebunzip2 -k %1\u201C, und das entpackte Abbild nennen"},
    {0, "PK\x03\x04", 4, "ist ein ZIP-Archiv: erst entpacken, etwa mit \u201Eunzip %1\u201C, und das entpackte Abbild nennen"},
    {0, "7z\xBC\xAF\x27\x1C", 6, "ist ein 7-Zip-Archiv: erst entpacken, etwa mit \u201E7z x %1\u201C, und das entpackte Abbild nennen"},
    {0, "Rar!\x1A\x07", 6, "ist ein RAR-Archiv: erst entpacken, etwa mit \u201Eunrar x %1\u201C, und das entpackte Abbild nennen"},
};

const Signature kOthers[] = {
    {0x8001, "CD001", 5, "ist ein CD- oder DVD-Abbild (ISO 9660); darauf liest Tessera keine Windows-Registrierung"},
    {0x8001, "BEA01", 5, "ist ein CD-, DVD- oder Blu-ray-Abbild (UDF); darauf liest Tessera keine Windows-Registrierung"},
    {1024, "H+\x00\x04", 4, "ist ein Mac-Dateisystem (HFS+), kein Windows-Datenträger"},
    {1024, "HX\x00\x05", 4, "ist ein Mac-Dateisystem (HFSX), kein Windows-Datenträger"},
    {32, "NXSB", 4, "ist ein Mac-Dateisystem (APFS), kein Windows-Datenträger"},
    {65600, "_BHRfS_M", 8, "ist ein Linux-Dateisystem (Btrfs), kein Windows-Datenträger"},
    {0, "hsqs", 4, "ist ein Linux-Dateisystem (SquashFS), kein Windows-Datenträger"},
    {4086, "SWAPSPACE2", 10, "ist ein Linux-Auslagerungsbereich (swap), kein Windows-Datenträger"},
    {0, "WithoutFreeSpace", 16,
     "ist ein Parallels-Datenträger, den Tessera nicht liest; mit \u201Eqemu-img convert -f parallels -O qcow2 %1 "
     "windows.qcow2\u201C in ein lesbares Abbild umwandeln"},
    {0, "WithouFreSpacExt", 16,
     "ist ein Parallels-Datenträger, den Tessera nicht liest; mit \u201Eqemu-img convert -f parallels -O qcow2 %1 "
     "windows.qcow2\u201C in ein lesbares Abbild umwandeln"},
    {0, "\xBE\xBA\xFE\xCA", 4,
     "ist der Datenteil eines VMware-Snapshots im seSparse-Format (ESXi), den Tessera nicht liest; seine "
     "Beschreibungsdatei (.vmdk) mit \u201Eqemu-img convert -O qcow2\u201C in ein lesbares Abbild umwandeln"},
    {0, "MSWIM\x00\x00\x00", 8,
     "ist ein Windows-Installationsabbild (WIM), kein Datenträger einer Installation; Tessera liest keine WIM-Dateien"},
    {0, "hbin", 4,
     "ist ein Stück einer Registrierungsstruktur (ein Block \u201Ehbin\u201C ohne ihren Kopf \u201Eregf\u201C), keine "
     "ganze Struktur"},
    {0, "\x7F" "ELF", 4, "ist ein Programm (ELF), keine Registrierungsdatei und kein Datenträgerabbild"},
    {0, "MZ", 2, "ist ein Windows-Programm (EXE/DLL), keine Registrierungsdatei und kein Datenträgerabbild"},
};

QString said(const char* what, const QString& name)
{
    const QString text = QString::fromUtf8(what);
    return text.contains(QLatin1String("%1")) ? text.arg(name) : text;
}

QString parallelsBundle(const QString& what)
{
    return QStringLiteral("%1 Parallels-Datenträger (.hdd), den Tessera nicht liest; seine .hds-Datei mit "
                          "\u201Eqemu-img convert -f parallels -O qcow2 \u2026.hds windows.qcow2\u201C in ein lesbares "
                          "Abbild umwandeln")
        .arg(what);
}

}  // namespace

QString foreignFormatOf(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir()) {
        const QDir dir(path);
        if (dir.exists(QStringLiteral("DiskDescriptor.xml"))) return parallelsBundle(QStringLiteral("ist ein"));
        if (dir.exists(QStringLiteral("config.pvs")))
            return QStringLiteral("ist eine virtuelle Maschine von Parallels, deren Datenträger Tessera nicht liest; "
                                  "ihre .hds-Datei mit \u201Eqemu-img convert -f parallels -O qcow2 \u2026.hds "
                                  "windows.qcow2\u201C in ein lesbares Abbild umwandeln");
        return {};
    }
    const QString name = info.fileName();
    const QByteArray head = fileHead(path, 512);
    for (const Signature& s : kPacked)
        if (startsWith(head, s.at, s.bytes, s.length)) return said(s.what, name);
    if (head.contains("<Parallels_disk_image")) return parallelsBundle(QStringLiteral("beschreibt einen"));
    for (const Signature& s : kOthers) {
        const QByteArray bytes = s.at < head.size() ? head : fileHead(path, s.length, s.at);
        if (startsWith(bytes, s.at < head.size() ? s.at : 0, s.bytes, s.length)) return said(s.what, name);
    }
    return {};
}

}  // namespace disk
