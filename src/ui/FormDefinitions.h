#pragma once

#include "FormFonts.h"
#include "FormMetrics.h"

#include <QString>

#include <span>
#include <string_view>

// The kinds of control the windows are made of.
enum class ControlKind {
    Label,     // QLabel: plain text, top left
    Button,    // CommandButton
    TextBox,   // single-line QLineEdit
    Lamp,      // LampWidget
    Grid,      // HexGridView over one of the window's grids
    Frame,     // QGroupBox
    Option,    // QRadioButton
    StatusBar, // QStatusBar with the date and time panels
};

// Lamps hold no place in the tab order.
inline constexpr int NoTabPlace = -1;

// One control of a window as it is created. Labels, frames and the status
// bar hold a tab place but never take the focus; the focusable control
// with the lowest place has the focus when the window is shown.
struct ControlDefinition {
    const char *name;
    ControlKind kind;
    const char *container; // a frame of the same window; nullptr: the client area
    std::u16string_view caption;
    TwipsRect twips;
    int tabPlace;
    FormFontCode font; // FormDefault: the window's font, not set on the control

    QString captionText() const { return QString::fromUtf16(caption.data(), qsizetype(caption.size())); }
};

// A window: its name, its title at creation, the size of its client area
// and its controls in the order they are created (a frame before the
// controls inside it).
struct FormDefinition {
    const char *name;
    std::u16string_view title;
    TwipsSize client;
    std::span<const ControlDefinition> controls;

    QString titleText() const { return QString::fromUtf16(title.data(), qsizetype(title.size())); }
};

const FormDefinition &mainFormDefinition();
const FormDefinition &comSettingFormDefinition();
