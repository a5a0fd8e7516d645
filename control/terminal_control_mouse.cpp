// TerminalControl mouse, wheel and focus reports: while a program has asked
// for mouse reports, presses, releases and motion over the grid go to it as
// bytes (Shift held keeps them for local selection); wheel steps become
// reports, or cursor keys on the alternate screen, or scroll the scrollback;
// focus changes become CSI I and CSI O when the program asked for them.
#include "control/terminal_control.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>

#include "lumenvale/input_encoding.h"

namespace vesper {

namespace {

// One notch of an ordinary wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;
// Lines a wheel notch moves a full-screen program, as it does the scrollback.
constexpr int kAlternateScrollLines = 3;

int reportModifiers(Qt::KeyboardModifiers mods)
{
    return (mods.testFlag(Qt::ShiftModifier) ? kMouseShift : 0) | (mods.testFlag(Qt::AltModifier) ? kMouseMeta : 0)
           | (mods.testFlag(Qt::ControlModifier) ? kMouseControl : 0);
}

// The report number of a pressed or released button; -1 for buttons a
// terminal cannot name.
int reportButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 0;
    case Qt::MiddleButton: return 1;
    case Qt::RightButton: return 2;
    default: return -1;
    }
}

// The button named in a motion report: the lowest one held, if any.
int heldButton(Qt::MouseButtons buttons)
{
    for (const Qt::MouseButton b : {Qt::LeftButton, Qt::MiddleButton, Qt::RightButton})
        if (buttons.testFlag(b))
            return reportButton(b);
    return kNoButton;
}

} // namespace

// The screen cell under `point`, clamped to the grid. Programs address the
// live screen, whatever part of the history the view shows.
QPoint TerminalControl::reportedCell(QPoint point) const
{
    const int column = std::clamp(point.x() / m_cellWidth, 0, m_columns - 1);
    const int viewRow = std::clamp(point.y() / m_cellHeight, 0, m_rows - 1);
    return {column, std::clamp(m_screen.viewTopLine() + viewRow - m_screen.screenTopLine(), 0, m_rows - 1)};
}

// Returns true when the event belongs to the program (reported or not), so
// that local selection leaves it alone.
bool TerminalControl::reportMouse(const QMouseEvent *event, QPoint point, MouseAction action)
{
    if (m_screen.modes().mouse.tracking == MouseTracking::Off)
        return false;
    // Shift keeps a press for local selection, and the gesture it begins
    // stays with its owner until the last button is up: Shift let go
    // mid-drag must not send the program a release it never saw pressed.
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    if (action == MouseAction::Press)
        m_mouseGesture = shift ? MouseGesture::Local : MouseGesture::Reported;
    const bool local = m_mouseGesture == MouseGesture::None ? shift : m_mouseGesture == MouseGesture::Local;
    if (action == MouseAction::Release && event->buttons() == Qt::NoButton)
        m_mouseGesture = MouseGesture::None;
    if (local)
        return false;
    const int button = action == MouseAction::Motion ? heldButton(event->buttons()) : reportButton(event->button());
    if (button < 0)
        return true;
    const QPoint cell = reportedCell(point);
    const int column = cell.x();
    const int row = cell.y();
    if (action == MouseAction::Motion && column == m_lastMotionColumn && row == m_lastMotionRow)
        return true;
    m_lastMotionColumn = column;
    m_lastMotionRow = row;
    if (!reportsAction(m_screen.modes().mouse.tracking, action, button != kNoButton))
        return true;
    const MouseReport report{action, button, reportModifiers(event->modifiers()), column, row};
    const std::string bytes = encodeMouseReport(report, m_screen.modes().mouse.encoding, m_screen.modes().mouse.tracking);
    if (!bytes.empty())
        emitBytes(bytes);
    return true;
}

// Whole steps of the wheel, positive away from the user; the fractions of
// high-resolution wheels add up across events.
int TerminalControl::wheelSteps(const QWheelEvent *event)
{
    m_wheelRemainder += event->angleDelta().y();
    const int steps = m_wheelRemainder / kWheelNotch;
    m_wheelRemainder -= steps * kWheelNotch;
    return steps;
}

void TerminalControl::reportWheel(const QWheelEvent *event, QPoint point, int steps)
{
    const QPoint cell = reportedCell(point);
    const MouseReport report{MouseAction::Press, steps > 0 ? kWheelUp : kWheelDown,
                             reportModifiers(event->modifiers()), cell.x(), cell.y()};
    const std::string sequence = encodeMouseReport(report, m_screen.modes().mouse.encoding, m_screen.modes().mouse.tracking);
    std::string bytes;
    for (int i = 0; i < std::abs(steps); ++i)
        bytes += sequence;
    if (!bytes.empty())
        emitBytes(bytes); // behind a paste still being sent, as every byte
}

void TerminalControl::scrollAlternateScreen(int steps)
{
    const std::string key = cursor_key_sequence(steps > 0 ? 'A' : 'B', 1, m_screen.modes().applicationCursorKeys);
    std::string bytes;
    for (int i = 0; i < std::abs(steps) * kAlternateScrollLines; ++i)
        bytes += key;
    if (!bytes.empty())
        emitBytes(bytes);
}

// False when the wheel is the shell's, to scroll the view with.
bool TerminalControl::wheel(QWheelEvent *event, QPoint point)
{
    const bool local = event->modifiers().testFlag(Qt::ShiftModifier);
    if (!local && m_screen.modes().mouse.tracking != MouseTracking::Off) {
        reportWheel(event, point, wheelSteps(event));
        event->accept();
        return true;
    }
    if (!local && m_screen.modes().alternateScroll && m_screen.alternateActive()) {
        scrollAlternateScreen(wheelSteps(event));
        event->accept();
        return true;
    }
    m_wheelRemainder = 0;
    return false;
}

void TerminalControl::reportFocus(bool focused)
{
    if (m_screen.modes().focusReporting)
        emitBytes(focused ? "\x1b[I" : "\x1b[O");
}

} // namespace vesper
