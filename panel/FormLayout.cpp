#include "FormLayout.h"

#include "model/Actions.h"
#include "model/Converter.h"

#include <QString>
#include <cmath>
#include <iterator>

namespace FormLayout {

int TwipsToPixels(int twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / TwipsPerPixel));
}

QRect TwipsRect(int left, int top, int width, int height) {
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                 TwipsToPixels(height));
}

QPoint TwipsPoint(int x, int y) {
    return QPoint(TwipsToPixels(x), TwipsToPixels(y));
}

QSize TwipsSize(int width, int height) {
    return QSize(TwipsToPixels(width), TwipsToPixels(height));
}

QString ControlName(const char* name, int index) {
    // Plain concatenation: this runs for every control at start-up, where
    // QString::arg's pattern parsing shows in the profile.
    if (index < 0)
        return QString::fromLatin1(name);
    return QLatin1String(name) + QLatin1Char('(') + QString::number(index) + QLatin1Char(')');
}

const std::vector<Line>& MainWindowLines() {
    static const std::vector<Line> lines = [] {
        std::vector<Line> l = {
            // name     idx  container   x1    y1    x2    y2
            {"Line2", 10, "SSTab1.0", 2040, 1980, 2520, 1980},
            {"Line4", -1, "Frame8", 1380, 420, 1380, 4200},
            {"Line1", -1, "hvLEF", 10, 500, 10, 2200},
            {"Line2", 11, "hvLEF", 0, 480, 360, 480},
            {"Line2", 12, "hvLEF", 0, 960, 360, 960},
            {"Line2", 15, "hvLEF", 0, 1380, 360, 1380},
            {"Line2", 13, "hvLEF", 0, 1800, 360, 1800},
            {"Line2", 14, "hvLEF", 0, 2220, 360, 2220},
        };
        // The input bus: a stub from each row's option button to Line4.
        for (int i = 0; i < 10; ++i)
            l.push_back({"Line2", i, "Frame8", 1140, 420 + 420 * i, 1380, 420 + 420 * i});
        return l;
    }();
    return lines;
}

// The main window's controls before the input rows: the header, the
// frames of the page behind and its caution label and serial word.
using K = Kind;
const Control MainWindowHead[] = {
    // Header pictures and click areas on the client area.
    {K::PictureBox, "Picture6", -1, "", 0, -50, 2595, 1080, "", None},
    {K::PictureBox, "Picture7", -1, "", 2580, 0, 7770, 435, "", None},
    {K::PictureBox, "Picture5", -1, "", 2580, 420, 7815, 615, "", None},

    // Page 0 "Data Registers", in sheet coordinates.
    {K::Frame, "Frame8", -1, "SSTab1.0", 660, 720, 1395, 4515, "Input Code (Hex)", None},
    {K::Frame, "hvLEF", -1, "SSTab1.0", 2460, 600, 4275, 2595, "DAC Write", None},
    {K::Frame, "Frame2", -1, "SSTab1.0", 2460, 3420, 2355, 1815, "LDAC Function", None},
    {K::Frame, "fraCLR", -1, "SSTab1.0", 4920, 3420, 2355, 1815, "CLR Function", None},
    {K::Frame, "Frame3", -1, "SSTab1.0", 6900, 600, 1875, 675, "Range Select", None},
    {K::PictureBox, "Picture1", -1, "SSTab1.0", 6900, 1500, 2310, 615, "", Hidden},
    {K::Label, "Label2", 1, "SSTab1.0", 8040, 4680, 705, 195, "SPI Value", None},
    {K::SerialWordBox, "Label1", 1, "SSTab1.0", 8040, 4920, 1275, 315, "", None},
};

