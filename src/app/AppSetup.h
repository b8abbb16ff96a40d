#pragma once

// Makes "Tahoma" available (from Debian's fonts-wine, which fontconfig does not
// index) and selects the classic "Windows" widget style.
void prepareApplication();
