// The windows as the form designer lays them out, in twips, and the one
// conversion from twips to pixels.
#ifndef FORMLAYOUT_H
#define FORMLAYOUT_H

#include <QPoint>
#include <QRect>
#include <QSize>
#include <vector>

namespace FormLayout {

// 15 twips make one pixel at 96 dots per inch; Qt's high-DPI scaling does the rest.
constexpr int TwipsPerPixel = 15;
int TwipsToPixels(int twips);
QRect TwipsRect(int left, int top, int width, int height);
QPoint TwipsPoint(int x, int y);
QSize TwipsSize(int width, int height);

enum class Kind {
    Frame,
    Label,
    SerialWordBox, // white label with a single border
    VoltageLabel,  // 12 point bold label with a single border
    CommandButton,
    OptionButton,
    TextBox,
    PictureBox,
    Lamp,
    ClickArea, // a picture box that only takes clicks and shows nothing
};

enum Flag { None = 0, Selected = 1, Hidden = 2 };

// Containers: "" is the window's client area, "SSTab1.0" and "SSTab1.1" the
// sheet's pages (in sheet coordinates), anything else a frame's name.
struct Control {
    Kind kind;
    const char* name;
    int index; // -1 for a control that is not part of an array
    const char* container;
    int left, top, width, height;
    const char* caption;
    int flags;
};

struct Line {
    const char* name;
    int index;
    const char* container;
    int x1, y1, x2, y2;
};

// Main window: client area, sheet, tab row height.
constexpr int ClientWidth = 10305;
constexpr int ClientHeight = 7140;
constexpr int SheetLeft = 360, SheetTop = 1260, SheetWidth = 9585, SheetHeight = 5475;
constexpr int SheetTabHeight = 360;

// In creation order: lines lie under the controls of their container, and a
// lamp comes after the write button it sits on.
const std::vector<Line>& MainWindowLines();
const std::vector<Control>& MainWindowControls();

// Part-selection dialog.
constexpr int PartSelectWidth = 2940;
constexpr int PartSelectHeight = 1185;
const std::vector<Control>& PartSelectControls();

// Credits dialog.
constexpr int CreditsWidth = 5730;
constexpr int CreditsHeight = 4650;
const std::vector<Control>& CreditsControls();

// "Name(index)" for an array member, "Name" otherwise: the widgets' objectNames.
QString ControlName(const char* name, int index);

} // namespace FormLayout

#endif
