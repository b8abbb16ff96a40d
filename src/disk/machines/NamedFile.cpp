#include "disk/machines/NamedFile.h"

#include "disk/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <optional>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace disk {

namespace ErrorNumber = runtime::ErrorNumber;
using runtime::RuntimeError;

namespace {

QString quoted(const QString& text) { return QStringLiteral("\u201E%1\u201C").arg(text); }

QString ownerOf(const struct stat& st)
{
    if (const passwd* user = ::getpwuid(st.st_uid)) return QString::fromLocal8Bit(user->pw_name);
    return QStringLiteral("Benutzer %1").arg(st.st_uid);
}

QString groupOf(const struct stat& st)
{
    if (const group* g = ::getgrgid(st.st_gid)) return QString::fromLocal8Bit(g->gr_name);
    return QString::number(st.st_gid);
}

// "rw-r-----"
QString modeOf(const struct stat& st)
{
    QString mode;
    for (int shift = 6; shift >= 0; shift -= 3) {
        mode += st.st_mode >> shift & 4 ? u'r' : u'-';
        mode += st.st_mode >> shift & 2 ? u'w' : u'-';
        mode += st.st_mode >> shift & 1 ? u'x' : u'-';
    }
    return mode;
}

bool statOf(const QString& path, struct stat& st) { return ::stat(QFile::encodeName(path).constData(), &st) == 0; }

// The folders from the root down to `path`'s own folder, absolute.
QStringList foldersOnTheWay(const QString& path)
{
    QStringList folders;
    QString at = QFileInfo(path).absolutePath();
    for (;;) {
        folders.prepend(at);
        const QString up = QFileInfo(at).absolutePath();
        if (up == at || at == u'/') break;
        at = up;
    }
    return folders;
}

RuntimeError missing(const QString& path)
{
    for (const QString& folder : foldersOnTheWay(path)) {
        if (QFileInfo(folder).isDir()) continue;
        if (QFileInfo::exists(folder))
            return RuntimeError(ErrorNumber::PathNotFound,
                                QStringLiteral("%1 gibt es nicht: %2 auf dem Weg dorthin ist kein Ordner, sondern eine "
                                               "Datei. Prüfen Sie den Pfad.")
                                    .arg(quoted(path), quoted(folder)));
        return RuntimeError(ErrorNumber::PathNotFound,
                            QStringLiteral("%1 gibt es nicht: schon der Ordner %2 fehlt. Prüfen Sie den Pfad; ein "
                                           "Datenträger muss eingehängt sein.")
                                .arg(quoted(path), quoted(folder)));
    }
    if (QFileInfo(path).isSymLink())
        return RuntimeError(ErrorNumber::FileNotFound,
                            QStringLiteral("%1 ist eine Verknüpfung auf %2, das es nicht gibt.")
                                .arg(quoted(path), quoted(QFileInfo(path).symLinkTarget())));
    return RuntimeError(ErrorNumber::FileNotFound,
                        QStringLiteral("%1 gibt es nicht: in %2 liegt keine Datei und kein Ordner dieses Namens. Prüfen "
                                       "Sie den Namen.")
                            .arg(quoted(path), quoted(QFileInfo(path).absolutePath())));
}

// A folder on the way the user may not enter, or the file itself that they may not read.
std::optional<NotPermitted> forbidden(const QString& path, const struct stat& st)
{
    for (const QString& folder : foldersOnTheWay(path)) {
        if (::access(QFile::encodeName(folder).constData(), X_OK) == 0) continue;
        struct stat fs {};
        statOf(folder, fs);
        return NotPermitted(ErrorNumber::PathNotFound,
                            QStringLiteral("%1 ist für Sie nicht erreichbar: den Ordner %2 (Eigentümer %3, Gruppe %4, "
                                           "Rechte %5) dürfen Sie nicht öffnen. Starten Sie Tessera als ein Benutzer, "
                                           "der ihn öffnen darf, oder lassen Sie sich die Rechte geben.")
                                .arg(quoted(path), quoted(folder), ownerOf(fs), groupOf(fs), modeOf(fs))
                                + runtime::libraryWords(runtime::errnoName(errno)));
    }
    const bool folder = S_ISDIR(st.st_mode);
    if (::access(QFile::encodeName(path).constData(), folder ? R_OK | X_OK : R_OK) == 0) return std::nullopt;
    const QString words = runtime::libraryWords(runtime::errnoName(errno));
    if (S_ISBLK(st.st_mode))
        return NotPermitted(ErrorNumber::FileNotFound,
                            QStringLiteral("Das Gerät %1 (Eigentümer %2, Gruppe %3, Rechte %4) dürfen Sie nicht lesen. "
                                           "Ein Gerät liest, wer zur Gruppe %5 gehört; oder starten Sie Tessera mit "
                                           "sudo.")
                                .arg(quoted(path), ownerOf(st), groupOf(st), modeOf(st), quoted(groupOf(st)))
                                + words);
    return NotPermitted(ErrorNumber::FileNotFound,
                        QStringLiteral("%1 %2 (Eigentümer %3, Gruppe %4, Rechte %5) dürfen Sie nicht %6. Starten Sie "
                                       "Tessera mit den Rechten, %7 zu lesen: als %3, oder lassen Sie sich die Rechte "
                                       "geben.")
                            .arg(folder ? QStringLiteral("Den Ordner") : QStringLiteral("Die Datei"), quoted(path),
                                 ownerOf(st), groupOf(st), modeOf(st),
                                 folder ? QStringLiteral("öffnen") : QStringLiteral("lesen"),
                                 folder ? QStringLiteral("ihn") : QStringLiteral("sie"))
                            + words);
}

// A file beside `path` whose name ends in `suffix` (in any case), or a null string.
QString besideWithSuffix(const QString& path, const QString& baseName, const char* suffix)
{
    const QFileInfo info(path);
    const QString wanted = baseName + QLatin1String(suffix);
    for (const QString& entry : info.absoluteDir().entryList(QDir::Files))
        if (entry.compare(wanted, Qt::CaseInsensitive) == 0) return entry;
    const QStringList any = info.absoluteDir().entryList({QStringLiteral("*") + QLatin1String(suffix)}, QDir::Files);
    return any.size() == 1 ? any.front() : QString();
}

QString openInstead(const QString& path, const QString& baseName, const char* suffix, const QString& kind)
{
    const QString config = besideWithSuffix(path, baseName, suffix);
    return config.isNull()
               ? QStringLiteral("Öffnen Sie die %1-Datei der Maschine oder ihren Ordner.").arg(QLatin1String(suffix))
               : QStringLiteral("Öffnen Sie %1 daneben, die Konfiguration der %2-Maschine, oder ihren Ordner.")
                     .arg(quoted(config), kind);
}

// The files a hypervisor keeps beside a machine's configuration.
std::optional<RuntimeError> sideFile(const QString& path)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    struct Side {
        const char* suffix;
        const char* config;
        const char* kind;
        const char* what;
    };
    static const Side sides[] = {
        {".vbox-prev", ".vbox", "VirtualBox",
         "ist die vorige Fassung der Konfiguration einer VirtualBox-Maschine, die VirtualBox als Sicherung behält"},
        {".vbox-tmp", ".vbox", "VirtualBox",
         "ist eine Zwischenfassung der Konfiguration einer VirtualBox-Maschine, die VirtualBox beim Speichern schreibt"},
        {".vmsd", ".vmx", "VMware", "ist die Liste der Snapshots einer VMware-Maschine"},
        {".vmxf", ".vmx", "VMware", "hält ergänzende Angaben einer VMware-Maschine (etwa zu ihrem Team)"},
        {".nvram", ".vmx", "VMware", "ist der Firmware-Speicher (BIOS oder UEFI) einer VMware-Maschine"},
        {".vmss", ".vmx", "VMware", "ist der angehaltene Zustand einer VMware-Maschine"},
        {".vmsn", ".vmx", "VMware", "ist der gesicherte Zustand eines Snapshots einer VMware-Maschine"},
        {".vmem", ".vmx", "VMware", "ist der Arbeitsspeicher einer VMware-Maschine"},
    };
    for (const Side& side : sides) {
        const QLatin1String suffix(side.suffix);
        if (!name.endsWith(suffix, Qt::CaseInsensitive) || name.size() == suffix.size()) continue;
        const QString base = name.left(name.size() - suffix.size());
        return RuntimeError(ErrorNumber::InvalidData,
                            QStringLiteral("Datei %1 %2, kein Datenträger. %3")
                                .arg(quoted(path), QString::fromUtf8(side.what),
                                     openInstead(path, base, side.config, QLatin1String(side.kind))));
    }
    // VMware's logs ("vmware.log", "vmware-1.log"); a hive's transaction log ("SYSTEM.LOG") is none.
    static const QRegularExpression vmwareLog(QStringLiteral("^vmware(-\\d+)?\\.log$"),
                                              QRegularExpression::CaseInsensitiveOption);
    if (vmwareLog.match(name).hasMatch() && !fileHead(path, 4).startsWith("regf"))
        return RuntimeError(ErrorNumber::InvalidData,
                            QStringLiteral("Datei %1 ist eine Protokolldatei von VMware, kein Datenträger. %2")
                                .arg(quoted(path), openInstead(path, QString(), ".vmx", QStringLiteral("VMware"))));
    return std::nullopt;
}

