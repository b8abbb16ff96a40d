#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// The window's design as data: one row per control, in stacking order within
// each container (an earlier row is drawn above a later one). Geometry is in
// pixels relative to the container's client area.
enum class ControlKind { Label, CheckBox, ComboBox, TextBox, MultiLineTextBox, Frame, CommandButton, TabStrip, Shape, Image };

enum class TextRole { Default, ButtonText, WindowText, DesktopText };

struct ControlDesign {
    const char* name;
    std::int16_t index;  // -1: not part of an array
    ControlKind kind;
    const char* container;  // objectName of the container; "" is the window
    int left, top, width, height;
    QString caption;
    int fontPixels;  // 0: the window's font
    bool bold;
    int tabPosition;  // -1: none
    TextRole textRole;
    bool whiteBackground;
};

const std::vector<ControlDesign>& frmMainDesign();

QString controlObjectName(const char* name, std::int16_t index);

// The name a screen reader reads for the control: its caption where that names
// it; else the caption of the control that names it on screen (the label above
// a combo box); else a German description of what it shows.
QString accessibleNameOf(const ControlDesign& row);

// Enter clicks the default button, Esc the cancel button: cmdMain(2) "OK" and cmdMain(1) "Abbrechen".
inline constexpr std::int16_t kDefaultButton = 2;
inline constexpr std::int16_t kCancelButton = 1;

inline constexpr int kWindowFontPixels = 13;
inline constexpr int kDesignClientWidth = 1263;
inline constexpr int kDesignClientHeight = 997;
