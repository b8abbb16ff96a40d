#pragma once

class QWidget;

// The window keeps the classic style of its design; the dialogs that ask
// before it (and over it) look as the desktop's own do. Call before the
// classic style replaces the desktop's as the application's.
void rememberDesktopStyle();

// Gives `dialog` and every widget in it the desktop's style.
void useDesktopStyle(QWidget* dialog);
