#include "registry/hive/Hive.h"

#include "disk/FileBytes.h"
#include "registry/hive/TransactionLog.h"
#include "runtime/RuntimeError.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QRegularExpression>

#include <cstdint>
#include <optional>

namespace registry {

namespace ErrorNumber = runtime::ErrorNumber;
using runtime::RuntimeError;

namespace {

// A name folded for the caches' keys: ASCII (nearly every name) by hand, the rest as Qt folds it.
QString folded(QStringView name)
{
    QString out(name.size(), Qt::Uninitialized);
    char16_t* to = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name.utf16()[i];
        if (c >= 0x80) return name.toString().toCaseFolded();
        to[i] = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    }
    return out;
}

constexpr qint64 HeaderSize = 4096;
constexpr qint64 MinimumSize = 8192;  // the header and one bin
constexpr qint64 MaxHiveSize = 512LL * 1024 * 1024;

[[noreturn]] void fail(const QString& path, const QString& what)
{
    throw RuntimeError(ErrorNumber::InvalidData,
                       QStringLiteral("Registrierungsstruktur \u201E%1\u201C %2").arg(path, what));
}

void checkSize(const QString& path, qint64 size)
{
    if (size < MinimumSize)
        fail(path, QStringLiteral("ist zu kurz für eine Registrierungsstruktur (%1 Bytes, mindestens %2)")
                       .arg(size)
                       .arg(MinimumSize));
    if (size > MaxHiveSize) fail(path, QStringLiteral("ist größer als 512 MiB"));
}

// The header ("base block") as far as we can tell what is wrong before
// reading on: a log instead of a hive, an old format.
void checkKind(const QString& path, const BaseBlock& b)
{
    if (!b.signature) fail(path, QStringLiteral("beginnt nicht mit \u201Eregf\u201C"));
    if (b.major != 1) fail(path, QStringLiteral("hat das unbekannte Format %1.%2 (lesbar ist 1.x)").arg(b.major).arg(b.minor));
    if (b.fileType != 0)
        fail(path,
             QStringLiteral("ist ein Transaktionsprotokoll (Typ %1), keine Registrierungsstruktur").arg(b.fileType));
}

std::vector<std::pair<QString, disk::FileStamp>> stampsOf(const QStringList& paths)
{
    std::vector<std::pair<QString, disk::FileStamp>> stamps;
    for (const QString& path : paths) stamps.emplace_back(path, disk::stampOf(path).value_or(disk::FileStamp{}));
    return stamps;
}

}  // namespace

Hive::Hive(const QString& path, Accept accept) : path_(path), source_(HiveSource::ofFile(path))
{
    const QStringList logs = logPathsBeside(path);
    logStamps_ = stampsOf(logs);
    open(readLogs(logs), accept);
}

Hive::Hive(const QString& name, std::shared_ptr<HiveSource> source, const std::vector<TransactionLog>& logs,
           std::optional<ImageLocation> location, Accept accept)
    : path_(name), location_(std::move(location)), source_(std::move(source))
{
    open(logs, accept);
}

Hive::Hive(const QString& name, disk::PrivateCopy copy, const std::vector<TransactionLog>& logs,
           std::optional<ImageLocation> location)
    : Hive(name, HiveSource::ofCopy(std::move(copy)), logs, std::move(location))
{
}

Hive::~Hive() = default;

void Hive::open(const std::vector<TransactionLog>& logs, Accept accept)
{
    checkSize(path_, source_->size());
    unsigned char header[HeaderSize];
    if (!source_->read(0, header, HeaderSize)) fail(path_, source_->why());
    checkKind(path_, parseBaseBlock(header));

    // The logs' pages lie beside the hive's own; what they leave is read from the hive.
    pages_ = std::make_unique<PageOverlay>(source_);
    replay_ = replayLogs(*pages_, logs, MaxHiveSize);
    if (!pages_->read(0, header, HeaderSize)) fail(path_, pages_->why());
    const BaseBlock b = parseBaseBlock(header);
    if (!b.checksumValid) fail(path_, QStringLiteral("ist beschädigt: die Prüfsumme des Kopfes stimmt nicht"));
    if (qint64(HeaderSize) + b.binsSize > pages_->size())
        fail(path_, QStringLiteral("ist abgeschnitten: der Kopf nennt %1 Bytes, die Datei hat %2")
                        .arg(qint64(HeaderSize) + b.binsSize)
                        .arg(pages_->size()));
    cells_ = std::make_unique<HiveCells>(*pages_, b.binsSize, b.minor);
    rootCell_ = b.rootCell;
    try {
        const HiveCells::KeyNode top = cells_->keyNode(rootCell_);
        nodes_.emplace(rootCell_, top);
        // SYSTEM: Select and numbered control sets; SOFTWARE: Microsoft\Windows NT\CurrentVersion.
        static const QRegularExpression controlSet(QStringLiteral("^ControlSet\\d{3}$"),
                                                   QRegularExpression::CaseInsensitiveOption);
        bool select = false, sets = false;
        for (const HiveCells::KeyNode& child : cells_->subkeys(top)) {
            select = select || sameName(child.name, u"Select");
            sets = sets || controlSet.match(child.name).hasMatch();
        }
        auto under = [&](std::optional<HiveCells::KeyNode> at, QStringView name) -> std::optional<HiveCells::KeyNode> {
            return at ? cells_->subkey(*at, name) : std::nullopt;
        };
        if (select && sets)
            kind_ = Kind::System;
        else if (under(under(under(top, u"Microsoft"), u"Windows NT"), u"CurrentVersion"))
            kind_ = Kind::Software;
        else if (accept == Accept::Any)
            kind_ = Kind::Other;
        else
            fail(path_, QStringLiteral("ist weder ein SYSTEM-Zweig (mit Select und ControlSet001) noch ein "
                                       "SOFTWARE-Zweig (mit Microsoft\\Windows NT\\CurrentVersion)"));
    } catch (const HiveCells::Fault& fault) {
        if (fault.source) fail(path_, fault.what);
        fail(path_, QStringLiteral("ist beschädigt oder hat ein unbekanntes Format: %1").arg(fault.what));
    }
}

