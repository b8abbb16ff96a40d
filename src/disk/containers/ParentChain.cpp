#include "disk/containers/ParentChain.h"

#include "disk/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <mutex>

#include <sys/stat.h>

namespace disk {

namespace ErrorNumber = runtime::ErrorNumber;
using runtime::RuntimeError;

namespace {

bool windowsPath(const QString& name)
{
    return (name.size() >= 2 && name[0].isLetter() && name[1] == u':') || name.startsWith(u'\\');
}

QString quoted(const QString& text) { return QStringLiteral("\u201E%1\u201C").arg(text); }

QString searchedInWords(const QString& child, const QStringList& searched)
{
    const QString folder = QFileInfo(child).absolutePath();
    QStringList elsewhere;
    bool beside = false;
    for (const QString& path : searched) {
        if (QFileInfo(path).absolutePath() == folder) beside = true;
        else elsewhere << quoted(path);
    }
    QStringList parts;
    if (!elsewhere.isEmpty()) parts << QStringLiteral("unter ") + elsewhere.join(QStringLiteral(", "));
    if (beside || parts.isEmpty()) parts << QStringLiteral("neben ") + quoted(child);
    return parts.join(QStringLiteral(" und "));
}

std::mutex g_givenMutex;
QHash<QString, QString> g_given;  // by the child's canonical path

QString childKey(const QString& child)
{
    const QFileInfo info(child);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

}  // namespace

void giveParent(const QString& child, const QString& parent)
{
    std::lock_guard lock(g_givenMutex);
    g_given.insert(childKey(child), QFileInfo(parent).absoluteFilePath());
}

void forgetGivenParent(const QString& child)
{
    std::lock_guard lock(g_givenMutex);
    g_given.remove(childKey(child));
}

QString givenParent(const QString& child)
{
    std::lock_guard lock(g_givenMutex);
    return g_given.value(childKey(child));
}

MissingParent::MissingParent(QString child, QString parentName, QStringList searched)
    : Question(ErrorNumber::FileNotFound,
                   QStringLiteral("Datenträgerabbild %1 braucht sein Basisabbild %2 (gesucht %3)")
                       .arg(quoted(child), quoted(parentName), searchedInWords(child, searched))),
      child_(std::move(child)), parentName_(std::move(parentName)), searched_(std::move(searched))
{
}

QStringList parentCandidates(const QString& child, const QStringList& stored)
{
    const QDir beside = QFileInfo(child).absoluteDir();
    QStringList candidates;
    auto add = [&](const QString& path) {
        const QString clean = QDir::cleanPath(path);
        if (!clean.isEmpty() && !candidates.contains(clean)) candidates << clean;
    };
    if (const QString given = givenParent(child); !given.isNull()) add(given);
    for (const QString& name : stored) {
        if (name.isEmpty()) continue;
        if (windowsPath(name)) continue;  // only its last name means anything here
        if (name.startsWith(u'/')) add(name);
        else add(beside.filePath(QString(name).replace(u'\\', u'/')));
    }
    for (const QString& name : stored)
        if (const QString last = lastNameOf(name); !last.isEmpty()) add(beside.filePath(last));
    return candidates;
}

QString chooseParent(const QString& child, const QString& parentName, const QStringList& candidates,
                     const std::function<QString(const QString& candidate)>& refusal)
{
    QString wrong, why;  // the first file found that is not the parent
    const QString given = givenParent(child);
    for (const QString& candidate : candidates) {
        if (!QFileInfo(candidate).isFile()) continue;
        QString no;
        try {
            no = refusal(candidate);
        } catch (const RuntimeError& error) {
            // The file the user chose does not even open as a parent (the child itself, a damaged
            // image): that is why it is not the parent, and another may be chosen.
            if (candidate != given) throw;
            no = error.description();
        }
        if (no.isEmpty()) return candidate;
        if (wrong.isNull()) wrong = candidate, why = no;
    }
    if (!wrong.isNull()) wrongParent(child, wrong, why);
    throw MissingParent(child, parentName, candidates);
}

void ChainGuard::enter(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && !seen_.insert({st.st_dev, st.st_ino}).second)
        imageFault(top_, QStringLiteral("hat eine Kette von Basisabbildern, die im Kreis führt: %1 kommt zweimal vor")
                             .arg(quoted(path)));
    if (++links_ > MaxParents + 1)
        imageFault(top_, QStringLiteral("hat mehr als %1 Basisabbilder hintereinander").arg(MaxParents));
}

void imageFault(const QString& path, const QString& what, std::int32_t number)
{
    throw RuntimeError(number, QStringLiteral("Datenträgerabbild %1 %2").arg(quoted(path), what));
}

void wrongParent(const QString& child, const QString& parent, const QString& why)
{
    const bool chosen = QFileInfo(parent) == QFileInfo(givenParent(child));
    throw WrongParent(QStringLiteral("Datenträgerabbild %1 baut nicht auf %2 auf, das als sein Basisabbild %3 "
                                     "wurde: %4")
                          .arg(quoted(child), quoted(parent),
                               chosen ? QStringLiteral("gewählt") : QStringLiteral("gefunden"), why),
                      parent);
}

}  // namespace disk
