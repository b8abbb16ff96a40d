#include "window/DialogParts.h"

#include <QDialog>
#include <QLabel>

QLabel* wrappedText(const QString& text, QDialog* dialog)
{
    auto* label = new QLabel(text, dialog);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setMinimumWidth(label->fontMetrics().averageCharWidth() * 70);
    return label;
}

QLabel* refusalLine(QDialog* dialog)
{
    auto* refusal = new QLabel(dialog);
    refusal->setObjectName(QStringLiteral("refusal"));
    refusal->setWordWrap(true);
    refusal->setTextInteractionFlags(Qt::TextSelectableByMouse);
    refusal->hide();
    return refusal;
}

void tellRefusal(QLabel* refusal, const QString& why)
{
    refusal->setText(why);
    refusal->show();
    refusal->window()->adjustSize();
}
