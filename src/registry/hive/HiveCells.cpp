#include "registry/hive/HiveCells.h"

#include "registry/hive/BaseBlock.h"
#include "registry/text/RegistryTree.h"

#include <algorithm>
#include <cstring>

namespace registry {

namespace {

constexpr std::uint32_t BinPage = 4096;
constexpr std::uint32_t BinHeader = 32;
constexpr std::uint32_t KeyNodeHeader = 76;  // up to the name
constexpr std::uint32_t ValueHeader = 20;
constexpr std::uint32_t SegmentData = 16344;  // of a big-data segment, the value's bytes
constexpr std::uint32_t BigDataFrom = 16344;  // larger values of format 1.4 and later are big data
// How far a cell's bin may begin before it: bins larger than this are refused.
constexpr std::uint32_t MaxBinPages = 1024;
constexpr std::uint16_t CompressedKeyName = 0x0020;
constexpr std::uint16_t SymbolicLinkKey = 0x0010;  // KEY_SYM_LINK
constexpr std::uint16_t CompressedValueName = 0x0001;

std::uint16_t le16At(const QByteArray& b, qsizetype at)
{
    return std::uint16_t(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}
std::uint32_t le32At(const QByteArray& b, qsizetype at)
{
    return le32(reinterpret_cast<const unsigned char*>(b.constData() + at));
}

// A name as a hive stores it: Latin-1 where flagged compressed, else UTF-16LE.
QString nameOf(const QByteArray& cell, qsizetype at, std::uint16_t length, bool compressed)
{
    const QByteArray bytes = cell.mid(at, length);
    if (compressed) return QString::fromLatin1(bytes);
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
}

bool ascii(QStringView name)
{
    return std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; });
}

char16_t upper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; }

}  // namespace

std::uint32_t nameHash(QStringView name)
{
    std::uint32_t hash = 0;
    for (QChar c : name) hash = hash * 37 + upper(c.unicode());
    return hash;
}

HiveCells::HiveCells(const HivePages& pages, std::uint32_t binsSize, std::uint32_t minorVersion)
    : pages_(pages), binsSize_(binsSize), minor_(minorVersion)
{
}

void HiveCells::fail(const QString& what) const
{
    throw Fault{what};
}

std::pair<std::uint32_t, std::uint32_t> HiveCells::binOf(Offset offset, const char* what) const
{
    if (auto it = bins_.upper_bound(offset); it != bins_.begin() && offset < std::prev(it)->first + std::prev(it)->second)
        return *std::prev(it);
    // Going back from the cell's page to the nearest that begins a bin (its
    // header names its own place; a cell's bytes that merely look like one do not).
    const std::uint32_t page = offset / BinPage * BinPage;
    for (std::uint32_t back = 0; back < MaxBinPages && back * BinPage <= page; ++back) {
        const std::uint32_t start = page - back * BinPage;
        unsigned char header[BinHeader];
        if (!pages_.read(std::int64_t(BaseBlockSize) + start, header, sizeof header)) throw Fault{pages_.why(), true};
        const std::uint32_t at = le32(header + 4), size = le32(header + 8);
        if (std::memcmp(header, "hbin", 4) != 0 || at != start) continue;
        if (size == 0 || size % BinPage != 0 || size > binsSize_ - start)
            fail(QStringLiteral("der Behälter bei Byte %1 nennt die unmögliche Größe %2").arg(start + BaseBlockSize).arg(size));
        if (start + size <= offset) break;  // the nearest bin ends before the cell
        return *bins_.emplace(start, size).first;
    }
    fail(QStringLiteral("%1 (bei %2) liegt in keinem Behälter").arg(QString::fromUtf8(what)).arg(offset));
}

QByteArray HiveCells::cell(Offset offset, const char* what) const
{
    // The message's words are made only where it fails: cells are read by the thousand.
    const auto named = [what] { return QString::fromUtf8(what); };
    if (offset < BinHeader || offset >= binsSize_ || offset % 4 != 0)
        fail(QStringLiteral("%1 liegt an der unmöglichen Stelle %2").arg(named()).arg(offset));
    const auto [start, size] = binOf(offset, what);
    const std::uint32_t binEnd = start + size;
    if (offset < start + BinHeader || offset + 4 > binEnd)
        fail(QStringLiteral("%1 (bei %2) liegt nicht in seinem Behälter").arg(named()).arg(offset));
    // Most cells are small: their size and their data come in one read where
    // the bytes behind them can be read too (else the two are read alone).
    unsigned char head[128];
    const std::uint32_t ahead = std::min<std::uint32_t>(sizeof head, binEnd - offset);
    const bool together = pages_.read(std::int64_t(BaseBlockSize) + offset, head, ahead);
    if (!together && !pages_.read(std::int64_t(BaseBlockSize) + offset, head, 4)) throw Fault{pages_.why(), true};
    const std::int32_t signedSize = std::int32_t(le32(head));
    // In use (negative) or free: a list may name either; its length decides.
    const std::uint32_t length = signedSize < 0 ? std::uint32_t(-std::int64_t(signedSize)) : std::uint32_t(signedSize);
    if (length < 8 || length > binEnd - offset)
        fail(QStringLiteral("%1 (bei %2) hat die unmögliche Größe %3").arg(named()).arg(offset).arg(length));
    QByteArray data(qsizetype(length - 4), Qt::Uninitialized);
    if (together && length <= ahead) {
        std::memcpy(data.data(), head + 4, length - 4);
    } else if (!pages_.read(std::int64_t(BaseBlockSize) + offset + 4, data.data(), std::size_t(data.size()))) {
        throw Fault{pages_.why(), true};
    }
    return data;
}

