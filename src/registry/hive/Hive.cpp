#include "registry/hive/Hive.h"

#include "disk/FileBytes.h"
#include "registry/hive/TransactionLog.h"
#include "runtime/RuntimeError.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QRegularExpression>

#include <hivex.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace registry {

namespace ErrorNumber = runtime::ErrorNumber;
using runtime::RuntimeError;

namespace {

constexpr qint64 HeaderSize = 4096;
constexpr qint64 MinimumSize = 8192;  // the header and one bin
constexpr qint64 MaxHiveSize = 512LL * 1024 * 1024;

[[noreturn]] void fail(const QString& path, const QString& what)
{
    throw RuntimeError(ErrorNumber::InvalidData,
                       QStringLiteral("Registrierungsstruktur \u201E%1\u201C %2").arg(path, what));
}

// errno's name, for the details.
QString errnoWords() { return runtime::libraryWords(runtime::errnoName(errno)); }

void checkSize(const QString& path, qint64 size)
{
    if (size < MinimumSize)
        fail(path, QStringLiteral("ist zu kurz für eine Registrierungsstruktur (%1 Bytes, mindestens %2)")
                       .arg(size)
                       .arg(MinimumSize));
    if (size > MaxHiveSize) fail(path, QStringLiteral("ist größer als 512 MiB"));
}

// The header ("base block") as far as we can tell what is wrong in words
// hivex does not have: a log instead of a hive, an old format.
void checkKind(const QString& path, const BaseBlock& b)
{
    if (!b.signature) fail(path, QStringLiteral("beginnt nicht mit \u201Eregf\u201C"));
    if (b.major != 1) fail(path, QStringLiteral("hat das unbekannte Format %1.%2 (lesbar ist 1.x)").arg(b.major).arg(b.minor));
    if (b.fileType != 0)
        fail(path,
             QStringLiteral("ist ein Transaktionsprotokoll (Typ %1), keine Registrierungsstruktur").arg(b.fileType));
}

// What the copy holds once its logs were applied: a sound checksum and all
// the bins its header names.
void checkReplayed(const QString& path, disk::PrivateCopy& copy)
{
    unsigned char header[HeaderSize];
    if (!copy.read(0, header, HeaderSize)) fail(path, QStringLiteral("ist nicht lesbar") + errnoWords());
    const BaseBlock b = parseBaseBlock(header);
    if (!b.checksumValid) fail(path, QStringLiteral("ist beschädigt: die Prüfsumme des Kopfes stimmt nicht"));
    if (qint64(HeaderSize) + b.binsSize > copy.size())
        fail(path, QStringLiteral("ist abgeschnitten: der Kopf nennt %1 Bytes, die Datei hat %2")
                       .arg(qint64(HeaderSize) + b.binsSize)
                       .arg(copy.size()));
    // hivex checks the plain sum; Windows stores 1 where the sum is 0.
    if (le32(header + BaseBlockAt::Checksum) != baseBlockChecksum(header)) {
        sealBaseBlock(header);
        copy.write(0, header, HeaderSize);
    }
}

// Opens the file without following it onto a FIFO or device, and copies it
// into anonymous memory that nobody else can change.
disk::PrivateCopy copyOf(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        throw RuntimeError(ErrorNumber::FileNotFound,
                           QStringLiteral("Registrierungsstruktur \u201E%1\u201C nicht gefunden").arg(path));
    if (!S_ISREG(st.st_mode))
        throw RuntimeError(ErrorNumber::FileNotFound,
                           QStringLiteral("Registrierungsstruktur \u201E%1\u201C ist keine gew\u00F6hnliche Datei")
                               .arg(path));
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        throw RuntimeError(ErrorNumber::FileNotFound,
                           QStringLiteral("Registrierungsstruktur \u201E%1\u201C ist nicht lesbar").arg(path) + errnoWords());
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closeFile{fd};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw RuntimeError(ErrorNumber::FileNotFound,
                           QStringLiteral("Registrierungsstruktur \u201E%1\u201C ist keine gew\u00F6hnliche Datei")
                               .arg(path));
    const qint64 size = st.st_size;
    checkSize(path, size);
    unsigned char header[HeaderSize];
    if (::pread(fd, header, HeaderSize, 0) != HeaderSize)
        fail(path, QStringLiteral("ist nicht lesbar") + errnoWords());
    checkKind(path, parseBaseBlock(header));

    disk::PrivateCopy copy;
    if (!copy.valid())
        fail(path, QStringLiteral("kann nicht in den Speicher gelesen werden") + errnoWords());
    if (!copy.appendFromFile(fd, size)) {
        if (errno == 0) fail(path, QStringLiteral("wurde beim Lesen kürzer"));
        fail(path, QStringLiteral("ist nicht lesbar") + errnoWords());
    }
    return copy;
}

std::vector<std::pair<QString, disk::FileStamp>> stampsOf(const QStringList& paths)
{
    std::vector<std::pair<QString, disk::FileStamp>> stamps;
    for (const QString& path : paths) stamps.emplace_back(path, disk::stampOf(path).value_or(disk::FileStamp{}));
    return stamps;
}

}  // namespace

