#pragma once

// Selects the classic "Windows" widget style. The window makes its own fonts
// available when it is built (window/WindowFonts.h).
void prepareApplication();
