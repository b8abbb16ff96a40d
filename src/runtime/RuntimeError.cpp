#include "runtime/RuntimeError.h"

#include <QStringList>

#include <cstring>
#include <utility>

namespace runtime {

namespace {

// Private-use characters: nothing a user, a file or a library writes carries them.
constexpr char16_t kOpen = u'\uE000', kClose = u'\uE001';

}  // namespace

QString libraryWords(const QString& said)
{
    QString words = said.trimmed();
    words.remove(QChar(kOpen)).remove(QChar(kClose));
    return words.isEmpty() ? QString() : QChar(kOpen) + words + QChar(kClose);
}

SplitText splitLibraryWords(const QString& text)
{
    SplitText split;
    QStringList details;
    split.message.reserve(text.size());
    for (qsizetype at = 0; at < text.size();) {
        const qsizetype open = text.indexOf(QChar(kOpen), at);
        if (open < 0) {
            split.message += QStringView(text).mid(at);
            break;
        }
        split.message += QStringView(text).mid(at, open - at);
        const qsizetype close = text.indexOf(QChar(kClose), open + 1);
        details << text.mid(open + 1, (close < 0 ? text.size() : close) - open - 1);
        at = close < 0 ? text.size() : close + 1;
        // The blank before the words goes with them.
        while (!split.message.isEmpty() && split.message.back() == u' ') split.message.chop(1);
    }
    details.removeDuplicates();
    split.details = details.join(u'\n');
    return split;
}

QString errnoName(int error)
{
    const char* name = error ? strerrorname_np(error) : nullptr;
    return name ? QString::fromLatin1(name) : QStringLiteral("errno %1").arg(error);
}

RuntimeError::RuntimeError(std::int32_t number, QString description, QString details) : number_(number)
{
    SplitText split = splitLibraryWords(description);
    description_ = std::move(split.message);
    details_ = std::move(details);
    if (!split.details.isEmpty()) details_ += (details_.isEmpty() ? QString() : QStringLiteral("\n")) + split.details;
    what_ = std::to_string(number) + ": " + description_.toStdString();
}

RuntimeError RuntimeError::overflow()
{
    return {ErrorNumber::Overflow, QStringLiteral("Überlauf")};
}

RuntimeError RuntimeError::typeMismatch()
{
    return {ErrorNumber::TypeMismatch, QStringLiteral("Typen unverträglich")};
}

RuntimeError RuntimeError::invalidPropertyValue()
{
    return {ErrorNumber::InvalidPropertyValue, QStringLiteral("Ungültiger Eigenschaftswert")};
}

}  // namespace runtime
