#pragma once

#include "disk/Question.h"
#include "runtime/RuntimeError.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <set>
#include <utility>

#include <sys/types.h>

namespace disk {

// A differencing image's parent that is nowhere it was looked for. What is
// needed and where it was sought, for a question to the user, whose answer
// goes to giveParent.
class MissingParent : public Question {
public:
    MissingParent(QString child, QString parentName, QStringList searched);

    const QString& child() const { return child_; }
    const QString& parentName() const { return parentName_; }
    const QStringList& searched() const { return searched_; }

private:
    QString child_;
    QString parentName_;
    QStringList searched_;
};

// A file that is not the parent of the differencing image that names it (or
// that the user gave for it): which, and why.
class WrongParent : public runtime::RuntimeError {
public:
    WrongParent(const QString& message, QString parent)
        : RuntimeError(runtime::ErrorNumber::InvalidData, message), parent_(std::move(parent))
    {
    }
    const QString& parent() const { return parent_; }

private:
    QString parent_;
};

// The parent the user named for `child`: looked at first, before anything the
// child stores, for as long as the program runs.
void giveParent(const QString& child, const QString& parent);
// Forgets what giveParent was told of `child`.
void forgetGivenParent(const QString& child);
// What giveParent was told of `child`, or a null string.
QString givenParent(const QString& child);

// Where a parent is looked for, in order: the parent the user gave, then from
// the names a child stores: a relative name beside the child, an absolute
// Linux path as it stands, and any name (a Windows path "C:\VMs\X.avhdx"
// too) by its last name beside the child.
QStringList parentCandidates(const QString& child, const QStringList& stored);

// The parent of `child` among `candidates`: the first that is a file and that
// `refusal` accepts, which says why a file is not the parent, or nothing when
// it is. A file refused is told (wrongParent) when no other is accepted; no
// file at all is a MissingParent named `parentName`.
QString chooseParent(const QString& child, const QString& parentName, const QStringList& candidates,
                     const std::function<QString(const QString& candidate)>& refusal);

// The hops of one chain, checked as it is followed: at most 32 parents, and
// no file twice (a chain that comes back to itself would never end).
class ChainGuard {
public:
    explicit ChainGuard(QString top) : top_(std::move(top)) {}
    // Counts `path` as the next link; fails naming the chain when it cannot be one.
    void enter(const QString& path);

    static constexpr int MaxParents = 32;

private:
    QString top_;
    int links_ = 0;
    std::set<std::pair<dev_t, ino_t>> seen_;
};

// "Datenträgerabbild „X“ …": the errors of the container formats.
[[noreturn]] void imageFault(const QString& path, const QString& what,
                             std::int32_t number = runtime::ErrorNumber::InvalidData);

// That `parent` is not the parent `child` was made on: `why` says how it differs (a WrongParent).
[[noreturn]] void wrongParent(const QString& child, const QString& parent, const QString& why);

}  // namespace disk
