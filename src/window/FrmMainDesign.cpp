#include "window/FrmMainDesign.h"

namespace {

using K = ControlKind;
using R = TextRole;

std::vector<ControlDesign> buildDesign()
{
    std::vector<ControlDesign> d = {
        // name        idx kind            container   left top  w    h    caption                                font bold tab  text colour  white
        {"fmTab",       3, K::Frame,         "",          528, 464, 489, 393, QStringLiteral("Sound"),                 0, false, 26, R::ButtonText, false},
        {"Frame2",     -1, K::Frame,         "fmTab(3)",    8,   0, 385, 377, QStringLiteral("Gerätenamen"),           0, false, 27, R::ButtonText, false},
        {"tbSound",    10, K::TextBox,       "Frame2",     16, 312, 161,  21, QStringLiteral("Text1"),                12, false, 38, R::Default, false},
        {"tbSound",     9, K::TextBox,       "Frame2",     16, 344, 161,  21, QStringLiteral("Text1"),                12, false, 37, R::Default, false},
        {"tbSound",     8, K::TextBox,       "Frame2",     16, 280, 161,  21, QStringLiteral("Text1"),                12, false, 36, R::Default, false},
        {"tbSound",     7, K::TextBox,       "Frame2",     16, 248, 161,  21, QStringLiteral("Text1"),                12, false, 35, R::Default, false},
        {"tbSound",     6, K::TextBox,       "Frame2",     16, 152, 161,  21, QStringLiteral("Text1"),                12, false, 34, R::Default, false},
        {"tbSound",     5, K::TextBox,       "Frame2",     16, 184, 161,  21, QStringLiteral("Text1"),                12, false, 33, R::Default, false},
        {"tbSound",     4, K::TextBox,       "Frame2",     16, 216, 161,  21, QStringLiteral("Text1"),                12, false, 32, R::Default, false},
        {"tbSound",     3, K::TextBox,       "Frame2",     16, 120, 161,  21, QStringLiteral("Text1"),                12, false, 31, R::Default, false},
        {"tbSound",     2, K::TextBox,       "Frame2",     16,  88, 161,  21, QStringLiteral("Text1"),                12, false, 30, R::Default, false},
        {"tbSound",     1, K::TextBox,       "Frame2",     16,  56, 161,  21, QStringLiteral("Text1"),                12, false, 29, R::Default, false},
        {"tbSound",     0, K::TextBox,       "Frame2",     16,  24, 161,  21, QStringLiteral("Text1"),                12, false, 28, R::Default, false},
        {"cmdMain",     2, K::CommandButton, "",          208, 488,  89,  25, QStringLiteral("OK"),                    0, false, 25, R::ButtonText, false},
        {"cmdMain",     1, K::CommandButton, "",          312, 488,  89,  25, QStringLiteral("Abbrechen"),             0, false, 24, R::ButtonText, false},
        {"cmdMain",     0, K::CommandButton, "",          416, 488,  89,  25, QStringLiteral("Übernehmen"),            0, false, 23, R::ButtonText, false},
        {"fmTab",       2, K::Frame,         "",          528,  56, 489, 393, QStringLiteral("Speicher"),              0, false,  7, R::ButtonText, false},
        {"Frame1",     -1, K::Frame,         "fmTab(2)",   16,  24, 289, 353, QStringLiteral("Memory Options"),        0, false, 10, R::ButtonText, false},
        {"cmbL2",      -1, K::ComboBox,      "Frame1",     40, 176, 113,  22, {},                                     12, false, 22, R::Default, false},
        {"cmbIO",      -1, K::ComboBox,      "Frame1",     40, 120, 113,  22, {},                                     12, false, 20, R::Default, false},
        {"Check1",      9, K::CheckBox,      "Frame1",     16, 152, 257,  25, QStringLiteral("Change Second Level Data Cache (kB)"), 11, false, 19, R::WindowText, false},
        {"Check1",      8, K::CheckBox,      "Frame1",      8, 320, 257,  25, QStringLiteral("Physical Adress Extension"), 11, false, 18, R::WindowText, false},
        {"Check1",      7, K::CheckBox,      "Frame1",      8, 296, 257,  25, QStringLiteral("Paged Pool Size"),      11, false, 17, R::WindowText, false},
        {"Check1",      6, K::CheckBox,      "Frame1",      8, 272, 257,  25, QStringLiteral("Paged Pool Quota"),     11, false, 16, R::WindowText, false},
        {"Check1",      5, K::CheckBox,      "Frame1",      8, 248, 257,  25, QStringLiteral("None Paged Pool Size"), 11, false, 15, R::WindowText, false},
        {"Check1",      4, K::CheckBox,      "Frame1",      8, 224, 257,  25, QStringLiteral("None Paged Pool Quota"), 11, false, 14, R::WindowText, false},
        {"Check1",      3, K::CheckBox,      "Frame1",     16,  72, 257,  25, QStringLiteral("Large System Cache"),   11, false, 13, R::WindowText, false},
        {"Check1",      1, K::CheckBox,      "Frame1",     16,  48, 257,  25, QStringLiteral("Disable Paging Executive"), 11, false, 12, R::WindowText, false},
        // Menu text maps to the window-text role of the palette.
        {"Check1",      0, K::CheckBox,      "Frame1",     16,  24, 257,  25, QStringLiteral("Clear Pagefile at Shutdown"), 11, false, 11, R::WindowText, false},
        {"Label1",     -1, K::Label,         "Frame1",     40, 104, 121,  17, QStringLiteral("IO-Page Lock Limit (kB)"), 11, false, 21, R::ButtonText, false},
        {"fmTab",       1, K::Frame,         "",           16, 536, 489, 393, QStringLiteral("Test"),                  0, false,  6, R::ButtonText, false},
        {"fmTab",       0, K::Frame,         "",            0,  88, 489, 393, {},                                      0, false,  5, R::ButtonText, false},
        {"txtInfo",    -1, K::MultiLineTextBox, "fmTab(0)", 16,  24, 457, 353, QStringLiteral("Text1"),                0, false,  8, R::Default, false},
        {"tabMain",    -1, K::TabStrip,      "",            0,  64, 513, 460, {},                                     13, false,  0, R::Default, false},
        {"lblHeader",   4, K::Label,         "",            8,   0, 185,  41, QStringLiteral("INFO"),                 35, true,   9, R::DesktopText, true},
        {"lblHeader",   3, K::Label,         "",          416,   8,  33,  17, QStringLiteral("VERSION"),              11, false,  4, R::ButtonText, true},
        {"lblHeader",   2, K::Label,         "",          416,  24,  33,  17, QStringLiteral("VERSION"),              11, false,  3, R::ButtonText, true},
        {"lblHeader",   1, K::Label,         "",          216,  24, 145,  17, QStringLiteral("für Microsoft Windows 2000"), 11, false, 2, R::ButtonText, true},
        {"lblHeader",   0, K::Label,         "",          208,   8,  73,  17, QStringLiteral("Tessera"),              13, true,   1, R::ButtonText, true},
        {"shHeader",   -1, K::Shape,         "",            0,   0, 450,  50, {},                                      0, false, -1, R::Default, true},
        {"imgHeader",  -1, K::Image,         "",          456,   0,  50,  50, {},                                      0, false, -1, R::Default, false},
    };
    return d;
}

}  // namespace

