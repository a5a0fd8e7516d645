// Mouse report encoding as a table: every encoding for presses, releases,
// motion, the wheel and modifiers, the coordinate limits of X10 and UTF-8,
// mode 9's bare presses; and the mode switches as a sequence of DECSET and
// DECRST with the modes they leave.
#include <gtest/gtest.h>

#include "control/input/mouse_reporting.h"

namespace {

using namespace vesper;

TEST(MouseReporting, EncodesReports)
{
    using A = MouseAction;
    using E = MouseEncoding;
    using T = MouseTracking;
    struct Case {
        const char *name;
        MouseReport report;
        E encoding;
        T tracking;
        std::string expected;
    };
    const Case cases[] = {
        {"x10 left press", {A::Press, 0, 0, 0, 0}, E::X10, T::PressRelease, "\x1b[M !!"},
        {"x10 right press at 10,5", {A::Press, 2, 0, 9, 4}, E::X10, T::PressRelease, "\x1b[M\"*%"},
        {"x10 release is button 3", {A::Release, 2, 0, 0, 0}, E::X10, T::PressRelease, "\x1b[M#!!"},
        {"x10 ctrl+alt middle", {A::Press, 1, kMouseControl | kMouseMeta, 0, 0}, E::X10, T::PressRelease,
         std::string("\x1b[M") + char(32 + 1 + 24) + "!!"},
        {"x10 drag adds 32", {A::Motion, 0, 0, 1, 1}, E::X10, T::ButtonMotion, "\x1b[M@\"\""},
        {"x10 motion without button", {A::Motion, kNoButton, 0, 0, 0}, E::X10, T::AnyMotion, "\x1b[MC!!"},
        {"x10 wheel up", {A::Press, kWheelUp, 0, 0, 0}, E::X10, T::PressRelease, "\x1b[M`!!"},
        {"x10 wheel down", {A::Press, kWheelDown, 0, 0, 0}, E::X10, T::PressRelease, "\x1b[Ma!!"},
        {"x10 column 223 is the last", {A::Press, 0, 0, 222, 0}, E::X10, T::PressRelease, "\x1b[M \xff!"},
        {"x10 column 224 sends nothing", {A::Press, 0, 0, 223, 0}, E::X10, T::PressRelease, ""},
        {"x10 row 224 sends nothing", {A::Press, 0, 0, 0, 223}, E::X10, T::PressRelease, ""},
        {"mode 9 drops modifiers", {A::Press, 0, kMouseControl, 0, 0}, E::X10, T::Press, "\x1b[M !!"},
        {"mode 9 sends no release", {A::Release, 0, 0, 0, 0}, E::Sgr, T::Press, ""},
        {"utf8 small is x10", {A::Press, 0, 0, 0, 0}, E::Utf8, T::PressRelease, "\x1b[M !!"},
        {"utf8 column 300", {A::Press, 0, 0, 299, 0}, E::Utf8, T::PressRelease, "\x1b[M \xc5\x8c!"},
        {"utf8 column 2015 is the last", {A::Press, 0, 0, 2014, 0}, E::Utf8, T::PressRelease, "\x1b[M \xdf\xbf!"},
        {"utf8 column 2016 sends nothing", {A::Press, 0, 0, 2015, 0}, E::Utf8, T::PressRelease, ""},
        {"sgr press", {A::Press, 0, 0, 4, 2}, E::Sgr, T::PressRelease, "\x1b[<0;5;3M"},
        {"sgr release names its button", {A::Release, 2, 0, 4, 2}, E::Sgr, T::PressRelease, "\x1b[<2;5;3m"},
        {"sgr shift ctrl drag", {A::Motion, 1, kMouseShift | kMouseControl, 0, 0}, E::Sgr, T::ButtonMotion,
         "\x1b[<53;1;1M"},
        {"sgr wheel down", {A::Press, kWheelDown, 0, 0, 0}, E::Sgr, T::PressRelease, "\x1b[<65;1;1M"},
        {"sgr large coordinates", {A::Press, 0, 0, 999, 499}, E::Sgr, T::PressRelease, "\x1b[<0;1000;500M"},
        {"urxvt press", {A::Press, 0, 0, 4, 2}, E::Urxvt, T::PressRelease, "\x1b[32;5;3M"},
        {"urxvt release", {A::Release, 0, 0, 300, 2}, E::Urxvt, T::PressRelease, "\x1b[35;301;3M"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(encodeMouseReport(c.report, c.encoding, c.tracking), c.expected) << c.name;
}

TEST(MouseReporting, TrackingModesChooseWhatIsReported)
{
    using A = MouseAction;
    using T = MouseTracking;
    // Press, release, motion with a button held, motion without.
    const struct {
        T tracking;
        bool reports[4];
    } cases[] = {
        {T::Off, {false, false, false, false}},
        {T::Press, {true, false, false, false}},
        {T::PressRelease, {true, true, false, false}},
        {T::ButtonMotion, {true, true, true, false}},
        {T::AnyMotion, {true, true, true, true}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(reportsAction(c.tracking, A::Press, true), c.reports[0]) << int(c.tracking);
        EXPECT_EQ(reportsAction(c.tracking, A::Release, false), c.reports[1]) << int(c.tracking);
        EXPECT_EQ(reportsAction(c.tracking, A::Motion, true), c.reports[2]) << int(c.tracking);
        EXPECT_EQ(reportsAction(c.tracking, A::Motion, false), c.reports[3]) << int(c.tracking);
    }
}

TEST(MouseReporting, ModeSwitchesSelectAndReset)
{
    using E = MouseEncoding;
    using T = MouseTracking;
    const struct {
        int mode;
        bool set;
        bool handled;
        T tracking;
        E encoding;
    } steps[] = {
        {1000, true, true, T::PressRelease, E::X10},
        {1006, true, true, T::PressRelease, E::Sgr},
        {1003, true, true, T::AnyMotion, E::Sgr},      // the last tracking mode set wins
        {1000, false, true, T::AnyMotion, E::Sgr},     // resetting another mode leaves it
        {1015, true, true, T::AnyMotion, E::Urxvt},
        {1006, false, true, T::AnyMotion, E::Urxvt},
        {1015, false, true, T::AnyMotion, E::X10},
        {25, true, false, T::AnyMotion, E::X10},       // not a mouse mode
        {1003, false, true, T::Off, E::X10},
        {9, true, true, T::Press, E::X10},
        {1005, true, true, T::Press, E::Utf8},
        {1002, true, true, T::ButtonMotion, E::Utf8},
        {1002, false, true, T::Off, E::Utf8},
    };
    MouseModes modes;
    for (const auto &s : steps) {
        EXPECT_EQ(modes.apply(s.mode, s.set), s.handled) << s.mode;
        EXPECT_EQ(modes.tracking, s.tracking) << s.mode << (s.set ? 'h' : 'l');
        EXPECT_EQ(modes.encoding, s.encoding) << s.mode << (s.set ? 'h' : 'l');
    }
}

} // namespace