HiveCells::KeyNode HiveCells::keyNode(Offset offset) const
{
    const QByteArray c = cell(offset, "ein Schlüssel");
    if (c.size() < qsizetype(KeyNodeHeader) || !c.startsWith("nk"))
        fail(QStringLiteral("der Schlüssel bei %1 ist keiner (\u201Enk\u201C fehlt)").arg(offset));
    const std::uint16_t nameLength = le16At(c, 72);
    if (KeyNodeHeader + nameLength > std::uint32_t(c.size()))
        fail(QStringLiteral("der Name des Schlüssels bei %1 ist länger als seine Zelle").arg(offset));
    KeyNode node;
    node.offset = offset;
    node.name = nameOf(c, KeyNodeHeader, nameLength, le16At(c, 2) & CompressedKeyName);
    node.subkeyCount = le32At(c, 20);
    node.subkeyList = le32At(c, 28);
    node.valueCount = le32At(c, 36);
    node.valueList = le32At(c, 40);
    node.link = le16At(c, 2) & SymbolicLinkKey;
    return node;
}

std::vector<HiveCells::Entry> HiveCells::entries(const KeyNode& node) const
{
    std::vector<Entry> found;
    if (node.subkeyCount == 0) return found;
    // A list, or an index of lists (ri), which holds no index itself: no list can loop.
    auto readList = [&](Offset offset, bool indexAllowed, auto&& self) -> void {
        const QByteArray c = cell(offset, "eine Liste von Unterschlüsseln");
        if (c.size() < 4) fail(QStringLiteral("die Liste bei %1 ist zu kurz").arg(offset));
        const std::uint32_t count = le16At(c, 2);
        const bool hinted = c.startsWith("lf") || c.startsWith("lh");
        const std::uint32_t width = hinted ? 8 : 4;
        if (!hinted && !c.startsWith("li") && !(indexAllowed && c.startsWith("ri")))
            fail(QStringLiteral("die Liste von Unterschlüsseln bei %1 hat eine unbekannte Art").arg(offset));
        if (4 + std::uint64_t(count) * width > std::uint64_t(c.size()))
            fail(QStringLiteral("die Liste bei %1 nennt %2 Einträge, mehr als sie fasst").arg(offset).arg(count));
        for (std::uint32_t i = 0; i < count; ++i) {
            const Offset entry = le32At(c, 4 + qsizetype(i * width));
            if (c.startsWith("ri")) {
                self(entry, false, self);
                continue;
            }
            const Entry::Hint kind = c.startsWith("lh") ? Entry::Hint::Hash : c.startsWith("lf") ? Entry::Hint::Prefix
                                                                                               : Entry::Hint::None;
            found.push_back({entry, hinted ? le32At(c, 8 + qsizetype(i * width)) : 0, kind});
        }
    };
    readList(node.subkeyList, true, readList);
    return found;
}

std::optional<HiveCells::KeyNode> HiveCells::subkey(const KeyNode& node, QStringView name) const
{
    // The hints decide only for names of ASCII characters, whose upper case is the same everywhere.
    const bool hints = ascii(name);
    const std::uint32_t hash = nameHash(name);
    for (const Entry& entry : entries(node)) {
        if (hints && entry.kind == Entry::Hint::Hash && entry.hint != hash) continue;
        if (hints && entry.kind == Entry::Hint::Prefix) {
            bool fits = true;
            for (qsizetype i = 0; i < 4 && fits; ++i) {
                const char16_t hinted = char16_t(entry.hint >> (8 * i) & 0xFF);
                const char16_t wanted = i < name.size() ? name[i].unicode() : 0;
                fits = hinted >= 0x80 || upper(hinted) == upper(wanted);
            }
            if (!fits) continue;
        }
        KeyNode child = keyNode(entry.offset);
        if (sameName(child.name, name)) return child;
    }
    return std::nullopt;
}

std::vector<HiveCells::KeyNode> HiveCells::subkeys(const KeyNode& node) const
{
    std::vector<KeyNode> children;
    for (const Entry& entry : entries(node)) children.push_back(keyNode(entry.offset));
    return children;
}

