#pragma once

#include <QStringList>
#include <QTimer>

#include <functional>
#include <vector>

class QDialog;

// Answers the modal dialogs (not message boxes) that open while it is alive,
// as a person would: the n-th dialog gets the n-th action, which works it
// with keys and clicks; a dialog past the last action is cancelled and noted.
class DialogAnswers {
public:
    using Action = std::function<void(QDialog* dialog)>;

    explicit DialogAnswers(std::vector<Action> actions);
    ~DialogAnswers();
    DialogAnswers(const DialogAnswers&) = delete;
    DialogAnswers& operator=(const DialogAnswers&) = delete;

    // The object names of the dialogs seen, in order.
    const QStringList& seen() const { return seen_; }

private:
    void poll();

    QTimer timer_;
    std::vector<Action> actions_;
    QStringList seen_;
    bool acting_ = false;
};

// Types `text` into the widget with the keyboard focus of `dialog`.
void typeInto(QDialog* dialog, const QString& text);
// Presses a key at the widget with the keyboard focus of `dialog`.
void press(QDialog* dialog, int key);
// Clicks the button named `objectName` (or with that text) in `dialog`.
void clickButton(QDialog* dialog, const QString& objectNameOrText);