// After the input rows: the rest of the page behind, then the page in front.
// The buttons that take an action are captioned with its name.
using Actions::Name;
using A = Actions::Id;
const Control MainWindowRest[] = {
    // "DAC Write": write buttons, then the lamps on them, then the voltages.
    {K::CommandButton, "cmdWrite", 0, "hvLEF", 300, 360, 2175, 375, Name(A::LoadDac1), None},
    {K::CommandButton, "cmdWrite", 1, "hvLEF", 300, 780, 2175, 375, Name(A::LoadDac2), None},
    {K::CommandButton, "cmdWrite", 2, "hvLEF", 300, 1200, 2175, 375, Name(A::LoadDac3), None},
    {K::CommandButton, "cmdWrite", 3, "hvLEF", 300, 1620, 2175, 375, Name(A::LoadDac4), None},
    {K::CommandButton, "cmdWrite", 4, "hvLEF", 300, 2040, 2175, 375, Name(A::WriteAll), None},
    {K::Lamp, "HVLED", 0, "hvLEF", 420, 420, 210, 210, "", Hidden},
    {K::Lamp, "HVLED", 1, "hvLEF", 420, 840, 210, 210, "", Hidden},
    {K::Lamp, "HVLED", 2, "hvLEF", 420, 1260, 210, 210, "", Hidden},
    {K::Lamp, "HVLED", 3, "hvLEF", 420, 1680, 210, 210, "", Hidden},
    {K::VoltageLabel, "lblVoltage", 0, "hvLEF", 2640, 360, 1515, 375, "0.0000V", None},
    {K::VoltageLabel, "lblVoltage", 1, "hvLEF", 2640, 780, 1515, 375, "0.0000V", None},
    {K::VoltageLabel, "lblVoltage", 2, "hvLEF", 2640, 1200, 1515, 375, "0.0000V", None},
    {K::VoltageLabel, "lblVoltage", 3, "hvLEF", 2640, 1620, 1515, 375, "0.0000V", None},

    // "LDAC Function" and "CLR Function".
    {K::CommandButton, "cmdLDAC", 0, "Frame2", 180, 300, 1935, 375, Name(A::PulseLdac), None},
    {K::CommandButton, "cmdLDAC", 1, "Frame2", 180, 720, 1935, 375, Name(A::LdacHigh), None},
    {K::CommandButton, "cmdLDAC", 2, "Frame2", 180, 1140, 1935, 375, Name(A::LdacLow), None},
    {K::CommandButton, "cmdCLR", 0, "fraCLR", 180, 300, 1935, 375, Name(A::PulseClr), None},
    {K::CommandButton, "cmdCLR", 1, "fraCLR", 180, 720, 1935, 375, Name(A::ClrHigh), None},
    {K::CommandButton, "cmdCLR", 2, "fraCLR", 180, 1140, 1935, 375, Name(A::ClrLow), None},

    // "Range Select".
    {K::OptionButton, "optRANGE", 0, "Frame3", 180, 240, 795, 315, "30V", Selected},
    {K::OptionButton, "optRANGE", 1, "Frame3", 1020, 240, 795, 315, "60V", None},

    // Page 1 "Control Register", in sheet coordinates.
    {K::Frame, "Frame9", -1, "SSTab1.1", 420, 600, 3495, 3375, "", None},
    {K::Frame, "Frame15", -1, "SSTab1.1", 4080, 600, 3495, 1755, "", None},
    {K::Label, "Label2", 0, "SSTab1.1", 8040, 4680, 705, 195, "SPI Value", None},
    {K::SerialWordBox, "Label1", 0, "SSTab1.1", 8040, 4920, 1275, 315, "", None},

    // Channel frames; "Power-Down" stands on the left whatever its index.
    {K::Frame, "Frame14", -1, "Frame9", 300, 360, 2955, 615, "DAC 1", None},
    {K::OptionButton, "optPD1", 0, "Frame14", 300, 240, 1300, 255, "Power-Down", Selected},
    {K::OptionButton, "optPD1", 1, "Frame14", 1600, 240, 1300, 255, "Power-Up", None},
    {K::Frame, "Frame13", -1, "Frame9", 300, 1020, 2955, 615, "DAC 2", None},
    {K::OptionButton, "optPD1", 2, "Frame13", 300, 240, 1300, 255, "Power-Down", Selected},
    {K::OptionButton, "optPD1", 3, "Frame13", 1600, 240, 1300, 255, "Power-Up", None},
    {K::Frame, "Frame12", -1, "Frame9", 300, 1740, 2955, 615, "DAC 3", None},
    {K::OptionButton, "optPD1", 5, "Frame12", 300, 240, 1300, 255, "Power-Down", Selected},
    {K::OptionButton, "optPD1", 4, "Frame12", 1600, 240, 1300, 255, "Power-Up", None},
    {K::Frame, "Frame11", -1, "Frame9", 300, 2460, 2955, 615, "DAC 4", None},
    {K::OptionButton, "optPD1", 7, "Frame11", 300, 240, 1300, 255, "Power-Down", Selected},
    {K::OptionButton, "optPD1", 6, "Frame11", 1620, 240, 1300, 255, "Power-Up", None},
    {K::Frame, "Frame10", -1, "Frame9", 300, 3180, 2955, 615, "DAC 5", Hidden},
    {K::OptionButton, "optPD1", 9, "Frame10", 300, 240, 1300, 255, "Power-Down", Selected},
    {K::OptionButton, "optPD1", 8, "Frame10", 1600, 240, 1300, 255, "Power-Up", None},
    {K::Frame, "Frame17", -1, "Frame15", 300, 420, 2955, 1035, "Power-Down Mode Selection", None},
    {K::OptionButton, "optPD1", 12, "Frame17", 300, 300, 1300, 435, "Resistor to GND", Selected},
    {K::OptionButton, "optPD1", 13, "Frame17", 1600, 360, 1245, 255, "Three-State", None},
    {K::Frame, "Frame16", -1, "Frame15", 180, 1560, 2955, 615, "Temperature Shutdown", Hidden},
    {K::OptionButton, "optPD1", 10, "Frame16", 300, 240, 1300, 255, "Enable", Selected},
    {K::OptionButton, "optPD1", 11, "Frame16", 1600, 240, 1300, 255, "Disable", None},

    // Invisible click areas, above the sheet's corners.
    {K::ClickArea, "Picture4", -1, "", 9780, 1080, 615, 495, "", None},
    {K::ClickArea, "Picture3", -1, "", 9660, 6420, 615, 495, "", None},
    {K::ClickArea, "Picture2", -1, "", -60, 6480, 615, 495, "", None},
};

