#pragma once

// Loads the toolkit's German texts, makes the window's fonts available
// (window/WindowFonts.h) before the first text of a dialog, remembers the
// desktop's style for the dialogs and selects the classic "Windows" widget
// style for the window.
void prepareApplication();
