#pragma once

#include <QString>

class QDialog;
class QLabel;

// The parts the question dialogs share.

// A wrapped text about 70 characters wide (a message, a prompt).
QLabel* wrappedText(const QString& text, QDialog* dialog);

// The line that says why an answer did not fit: hidden until told, its
// object name "refusal".
QLabel* refusalLine(QDialog* dialog);
// Tells `why` there, the dialog growing to show it.
void tellRefusal(QLabel* refusal, const QString& why);