const std::vector<ControlDesign>& frmMainDesign()
{
    static const std::vector<ControlDesign> design = buildDesign();
    return design;
}

QString controlObjectName(const char* name, std::int16_t index)
{
    QString objectName = QString::fromLatin1(name);
    if (index >= 0)
        objectName += QStringLiteral("(%1)").arg(index);
    return objectName;
}

namespace {

// Controls without a caption that names them. A text box's caption column holds
// its initial content, not a name.
struct Naming {
    const char* name;
    std::int16_t index;
    const char* namedBy;      // objectName of the control whose caption names it
    const char* description;  // UTF-8; used when namedBy is null
};

const Naming kNamings[] = {
    {"tabMain",   -1, nullptr,     "Seiten"},
    {"fmTab",      0, nullptr,     "Info"},  // the page of the tab "Info"
    {"txtInfo",   -1, nullptr,     "Systeminformationen"},
    {"cmbIO",     -1, "Label1",    nullptr},
    {"cmbL2",     -1, "Check1(9)", nullptr},
    // The boxes carry no labels; each shows the name of one device category.
    {"tbSound",    0, nullptr,     "Gerätename Summe"},
    {"tbSound",    1, nullptr,     "Gerätename Wave"},
    {"tbSound",    2, nullptr,     "Gerätename Mikrofon"},
    {"tbSound",    3, nullptr,     "Gerätename Line-In"},
    {"tbSound",    4, nullptr,     "Gerätename CD"},
    {"tbSound",    5, nullptr,     "Gerätename Aux"},
    {"tbSound",    6, nullptr,     "Gerätename MIDI"},
    {"tbSound",    7, nullptr,     "Gerätename Wave-Synthesizer"},
    {"tbSound",    8, nullptr,     "Gerätename Telefon"},
    {"tbSound",    9, nullptr,     "Gerätename Monomixer"},
    {"tbSound",   10, nullptr,     "Gerätename Stereomixer"},
    {"shHeader",  -1, nullptr,     "Kopfleiste"},
    {"imgHeader", -1, nullptr,     "Bild eines Computers"},
};

bool captionNames(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Label:
    case ControlKind::CheckBox:
    case ControlKind::Frame:
    case ControlKind::CommandButton: return true;
    default: return false;
    }
}

QString captionOf(const QString& objectName)
{
    for (const ControlDesign& row : frmMainDesign())
        if (controlObjectName(row.name, row.index) == objectName)
            return row.caption;
    return {};
}

}  // namespace

QString accessibleNameOf(const ControlDesign& row)
{
    if (captionNames(row.kind) && !row.caption.isEmpty())
        return row.caption;
    for (const Naming& naming : kNamings) {
        if (qstrcmp(naming.name, row.name) != 0 || naming.index != row.index)
            continue;
        return naming.namedBy ? captionOf(QString::fromLatin1(naming.namedBy)) : QString::fromUtf8(naming.description);
    }
    return {};
}
