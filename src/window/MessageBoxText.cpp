#include "window/MessageBoxText.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMessageBox>
#include <QShortcut>

namespace {

constexpr QChar kBreak = u'\u200B';
constexpr qsizetype kLongWord = 30;  // shorter words fit in any line of the box

}  // namespace

QString breakableText(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    qsizetype wordStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isSpace()) wordStart = i + 1;
        out += c;
        const bool separator = c == u'/' || c == u'\\' || c == u'_' || c == u'-' || c == u'.';
        if (separator && i - wordStart >= 1 && i + 1 < text.size() && !text[i + 1].isSpace()) {
            // Only inside a word that cannot fit a line on its own.
            qsizetype wordEnd = i + 1;
            while (wordEnd < text.size() && !text[wordEnd].isSpace()) ++wordEnd;
            if (wordEnd - wordStart > kLongWord) out += kBreak;
        }
    }
    return out;
}

QString copiedMessage(const QString& message, const QString& details)
{
    QString text = message;
    text.remove(kBreak);
    if (!details.isEmpty()) text += QStringLiteral("\n\nEinzelheiten:\n") + details;
    return text + u'\n';
}

void setMessageText(QMessageBox& box, const QString& message, const QString& details)
{
    box.setText(breakableText(message));
    box.setTextFormat(Qt::PlainText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    if (!details.isEmpty()) box.setDetailedText(details);
    // A selection in the text is the label's to copy; the shortcut takes Ctrl+C everywhere else.
    auto* copy = new QShortcut(QKeySequence::Copy, &box);
    QObject::connect(copy, &QShortcut::activated, &box, [message, details] {
        QGuiApplication::clipboard()->setText(copiedMessage(message, details));
    });
}