std::vector<HiveCells::Offset> HiveCells::valueOffsets(const KeyNode& node) const
{
    std::vector<Offset> offsets;
    if (node.valueCount == 0) return offsets;
    const QByteArray c = cell(node.valueList, "eine Liste von Werten");
    if (std::uint64_t(node.valueCount) * 4 > std::uint64_t(c.size()))
        fail(QStringLiteral("der Schlüssel \u201E%1\u201C nennt %2 Werte, mehr als seine Liste fasst")
                 .arg(node.name)
                 .arg(node.valueCount));
    for (std::uint32_t i = 0; i < node.valueCount; ++i) offsets.push_back(le32At(c, qsizetype(4 * i)));
    return offsets;
}

HiveCells::Value HiveCells::valueAt(Offset offset) const
{
    const QByteArray c = cell(offset, "ein Wert");
    if (c.size() < qsizetype(ValueHeader) || !c.startsWith("vk"))
        fail(QStringLiteral("der Wert bei %1 ist keiner (\u201Evk\u201C fehlt)").arg(offset));
    const std::uint16_t nameLength = le16At(c, 2);
    if (ValueHeader + nameLength > std::uint32_t(c.size()))
        fail(QStringLiteral("der Name des Werts bei %1 ist länger als seine Zelle").arg(offset));
    Value v;
    v.offset = offset;
    v.name = nameOf(c, ValueHeader, nameLength, le16At(c, 16) & CompressedValueName);
    v.dataSize = le32At(c, 4);
    v.data = le32At(c, 8);
    v.type = le32At(c, 12);
    v.inline_ = v.dataSize & 0x80000000u;
    return v;
}

std::optional<HiveCells::Value> HiveCells::value(const KeyNode& node, QStringView name) const
{
    for (Offset offset : valueOffsets(node)) {
        Value v = valueAt(offset);
        if (sameName(v.name, name)) return v;
    }
    return std::nullopt;
}

std::vector<HiveCells::Value> HiveCells::values(const KeyNode& node) const
{
    std::vector<Value> all;
    for (Offset offset : valueOffsets(node)) all.push_back(valueAt(offset));
    return all;
}

QByteArray HiveCells::data(const Value& value) const
{
    if (value.inline_) {
        const std::uint32_t length = value.dataSize & 0x7FFFFFFFu;
        if (length > 4) fail(QStringLiteral("der Wert \u201E%1\u201C nennt %2 Bytes in seinem Kopf").arg(value.name).arg(length));
        const unsigned char bytes[4] = {static_cast<unsigned char>(value.data), static_cast<unsigned char>(value.data >> 8),
                                        static_cast<unsigned char>(value.data >> 16), static_cast<unsigned char>(value.data >> 24)};
        return QByteArray(reinterpret_cast<const char*>(bytes), qsizetype(length));
    }
    const std::uint32_t length = value.dataSize;
    if (length == 0) return {};
    if (length > binsSize_)
        fail(QStringLiteral("der Wert \u201E%1\u201C nennt %2 Bytes, mehr als die Struktur hat").arg(value.name).arg(length));
    QByteArray c = cell(value.data, "die Daten eines Werts");
    if (minor_ >= 4 && length > BigDataFrom && c.startsWith("db")) {
        // Big data: a list of segments, each holding up to 16344 bytes of the value.
        if (c.size() < 8) fail(QStringLiteral("die Daten des Werts \u201E%1\u201C sind beschädigt").arg(value.name));
        const std::uint32_t segments = le16At(c, 2);
        if (std::uint64_t(segments) * SegmentData < length)
            fail(QStringLiteral("der Wert \u201E%1\u201C hat zu wenige Teile für seine %2 Bytes").arg(value.name).arg(length));
        const QByteArray list = cell(le32At(c, 4), "die Teile eines Werts");
        if (std::uint64_t(segments) * 4 > std::uint64_t(list.size()))
            fail(QStringLiteral("die Liste der Teile des Werts \u201E%1\u201C ist zu kurz").arg(value.name));
        QByteArray whole;
        whole.reserve(qsizetype(length));
        for (std::uint32_t i = 0; i < segments && std::uint32_t(whole.size()) < length; ++i) {
            const QByteArray segment = cell(le32At(list, qsizetype(4 * i)), "ein Teil eines Werts");
            const std::uint32_t take = std::min(length - std::uint32_t(whole.size()), SegmentData);
            if (std::uint32_t(segment.size()) < take)
                fail(QStringLiteral("ein Teil des Werts \u201E%1\u201C ist zu kurz").arg(value.name));
            whole.append(segment.constData(), qsizetype(take));
        }
        return whole;
    }
    if (length > std::uint32_t(c.size()))
        fail(QStringLiteral("der Wert \u201E%1\u201C ist länger als seine Zelle").arg(value.name));
    c.truncate(qsizetype(length));
    return c;
}

}  // namespace registry
