#pragma once

// Loads the toolkit's German texts, remembers the desktop's style for the
// dialogs and selects the classic "Windows" widget style for the window. The
// window makes its own fonts available when it is built (window/WindowFonts.h).
void prepareApplication();
