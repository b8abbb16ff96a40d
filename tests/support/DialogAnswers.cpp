#include "DialogAnswers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

DialogAnswers::DialogAnswers(std::vector<Action> actions) : actions_(std::move(actions))
{
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start();
}

DialogAnswers::~DialogAnswers() = default;

void DialogAnswers::poll()
{
    if (acting_) return;  // an action's own event loop (a dialog it opened) comes round here
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || qobject_cast<QMessageBox*>(dialog) || dialog->property("tessera.answered").toBool()) return;
    dialog->setProperty("tessera.answered", true);
    const std::size_t n = std::size_t(seen_.size());
    seen_ << dialog->objectName();
    if (n >= actions_.size()) {
        ADD_FAILURE() << "a dialog nobody expected: " << dialog->objectName().toStdString();
        dialog->reject();
        return;
    }
    acting_ = true;
    // The action may open a dialog of its own (a file dialog), answered by the next action.
    QTimer::singleShot(0, dialog, [this, dialog, n] {
        acting_ = false;
        actions_[n](dialog);
    });
}

void typeInto(QDialog* dialog, const QString& text)
{
    QTest::keyClicks(dialog->focusWidget() ? dialog->focusWidget() : dialog, text);
}

void press(QDialog* dialog, int key)
{
    QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key(key));
}

void clickButton(QDialog* dialog, const QString& objectNameOrText)
{
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
        if (button->objectName() == objectNameOrText || button->text() == objectNameOrText) {
            QTest::mouseClick(button, Qt::LeftButton);
            return;
        }
    ADD_FAILURE() << "no button " << objectNameOrText.toStdString() << " in " << dialog->objectName().toStdString();
}
