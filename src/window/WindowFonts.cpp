#include "window/WindowFonts.h"

#include <fontconfig/fontconfig.h>

#include <initializer_list>

#include <unistd.h>

namespace {

bool fontconfigKnows(const char* family)
{
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
    if (!pattern) return false;
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    bool known = false;
    FcChar8* found = nullptr;
    if (match && FcPatternGetString(match, FC_FAMILY, 0, &found) == FcResultMatch)
        known = FcStrCmpIgnoreCase(found, reinterpret_cast<const FcChar8*>(family)) == 0;
    if (match) FcPatternDestroy(match);
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
