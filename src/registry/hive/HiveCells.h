#pragma once

#include "registry/hive/HivePages.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace registry {

// The cells of a hive, read as a lookup reaches them, each checked before it
// is used: its offset inside the hive's bins (the length the base block
// gives), inside its bin, its size and signature, every count and name length
// against the cell that holds it, and subkey lists that would loop. What is
// wrong is told as a German fault (the caller names the hive).
//
// The layout, as the format's public description gives it: cells begin at
// 4096 bytes from the file's start, in bins ("hbin") of multiples of 4 KiB;
// a cell is a signed 32-bit size (negative: in use) and its data. A key node
// ("nk") names its subkey list (lf, lh, li, or ri of those) and its value
// list; a value ("vk") its data, inline in four bytes, in one cell, or in
// big data ("db": segments of at most 16344 bytes).
class HiveCells {
public:
    using Offset = std::uint32_t;  // from the first bin

    // `binsSize`: the hive's length after its base block, as its header says.
    HiveCells(const HivePages& pages, std::uint32_t binsSize, std::uint32_t minorVersion);

    struct KeyNode {
        Offset offset = 0;
        QString name;
        std::uint32_t subkeyCount = 0;
        Offset subkeyList = 0;
        std::uint32_t valueCount = 0;
        Offset valueList = 0;
        bool link = false;  // flagged as a symbolic link (KEY_SYM_LINK), its target in SymbolicLinkValue
    };
    struct Value {
        Offset offset = 0;
        QString name;
        std::uint32_t type = 0;
        std::uint32_t dataSize = 0;
        Offset data = 0;    // its cell, unless inline
        bool inline_ = false;
    };

    // Each fails with a Fault.
    KeyNode keyNode(Offset offset) const;
    // The subkey of `node` named `name` (compared as registry names are), or
    // nothing. Where the list keeps a hash (lh) or the first characters (lf) of
    // each name, only the names that could match are read.
    std::optional<KeyNode> subkey(const KeyNode& node, QStringView name) const;
    // Every subkey, in the list's order.
    std::vector<KeyNode> subkeys(const KeyNode& node) const;
    std::optional<Value> value(const KeyNode& node, QStringView name) const;
    std::vector<Value> values(const KeyNode& node) const;
    QByteArray data(const Value& value) const;
    // The cells of a key's values, and one value's header (read one at a
    // time: a damaged one fails only when it is reached).
    std::vector<Offset> valueOffsets(const KeyNode& node) const;
    Value valueAt(Offset offset) const;

    struct Fault {
        QString what;
        bool source = false;  // the source could not be read (or changed), not a damaged cell
    };

private:
    // A cell's data (without its size field), checked to lie in the bins and in its bin.
    QByteArray cell(Offset offset, const char* what) const;
    std::pair<std::uint32_t, std::uint32_t> binOf(Offset offset, const char* what) const;  // start, size
    [[noreturn]] void fail(const QString& what) const;
    // Every subkey list entry of `node`: a cell and the hint that lists keep for its name.
    struct Entry {
        Offset offset;
        std::uint32_t hint;
        enum class Hint { None, Hash, Prefix } kind;
    };
    std::vector<Entry> entries(const KeyNode& node) const;

    const HivePages& pages_;
    std::uint32_t binsSize_;
    std::uint32_t minor_;
    mutable std::map<std::uint32_t, std::uint32_t> bins_;  // bins found: start -> size
};

// The hash that lh lists keep of a name: each UTF-16 unit in upper case,
// hash = hash * 37 + unit.
std::uint32_t nameHash(QStringView name);

}  // namespace registry
