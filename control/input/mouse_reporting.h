// Mouse reporting as a terminal program asks for it: which gestures a
// tracking mode reports (9 presses only, 1000 presses and releases, 1002 also
// motion while a button is down, 1003 all motion) and the bytes of one report
// in the X10 default, UTF-8 (1005), SGR (1006) or URXVT (1015) encoding.
// Pure functions of the modes and the gesture; the core keeps the modes
// (core/terminal_modes.h).
#pragma once

#include <string>

#include "core/terminal_modes.h"

namespace vesper {

enum class MouseAction { Press, Release, Motion };

// Button numbers of a report: 0 left, 1 middle, 2 right, kNoButton for motion
// without a button; wheel steps are presses of kWheelUp and kWheelDown.
inline constexpr int kNoButton = 3;
inline constexpr int kWheelUp = 64;
inline constexpr int kWheelDown = 65;

// Modifier bits as they are added to the button code.
inline constexpr int kMouseShift = 4;
inline constexpr int kMouseMeta = 8;
inline constexpr int kMouseControl = 16;

struct MouseReport {
    MouseAction action = MouseAction::Press;
    int button = 0;     // see kNoButton, kWheelUp, kWheelDown
    int modifiers = 0;  // kMouseShift | kMouseMeta | kMouseControl
    int column = 0;     // 0-based cell
    int row = 0;
};

// Whether `tracking` reports `action`; `buttonDown` tells whether a button is
// held during a motion.
bool reportsAction(MouseTracking tracking, MouseAction action, bool buttonDown);

// The bytes of `report`, empty when the encoding cannot express its
// coordinates (X10 stops at 223, UTF-8 at 2015). Mode 9 sends neither
// modifiers nor releases, as X10 terminals did; `tracking` says whether it is
// in force.
std::string encodeMouseReport(const MouseReport &report, MouseEncoding encoding, MouseTracking tracking);

} // namespace vesper
