#pragma once

#include <QString>

class QMessageBox;

// Gives a message box the message and the details of an error as a desktop
// user needs them: the details (a library's own words) behind "Details
// anzeigen", a long path that wraps at its separators instead of running
// past the box's edge, and Ctrl+C copying the message and the details from
// the keyboard alone, wherever the focus is (a selection in the text is
// copied as it is).
void setMessageText(QMessageBox& box, const QString& message, const QString& details = {});

// The text that Ctrl+C puts on the clipboard: the message, then the details.
QString copiedMessage(const QString& message, const QString& details);

// `text` with a break opportunity after each separator of a long word (a
// path): a zero-width space, which the line breaker takes and the copy leaves out.
QString breakableText(const QString& text);