template <class F> auto Hive::guarded(F&& read) const
{
    try {
        return read();
    } catch (const HiveCells::Fault& fault) {
        if (fault.source) fail(path_, fault.what);
        fail(path_, QStringLiteral("ist beschädigt: %1").arg(fault.what));
    }
}

const HiveCells::KeyNode& Hive::node(Key key) const
{
    if (auto it = nodes_.find(key); it != nodes_.end()) return it->second;
    return nodes_.emplace(key, guarded([&] { return cells_->keyNode(HiveCells::Offset(key)); })).first->second;
}

RegistrySource::Key Hive::child(Key parent, QStringView name) const
{
    if (parent == HklmLevel && kind_ != Kind::Other)
        return sameName(name, kind_ == Kind::System ? u"SYSTEM" : u"SOFTWARE") ? Key(rootCell_) : 0;
    std::lock_guard lock(mutex_);
    const std::pair<Key, QString> asked{parent, folded(name)};
    if (auto it = children_.find(asked); it != children_.end()) return it->second;
    const HiveCells::KeyNode& of = node(parent);
    const auto found = guarded([&] { return cells_->subkey(of, name); });
    Key key = 0;
    if (found) {
        key = found->offset;
        nodes_.emplace(key, *found);
    }
    children_.emplace(asked, key);
    return key;
}

const RegValueView* Hive::value(Key key, QStringView name) const
{
    if (key == HklmLevel && kind_ != Kind::Other) return nullptr;
    std::lock_guard lock(mutex_);
    auto [it, first] = values_.try_emplace(key);
    KeyValues& values = it->second;
    if (first) {
        try {
            values.offsets = guarded([&] { return cells_->valueOffsets(node(key)); });
        } catch (...) {
            values_.erase(it);  // asked again, it fails again
            throw;
        }
    }
    for (std::size_t i = 0; i < values.offsets.size(); ++i) {
        if (i == values.headers.size()) {
            values.headers.push_back(guarded([&] { return cells_->valueAt(values.offsets[i]); }));
            values.data.emplace_back();
        }
        const HiveCells::Value& header = values.headers[i];
        if (!sameName(header.name, name)) continue;
        if (!values.data[i]) {
            auto read = std::make_unique<std::pair<QByteArray, RegValueView>>(guarded([&] { return cells_->data(header); }),
                                                                             RegValueView{});
            read->second = {header.type, read->first};  // the view borrows the bytes where they now stay
            values.data[i] = std::move(read);
        }
        return &values.data[i]->second;
    }
    return nullptr;
}

QStringList Hive::subkeyNames(Key key) const
{
    if (key == HklmLevel && kind_ != Kind::Other)
        return {kind_ == Kind::System ? QStringLiteral("SYSTEM") : QStringLiteral("SOFTWARE")};
    std::lock_guard lock(mutex_);
    const HiveCells::KeyNode& of = node(key);
    QStringList names;
    // Each subkey read is known from now on: a lookup of it by name needs no list again.
    for (HiveCells::KeyNode& child : guarded([&] { return cells_->subkeys(of); })) {
        names << child.name;
        children_.emplace(std::pair{key, folded(child.name)}, Key(child.offset));
        const Key at = child.offset;
        nodes_.emplace(at, std::move(child));
    }
    return names;
}

bool Hive::mayBeLink(Key key) const
{
    if (key == HklmLevel && kind_ != Kind::Other) return false;
    std::lock_guard lock(mutex_);
    return node(key).link;
}

QStringList Hive::valueNames(Key key) const
{
    if (key == HklmLevel && kind_ != Kind::Other) return {};
    std::lock_guard lock(mutex_);
    const HiveCells::KeyNode& of = node(key);
    QStringList names;
    for (const HiveCells::Value& value : guarded([&] { return cells_->values(of); })) names << value.name;
    return names;
}

bool looksLikeHive(const QString& path)
{
    return QFileInfo(path).isFile() && disk::fileHead(path, 4) == "regf";
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
