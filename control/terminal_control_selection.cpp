// TerminalControl selection and clipboard: the mouse gestures (drag,
// Shift+click, double-click word, triple-click line, a fourth click the
// command's output, auto-scroll while dragging outside the view), the
// public selection operations, the clipboard and selection-clipboard
// copies, send and paste.
// Selection ends are absolute line numbers, so the selection stays on its
// text while the view scrolls and output pushes lines into the scrollback.
#include "control/terminal_control.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleHints>
#include <QTimer>

#include <algorithm>

#include "lumenvale/input_encoding.h"
#include "control/text/command_output.h"
#include "control/text/wrapped_text.h"

namespace vesper {

namespace {

constexpr int kAutoScrollIntervalMs = 60;

QClipboard *clipboard() { return QGuiApplication::clipboard(); }

} // namespace

// --- mapping and helpers ------------------------------------------------------

TerminalControl::CellPosition TerminalControl::cellAt(QPoint point) const
{
    const int row = std::clamp(point.y() / m_cellHeight, 0, m_rows - 1);
    const int column = std::clamp(point.x() / m_cellWidth, 0, m_columns);
    return {m_screen.viewTopLine() + row, column};
}

void TerminalControl::shiftSelectionLines(std::int32_t shift)
{
    m_selection.shiftLines(shift);
    m_selectionWatch.shiftLines(shift);
}

void TerminalControl::applySelection(const Selection &selection)
{
    m_selection = selection;
    m_selecting = false;
    m_selectionWatch.watch(m_screen, m_selection);
    update();
}

// False when there was nothing to drop.
bool TerminalControl::dropSelection()
{
    if (!m_selection.active)
        return false;
    m_selection = {};
    m_selecting = false;
    m_selectionWatch.clear();
    update();
    return true;
}

bool TerminalControl::dropOverwrittenSelection()
{
    if (!m_selection.active || !m_selectionWatch.changed(m_screen))
        return false;
    stopAutoScroll();
    return dropSelection();
}

// --- public operations --------------------------------------------------------

bool TerminalControl::hasSelection() const
{
    return m_selection.selectsText() && m_selection.last().line >= m_screen.firstLine();
}

QString TerminalControl::selectedText() const
{
    parseWaitingOutput();
    if (!hasSelection())
        return {};
    const SelectionEnd from = m_selection.first();
    const SelectionEnd to = m_selection.last();
    const std::string text = m_screen.rangeText(from.line, from.column, to.line, to.column);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Gestures that make a selection offer it to the selection clipboard, where
// the platform has one; selections made through the API do not.
void TerminalControl::selectByGesture(const Selection &selection)
{
    applySelection(selection);
    if (hasSelection() && clipboard()->supportsSelection())
        clipboard()->setText(selectedText(), QClipboard::Selection);
    emit selectionChanged(hasSelection()); // last: a slot may delete the control
}

void TerminalControl::copySelection()
{
    const QString text = selectedText();
    if (!text.isEmpty())
        clipboard()->setText(text, QClipboard::Clipboard);
}

void TerminalControl::clearSelection()
{
    if (dropSelection())
        emit selectionChanged(false); // last: a slot may delete the control
}

void TerminalControl::selectAll()
{
    setSelection(m_screen.firstLine(), 0, m_screen.endLine() - 1, m_columns);
}

void TerminalControl::setSelection(int startLine, int startCol, int endLine, int endCol)
{
    applySelection({{startLine, startCol}, {endLine, endCol}, true});
    emit selectionChanged(m_selection.selectsText()); // last: a slot may delete the control
}

QColor TerminalControl::selectionColor() const { return m_selectionColor; }

void TerminalControl::setSelectionColor(const QColor &color)
{
    m_selectionColor = color;
    if (hasSelection())
        update();
}

QString TerminalControl::wordCharacters() const { return m_wordCharacters; }

void TerminalControl::setWordCharacters(const QString &characters) { m_wordCharacters = characters; }

bool TerminalControl::paste(const QString &text) { return sendText(text, m_screen.modes().bracketedPaste, "paste"); }

bool TerminalControl::send(const QString &text) { return sendText(text, false, "send"); }

// --- gestures -----------------------------------------------------------------

void TerminalControl::extendSelectionTo(QPoint point)
{
    const CellPosition cell = cellAt(point);
    m_selection.head = {cell.line, cell.column};
    m_selection.active = true;
    update();
}

void TerminalControl::startSelection(QPoint point, CellPosition cell)
{
    m_selection = {{cell.line, cell.column}, {cell.line, cell.column}, false};
    m_selectionWatch.clear();
    m_selecting = true;
    m_lastMousePosition = point;
    update();
    emit selectionChanged(false); // last: a slot may delete the control
}

// The rows a line's soft wraps join, whole: the logical line as the program
// wrote it.
Selection TerminalControl::logicalLineAt(int line) const
{
    int first = line;
    while (first > m_screen.firstLine() && m_screen.isLineWrapped(first - 1))
        --first;
    int last = line;
    while (last + 1 < m_screen.endLine() && m_screen.isLineWrapped(last))
        ++last;
    return {{first, 0}, {last, m_columns}, true};
}

// The word under the cell, read from its paragraph so that a word the right
// margin breaks is taken whole (up to kLookupRadiusCells either way); a cell
// outside every word selects itself.
Selection TerminalControl::wordAt(int line, int column) const
{
    const Selection itself{{line, column}, {line, column + 1}, true};
    const WrappedText paragraph = WrappedText::window(m_screen, {line, column}, kLookupRadiusCells);
    const QString &text = paragraph.text();
    const qsizetype unit = paragraph.unitCovering({line, column});
    if (unit >= text.size())
        return itself;
    const auto wordAt = [&](qsizetype u) {
        const char16_t c = text.at(u).unicode();
        return c >= 128 || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
               || m_wordCharacters.contains(QChar(c));
    };
    // A double-width character ends the word it closes.
    const auto wideEndsAt = [&](qsizetype u) {
        const TextPosition here = paragraph.positionOf(u);
        return paragraph.endOf(u).column - here.column == 2 && !(paragraph.positionOf(u + 1) == here);
    };
    if (!wordAt(unit))
        return itself;
    qsizetype start = unit;
    while (start > 0 && wordAt(start - 1) && !wideEndsAt(start - 1))
        --start;
    qsizetype end = unit;
    while (end + 1 < text.size() && wordAt(end + 1) && !wideEndsAt(end))
        ++end;
    const TextPosition from = paragraph.positionOf(start);
    const TextPosition to = paragraph.endOf(end);
    return {{from.line, from.column}, {to.line, to.column}, true};
}

// The mouse handlers return false for an event the shell's base class has.
bool TerminalControl::mousePress(QMouseEvent *event, QPoint point)
{
    if (takeLinkClick(event, point, true))
        return true;
    if (reportMouse(event, point, MouseAction::Press))
        return true;
    if (event->button() != Qt::LeftButton)
        return false;
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    m_clickCount = (m_clickTimer.isValid() && m_clickTimer.elapsed() < interval) ? m_clickCount + 1 : 1;
    m_clickTimer.restart();
    const CellPosition cell = cellAt(point);

    // A fourth click takes the whole output of the command under the
    // pointer, where the shell marks its commands; else the line stays.
    const std::optional<Selection> output =
        m_clickCount >= 4 ? commandOutputAround(m_screen, cell.line) : std::nullopt;
    if (output) {
        selectByGesture(*output);
    } else if (m_clickCount >= 3) {
        selectByGesture(logicalLineAt(cell.line));
    } else if (shift && m_selection.active) {
        extendSelectionTo(point);
        m_selecting = true;
    } else {
        startSelection(point, cell);
    }
    return true;
}

bool TerminalControl::mouseDoubleClick(QMouseEvent *event, QPoint point)
{
    if (takeLinkClick(event, point, false))
        return true;
    if (reportMouse(event, point, MouseAction::Press))
        return true;
    if (event->button() != Qt::LeftButton)
        return false;
    m_clickCount = 2;
    m_clickTimer.restart();
    const CellPosition cell = cellAt(point);
    selectByGesture(wordAt(cell.line, std::min(cell.column, m_columns - 1)));
    return true;
}

bool TerminalControl::mouseMove(QMouseEvent *event, QPoint point)
{
    trackLinkPointer(event, point);
    if (reportMouse(event, point, MouseAction::Motion))
        return true;
    if (!m_selecting)
        return false;
    m_lastMousePosition = point;
    extendSelectionTo(point);
    updateAutoScroll(point);
    emit selectionChanged(hasSelection());
    return true;
}

bool TerminalControl::mouseRelease(QMouseEvent *event, QPoint point)
{
    if (takeLinkRelease(event))
        return true;
    if (reportMouse(event, point, MouseAction::Release))
        return true;
    if (event->button() == Qt::MiddleButton) {
        if (clipboard()->supportsSelection())
            pasteFromUser(clipboard()->text(QClipboard::Selection));
        return true;
    }
    if (event->button() == Qt::LeftButton && m_selecting) {
        finishDragSelection();
        return true;
    }
    return false;
}

void TerminalControl::finishDragSelection()
{
    m_selecting = false;
    stopAutoScroll();
    if (m_selection.anchor == m_selection.head) {
        clearSelection(); // a click without a drag: nothing to clear
        return;
    }
    selectByGesture({m_selection.anchor, m_selection.head, true});
}

// --- auto-scroll --------------------------------------------------------------

void TerminalControl::updateAutoScroll(QPoint point)
{
    const int height = m_viewportSize.height();
    m_autoScrollDirection = point.y() < 0 ? -1 : (point.y() > height ? 1 : 0);
    if (m_autoScrollDirection == 0) {
        if (m_autoScrollTimer)
            m_autoScrollTimer->stop();
        return;
    }
    if (!m_autoScrollTimer) {
        m_autoScrollTimer = new QTimer(this);
        connect(m_autoScrollTimer, &QTimer::timeout, this, &TerminalControl::autoScrollStep);
    }
    if (!m_autoScrollTimer->isActive())
        m_autoScrollTimer->start(kAutoScrollIntervalMs);
}

void TerminalControl::stopAutoScroll()
{
    m_autoScrollDirection = 0;
    if (m_autoScrollTimer)
        m_autoScrollTimer->stop();
}

void TerminalControl::autoScrollStep()
{
    const int value = m_scrollValue + m_autoScrollDirection;
    if (value < 0 || value > m_scrollMaximum) {
        stopAutoScroll();
        return;
    }
    setScrollValue(value);
    emit scrollChanged();
    const int y = m_autoScrollDirection < 0 ? 0 : m_viewportSize.height() - 1;
    extendSelectionTo(QPoint(m_lastMousePosition.x(), y));
}

// --- clipboard shortcuts ------------------------------------------------------

} // namespace vesper
