#include "ModalBoxes.h"

#include <QApplication>
#include <QMessageBox>

ModalBoxes::ModalBoxes()
{
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start();
}

ModalBoxes::~ModalBoxes() = default;

void ModalBoxes::poll()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || box->property("tessera.recorded").toBool())
        return;
    box->setProperty("tessera.recorded", true);
    bool overShownWindow = false;
    for (QWidget* window : QApplication::topLevelWidgets())
        overShownWindow = overShownWindow || (window != box && window->isVisible());
    boxes_.push_back({box->windowTitle(), QString(box->text()).remove(QChar(u'\u200B')), overShownWindow, box->icon(),
                      box->textInteractionFlags().testFlag(Qt::TextSelectableByMouse), box->detailedText()});
    box->done(QMessageBox::Ok);
}
