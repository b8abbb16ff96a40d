#pragma once

#include "registry/text/Arena.h"
#include "registry/text/RegistryFileParser.h"
#include "registry/text/RegistrySource.h"
#include "registry/text/RegistryTree.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <memory_resource>
#include <mutex>

namespace registry {

// A registry text file (an export, a Wine registry file) as a source: checked
// through when it is opened, held once in its own encoding, and read only as
// far as lookups go. A key is found through the index of its lines, and its
// values are read from them the first time it is looked at.
class RegistryText : public RegistrySource {
public:
    // Fails as checkRegistry does.
    RegistryText(QByteArray bytes, const QString& sourceName);
    RegistryText(const RegistryText&) = delete;
    RegistryText& operator=(const RegistryText&) = delete;

    RegistryFormat format() const { return text_.format; }
    // The key lines the file holds (for the benchmarks).
    std::size_t keyLineCount() const { return text_.keys.size(); }

    Key root() const override;
    Key child(Key parent, QStringView name) const override;
    const RegValueView* value(Key key, QStringView name) const override;
    // Listed from every key line of the file: a key's subkeys are named nowhere else.
    QStringList subkeyNames(Key key) const override;
    QStringList valueNames(Key key) const override;

private:
    struct Node;
    Key childUnlocked(Key parent, QStringView name) const;  // under mutex_
    Node* newNode(Node* parent, QStringView name, std::size_t hash) const;
    bool names(std::int64_t at, const Node* parent, QStringView name, bool own, bool remove) const;

    mutable std::mutex mutex_;  // lookups read the file's lines and add what they found
    mutable CheckedRegistry text_;
    std::unique_ptr<Arena> arena_;
    Node* root_ = nullptr;
};

// Whether a file begins as a text does, as any registry text does: with a
// byte-order mark, or with a first line free of control characters (an empty
// file too). A file that does not is no registry text, whatever else it is.
bool beginsLikeText(const QString& path);

// A text file's first line (at most 60 characters, in its encoding: UTF-8,
// UTF-16 with its byte-order mark, else Windows-1252), for messages.
QString firstLineOf(const QString& path);

// Whether the first line begins like a registry text's: "REGEDIT", "Windows
// Registry Editor" or "WINE REGISTRY" (or the start of one), in any case.
// Only such a file is read (and told of) as a registry text.
bool beginsLikeRegistryText(const QString& path);

// Reads a text file whole and checks it; a file that cannot be read, is no
// plain file or is larger than maxRegistryTextSize() fails, naming it.
std::shared_ptr<const RegistryText> readRegistryFile(const QString& path);

}  // namespace registry
