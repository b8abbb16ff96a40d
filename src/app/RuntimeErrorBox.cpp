#include "app/RuntimeErrorBox.h"

#include "runtime/RuntimeError.h"
#include "window/MessageBoxText.h"

#include <QMessageBox>

QString runtimeErrorText(const runtime::RuntimeError& error)
{
    QString number = QString::number(error.number());
    if (error.number() < 0)
        number += QStringLiteral(" (%1)").arg(static_cast<quint32>(error.number()), 8, 16, QChar(u'0')).toUpper();
    return QStringLiteral("Laufzeitfehler '%1':\n\n%2").arg(number, error.description());
}

void ShowRuntimeError(const runtime::RuntimeError& error)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tessera"), QString(), QMessageBox::Ok);
    setMessageText(box, runtimeErrorText(error), error.details());
    box.exec();
}
