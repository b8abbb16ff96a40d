#include "window/WindowFonts.h"

#include <fontconfig/fontconfig.h>

#include <initializer_list>

#include <unistd.h>

namespace {

// Whether fontconfig has a font of exactly this family: a list filtered by the
// name, without the substitution rules a match would run.
bool fontconfigKnows(const char* family)
{
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* fonts = objects ? FcFontList(nullptr, pattern, objects) : nullptr;
    const bool known = fonts && fonts->nfont > 0;
    if (fonts) FcFontSetDestroy(fonts);
    if (objects) FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return known;
}

}  // namespace

void useWindowFonts()
{
    static const bool done = [] {
        if (!fontconfigKnows("Tahoma")) {
            for (const char* file : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
                if (::access(file, R_OK) == 0)
                    FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(file));
        }
        return true;
    }();
    (void)done;
}
