#include "app/AppSetup.h"

#include <QApplication>
#include <QStyleFactory>

void prepareApplication()
{
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Windows")))
        QApplication::setStyle(style);
}
