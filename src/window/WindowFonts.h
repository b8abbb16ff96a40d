#pragma once

// Makes the window's "Tahoma" available before any control asks for it: when
// fontconfig matches no font of that name, the Tahoma of Debian's fonts-wine
// (which fontconfig does not index) is added for this process. Asks fontconfig
// about one name only; the font list is left to the toolkit, which reads it at
// the first text anyway. Where neither exists, fontconfig's substitute is used.
// Once per process; later calls do nothing.
void useWindowFonts();
