#pragma once

#include <QString>

class QWidget;

// A named source that cannot be shown (no Windows on the disk, a damaged
// file, a file that is no image): a critical box titled "Tessera" whose text
// can be selected and copied, with what a library said behind "Details
// anzeigen". Not the run-time error box, which is for the program's own errors.
void showSourceFailure(const QString& message, const QString& details, QWidget* parent = nullptr);

// What to know of the sources shown (a hive older than Windows left it, a
// Wine prefix left out, a hive without its partner): a warning box titled
// "Hinweis", its text selectable.
void showSourceNotice(const QString& message, const QString& details, QWidget* parent = nullptr);