// A BitLocker key file: its size first, then version 1 and a 48-byte header.
bool keyFile(const QByteArray& head, qint64 size)
{
    return head.size() >= 12 && size >= 48 && size <= 64 * 1024 && le32(head.constData()) == std::uint64_t(size)
           && le32(head.constData() + 4) == 1 && le32(head.constData() + 8) == 48;
}

}  // namespace

void checkNamedFile(const QString& source)
{
    QString path = source;
    struct stat st {};
    if (!statOf(path, st)) {
        const int error = errno;
        // "BILD@N" names partition N of BILD.
        static const QRegularExpression partition(QStringLiteral("^(.+)@\\d{1,3}$"));
        const auto m = partition.match(source);
        if (m.hasMatch() && statOf(m.captured(1), st)) {
            path = m.captured(1);
        } else {
            if (error == EACCES)
                if (auto fault = forbidden(path, st)) throw *fault;
            throw missing(path);
        }
    }
    if (auto fault = forbidden(path, st)) throw *fault;
    if (S_ISDIR(st.st_mode) || S_ISBLK(st.st_mode)) return;
    if (!S_ISREG(st.st_mode))
        throw RuntimeError(ErrorNumber::FileNotFound,
                            QStringLiteral("%1 ist weder eine gewöhnliche Datei noch ein Ordner oder Blockgerät "
                                           "(etwa eine benannte Pipe oder ein Socket); Tessera liest davon nichts.")
                                .arg(quoted(path)));
    if (st.st_size == 0)
        throw RuntimeError(ErrorNumber::InvalidData,
                            QStringLiteral("Datei %1 ist leer (0 Bytes): darin ist weder ein Datenträger noch eine "
                                           "Registrierung. Vielleicht wurde sie nicht vollständig kopiert oder "
                                           "heruntergeladen.")
                                .arg(quoted(path)));
    if (auto side = sideFile(path)) throw *side;
    if (keyFile(fileHead(path, 12), st.st_size))
        throw RuntimeError(ErrorNumber::InvalidData,
                            QStringLiteral("Datei %1 ist eine BitLocker-Schlüsseldatei (.BEK), kein Datenträger. Öffnen Sie "
                                           "die verschlüsselte Platte und wählen Sie diese Datei dort mit "
                                           "\u201ESchlüsseldatei wählen \u2026\u201C, oder geben Sie sie im Terminal "
                                           "mit \u201E--schluessel %2\u201C an.")
                                .arg(quoted(path), QFileInfo(path).fileName()));
}

}  // namespace disk