const std::vector<Control>& MainWindowControls() {
    static const std::vector<Control> controls = [] {
        std::vector<Control> c(std::begin(MainWindowHead), std::end(MainWindowHead));
        // "Input Code (Hex)": ten rows, 420 twips apart.
        const char* texts[10] = {"00",  "200", "400", "600", "800",
                                 "A00", "C00", "E00", "FFF", "FFF"};
        for (int i = 0; i < 10; ++i) {
            c.push_back({K::TextBox, "txtInput", i, "Frame8", 120, 240 + 420 * i, 795, 315,
                         texts[i], None});
            c.push_back({K::OptionButton, "InputSel", i, "Frame8", 960, 300 + 420 * i, 195, 195, "",
                         i == 0 ? Selected : None});
        }
        c.insert(c.end(), std::begin(MainWindowRest), std::end(MainWindowRest));
        return c;
    }();
    return controls;
}

const std::vector<Control>& PartSelectControls() {
    static const std::vector<Control> controls = {
        {Kind::CommandButton, "cmdPartSelect", 0, "", 240, 120, 2460, 435, Converter::SinglePart,
         None},
        {Kind::CommandButton, "cmdPartSelect", 1, "", 240, 630, 2460, 435, Converter::QuadPart,
         None},
    };
    return controls;
}

const std::vector<Control>& CreditsControls() {
    static const std::vector<Control> controls = {
        {Kind::Label, "Label1", -1, "", 120, 120, 5490, 495,
         "QV7301/QV7310 control panel, by the panel development team", None},
        {Kind::PictureBox, "Picture1", -1, "", 465, 660, 4800, 3000, "", None},
        {Kind::CommandButton, "Command1", -1, "", 1560, 3900, 2610, 495,
         "Back to the Real World...", None},
    };
    return controls;
}

} // namespace FormLayout