Hive::Hive(const QString& path) : path_(path)
{
    const QStringList logs = logPathsBeside(path);
    logStamps_ = stampsOf(logs);
    open(copyOf(path), readLogs(logs));
}

Hive::Hive(const QString& name, disk::PrivateCopy copy, const std::vector<TransactionLog>& logs,
           std::optional<ImageLocation> location)
    : path_(name), location_(std::move(location))
{
    checkSize(name, copy.size());
    unsigned char header[HeaderSize];
    if (!copy.read(0, header, HeaderSize)) fail(name, QStringLiteral("ist nicht lesbar") + errnoWords());
    checkKind(name, parseBaseBlock(header));
    open(std::move(copy), logs);
}

void Hive::open(disk::PrivateCopy copy, const std::vector<TransactionLog>& logs)
{
    replay_ = replayLogs(copy, logs, MaxHiveSize);
    checkReplayed(path_, copy);
    errno = 0;
    // hivex maps the copy; its descriptor may go afterwards.
    hive_ = hivex_open(copy.procPath().constData(), 0);
    if (!hive_)
        fail(path_, QStringLiteral("ist beschädigt oder hat ein unbekanntes Format")
                        + runtime::libraryWords(QStringLiteral("hivex: ") + runtime::errnoName(errno)));
    try {
        // SYSTEM: Select and numbered control sets; SOFTWARE: Microsoft\Windows NT\CurrentVersion.
        static const QRegularExpression controlSet(QStringLiteral("^ControlSet\\d{3}$"),
                                                   QRegularExpression::CaseInsensitiveOption);
        const std::size_t top = hivex_root(hive_);
        if (!top) damaged(QStringLiteral("ihr Wurzelschlüssel ist nicht lesbar"), errno);
        const Names& names = childrenOf(top);
        bool select = false, sets = false;
        for (const auto& [name, node] : names) {
            select = select || sameName(name, u"Select");
            sets = sets || controlSet.match(name).hasMatch();
        }
        auto under = [&](std::size_t node, QStringView name) -> std::size_t {
            if (!node) return 0;
            const Names& of = childrenOf(node);
            auto it = of.find(name);
            return it == of.end() ? 0 : it->second;
        };
        if (select && sets)
            kind_ = Kind::System;
        else if (under(under(under(top, u"Microsoft"), u"Windows NT"), u"CurrentVersion"))
            kind_ = Kind::Software;
        else
            fail(path_, QStringLiteral("ist weder ein SYSTEM-Zweig (mit Select und ControlSet001) noch ein "
                                       "SOFTWARE-Zweig (mit Microsoft\\Windows NT\\CurrentVersion)"));
    } catch (...) {
        hivex_close(hive_);
        throw;
    }
}

Hive::~Hive()
{
    hivex_close(hive_);
}

void Hive::damaged(const QString& what, int error) const
{
    fail(path_, QStringLiteral("ist beschädigt: %1").arg(what) + runtime::libraryWords(QStringLiteral("hivex: ") + runtime::errnoName(error)));
}

// The names under a key, listed once: its children or its values, with the
// hivex functions for the list and for one name.
const Hive::Names& Hive::listed(std::unordered_map<std::size_t, Names>& cache, std::size_t node,
                                std::size_t* (*list)(hive_h*, std::size_t), char* (*nameOf)(hive_h*, std::size_t),
                                const char* what) const
{
    std::lock_guard lock(mutex_);
    if (auto it = cache.find(node); it != cache.end()) return it->second;
    errno = 0;
    std::size_t* items = list(hive_, node);
    if (!items) {
        const int error = errno;
        damaged(QStringLiteral("die %1 eines Schlüssels sind nicht lesbar").arg(QString::fromUtf8(what)), error);
    }
    Names names;
    for (std::size_t* at = items; *at; ++at) {
        errno = 0;
        char* name = nameOf(hive_, *at);
        if (!name) {
            const int error = errno;
            std::free(items);
            damaged(QStringLiteral("ein Name der %1 eines Schlüssels ist nicht lesbar").arg(QString::fromUtf8(what)),
                    error);
        }
        names.emplace(QString::fromUtf8(name), *at);  // of two names that fold alike, the first counts
        std::free(name);
    }
    std::free(items);
    return cache.emplace(node, std::move(names)).first->second;
}

