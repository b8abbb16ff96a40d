#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace shell {

// Registry value types, numbered as on Windows.
enum class RegType : std::uint32_t {
    None = 0,
    Sz = 1,
    ExpandSz = 2,
    Binary = 3,
    Dword = 4,
    DwordBigEndian = 5,
    Link = 6,
    MultiSz = 7,
    ResourceList = 8,
    FullResourceDescriptor = 9,
    ResourceRequirementsList = 10,
    Qword = 11,
};

// A value as the registry stores it: its type number and its raw data.
// String types hold UTF-16LE code units, as written by the source (usually with
// a terminating NUL); a DWORD holds four little-endian bytes.
struct RegValue {
    std::uint32_t type = 0;
    QByteArray data;
};

// The order of registry names: UTF-16 code units compared after case folding,
// one unit at a time, so a lookup needs no folded copy of the name.
struct FoldedLess {
    using is_transparent = void;
    bool operator()(QStringView a, QStringView b) const;
};

// True when a and b name the same key or value.
bool sameName(QStringView a, QStringView b);

// One key: values and subkeys, names compared case-insensitively, the spelling
// of the first writer kept.
class RegKey {
public:
    RegKey() = default;
    RegKey(RegKey&&) = default;
    RegKey& operator=(RegKey&&) = default;
    ~RegKey();  // tears deep trees down without recursion

    const RegKey* child(QStringView name) const;
    RegKey* child(QStringView name);
    const RegValue* value(QStringView name) const;  // "" names the default value

    RegKey& ensureChild(QStringView name);
    void removeChild(QStringView name);
    void setValue(QStringView name, RegValue value);
    void removeValue(QStringView name);

    const QString& name() const { return name_; }
    std::size_t childCount() const { return children_.size(); }
    std::size_t valueCount() const { return values_.size(); }

    template <class F> void forEachChild(F&& f) const
    {
        for (const auto& [name, entry] : children_) f(*entry);
    }
    template <class F> void forEachValue(F&& f) const
    {
        for (const auto& [name, value] : values_) f(name, value);
    }

private:
    QString name_;
    std::map<QString, std::unique_ptr<RegKey>, FoldedLess> children_;
    std::map<QString, RegValue, FoldedLess> values_;
};

// The local-machine hive of one source: paths are relative to HKLM.
class RegistryTree {
public:
    RegKey& root() { return root_; }
    const RegKey& root() const { return root_; }

    // "SYSTEM\Select" -> that key, or nullptr; no alias resolution here.
    const RegKey* findKey(QStringView keyPath) const;

private:
    RegKey root_;
};

// Parses one registry text file: "REGEDIT4", "Windows Registry Editor Version
// 5.00" (UTF-16LE with BOM, UTF-8 or 8-bit) or a Wine registry file ("WINE
// REGISTRY Version 2", keys relative to HKLM). Keys of hives other than HKLM in
// export files are skipped. Bad input fails with a RuntimeError whose
// description names the source and the line and says what was expected.
RegistryTree parseRegistry(QByteArrayView bytes, const QString& sourceName);

// Reads and parses a file; a file that cannot be read, or is over 256 MiB, fails.
RegistryTree parseRegistryFile(const QString& path);

// The parsed file, shared; parsed again only when its size, mtime or inode changed.
std::shared_ptr<const RegistryTree> cachedRegistryFile(const QString& path);

}  // namespace shell