const Hive::Names& Hive::childrenOf(std::size_t node) const
{
    return listed(children_, node, hivex_node_children, hivex_node_name, "Unterschlüssel");
}

const Hive::Names& Hive::valuesOf(std::size_t node) const
{
    return listed(values_, node, hivex_node_values, hivex_value_key, "Werte");
}

RegistrySource::Key Hive::child(Key parent, QStringView name) const
{
    if (parent == HklmLevel)
        return sameName(name, kind_ == Kind::System ? u"SYSTEM" : u"SOFTWARE") ? hivex_root(hive_) : 0;
    const Names& names = childrenOf(parent);
    auto it = names.find(name);
    return it == names.end() ? 0 : it->second;
}

const RegValueView* Hive::value(Key key, QStringView name) const
{
    if (key == HklmLevel) return nullptr;
    const Names& names = valuesOf(key);
    auto it = names.find(name);
    if (it == names.end()) return nullptr;
    std::lock_guard lock(mutex_);
    if (auto stored = data_.find(it->second); stored != data_.end()) return &stored->second.second;
    // A hive may hold any 32-bit type number, most of them outside hivex's
    // enum: it is read as the number it is.
    std::uint32_t type = 0;
    std::size_t length = 0;
    errno = 0;
    char* bytes = hivex_value_value(hive_, it->second, reinterpret_cast<hive_type*>(&type), &length);
    if (!bytes) {
        const int error = errno;
        damaged(QStringLiteral("der Wert \u201E%1\u201C ist nicht lesbar").arg(name), error);
    }
    QByteArray data(bytes, qsizetype(length));
    std::free(bytes);
    auto& stored = data_[it->second];
    stored.first = std::move(data);
    stored.second = RegValueView{type, stored.first};
    return &stored.second;
}

bool looksLikeHive(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return false;
    return file.read(4) == "regf";
}

bool Hive::logsUnchanged() const
{
    return stampsOf(logPathsBeside(path_)) == logStamps_;
}

std::optional<QString> Hive::replayNotice() const
{
    if (replay_.upToDate()) return std::nullopt;
    const QString hive = QStringLiteral("Registrierungsstruktur \u201E%1\u201C").arg(path_);
    const QString older = QStringLiteral("die Datei zeigt einen älteren Stand; neuere Änderungen fehlen");
    const QString sequences = QStringLiteral("Sequenznummern %1 und %2")
                                  .arg(replay_.before.primarySequence)
                                  .arg(replay_.before.secondarySequence);
    if (replay_.logs.empty())
        return QStringLiteral("%1 wurde nicht vollständig zurückgeschrieben (%2), und neben ihr liegt kein "
                              "Transaktionsprotokoll (%3.LOG1, %3.LOG2): %4.")
            .arg(hive, sequences, fileNameOf(path_), older);
    QStringList why;
    for (const LogReplayed& log : replay_.logs) {
        const QString name = QStringLiteral("\u201E%1\u201C").arg(fileNameOf(log.path));
        if (!log.stopped.isEmpty() && log.entries > 0)
            why << QStringLiteral("%1 bricht nach %2 %3 ab: %4")
                       .arg(name)
                       .arg(log.entries)
                       .arg(log.entries == 1 ? QStringLiteral("Eintrag") : QStringLiteral("Einträgen"), log.stopped);
        else if (!log.stopped.isEmpty())
            why << QStringLiteral("%1 ist nicht brauchbar: %2").arg(name, log.stopped);
        else if (replay_.entriesApplied() == 0)
            why << QStringLiteral("%1 hält keine neueren Einträge").arg(name);
    }
    if (replay_.entriesApplied() == 0)
        return QStringLiteral("%1 wurde nicht vollständig zurückgeschrieben (%2), und ihre Transaktionsprotokolle "
                              "bringen sie nicht auf den neuesten Stand (%3): %4.")
            .arg(hive, sequences, why.join(QStringLiteral("; ")), older);
    return QStringLiteral("%1 wurde aus ihren Transaktionsprotokollen nur zum Teil auf den neuesten Stand gebracht "
                          "(bis Sequenznummer %2): %3. Neuere Änderungen fehlen.")
        .arg(hive)
        .arg(replay_.sequence)
        .arg(why.join(QStringLiteral("; ")));
}

}  // namespace registry
