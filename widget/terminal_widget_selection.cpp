// TerminalWidget selection and clipboard: the mouse gestures (drag,
// Shift+click, double-click word, triple-click line, auto-scroll while
// dragging outside the view), the public selection operations, the clipboard
// and selection-clipboard copies, the clipboard shortcuts, send and paste.
// Selection ends are absolute line numbers, so the selection stays on its
// text while the view scrolls and output pushes lines into the scrollback.
#include "widget/terminal_widget.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <string_view>

#include "widget/input_encoding.h"
#include "widget/outgoing_text.h"
#include "widget/wrapped_text.h"

namespace vesper {

namespace {

constexpr int kAutoScrollIntervalMs = 60;

// Letters, digits and every character a URL may hold unescaped, so that a
// double-click takes a whole path, address or URL.
bool isWordCharacter(char32_t c)
{
    if (c >= 128)
        return true;
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    return c > ' ' && std::u32string_view(U"-._~:/?#[]@!$&'*+,;=%").find(c) != std::u32string_view::npos;
}

QClipboard *clipboard() { return QGuiApplication::clipboard(); }

} // namespace

// --- mapping and helpers ------------------------------------------------------

TerminalWidget::CellPosition TerminalWidget::cellAt(QPoint point) const
{
    const int row = std::clamp(point.y() / m_cellHeight, 0, m_rows - 1);
    const int column = std::clamp(point.x() / m_cellWidth, 0, m_columns);
    return {m_screen.viewTopLine() + row, column};
}

bool TerminalWidget::selectionEndsDiffer() const
{
    return m_selectionStartLine != m_selectionEndLine || m_selectionStartColumn != m_selectionEndColumn;
}

void TerminalWidget::resetSelectionEnds()
{
    m_selectionStartLine = m_selectionStartColumn = m_selectionEndLine = m_selectionEndColumn = 0;
}

void TerminalWidget::shiftSelectionLines(std::int32_t shift)
{
    m_selectionStartLine -= shift;
    m_selectionEndLine -= shift;
}

// --- public operations --------------------------------------------------------

bool TerminalWidget::hasSelection() const { return m_selectionActive && selectionEndsDiffer(); }

QString TerminalWidget::selectedText() const
{
    if (!hasSelection())
        return {};
    const bool startIsLower = m_selectionStartLine < m_selectionEndLine
                              || (m_selectionStartLine == m_selectionEndLine && m_selectionStartColumn <= m_selectionEndColumn);
    const std::string text = startIsLower
                                 ? m_screen.rangeText(m_selectionStartLine, m_selectionStartColumn, m_selectionEndLine, m_selectionEndColumn)
                                 : m_screen.rangeText(m_selectionEndLine, m_selectionEndColumn, m_selectionStartLine, m_selectionStartColumn);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Gestures that make a selection offer it to the selection clipboard, where
// the platform has one; selections made through the API do not.
void TerminalWidget::mirrorToSelectionClipboard()
{
    if (hasSelection() && clipboard()->supportsSelection())
        clipboard()->setText(selectedText(), QClipboard::Selection);
}

void TerminalWidget::copySelection()
{
    const QString text = selectedText();
    if (!text.isEmpty())
        clipboard()->setText(text, QClipboard::Clipboard);
}

void TerminalWidget::clearSelection()
{
    if (!m_selectionActive)
        return;
    m_selectionActive = false;
    m_selecting = false;
    resetSelectionEnds();
    viewport()->update();
    emit selectionChanged(false); // last: a slot may delete the widget
}

void TerminalWidget::selectAll()
{
    setSelection(m_screen.firstLine(), 0, m_screen.endLine() - 1, m_columns);
}

void TerminalWidget::setSelection(int startLine, int startCol, int endLine, int endCol)
{
    m_selectionStartLine = startLine;
    m_selectionStartColumn = startCol;
    m_selectionEndLine = endLine;
    m_selectionEndColumn = endCol;
    m_selectionActive = true;
    m_selecting = false;
    viewport()->update();
    emit selectionChanged(selectionEndsDiffer());
}

QColor TerminalWidget::selectionColor() const { return m_selectionColor; }

void TerminalWidget::setSelectionColor(const QColor &color)
{
    m_selectionColor = color;
    if (hasSelection())
        viewport()->update();
}

void TerminalWidget::paste(const QString &text) { m_outgoing->addText(text, m_screen.modes().bracketedPaste); }

void TerminalWidget::send(const QString &text) { m_outgoing->addText(text, false); }

// --- gestures -----------------------------------------------------------------

void TerminalWidget::extendSelectionTo(QPoint point)
{
    const CellPosition cell = cellAt(point);
    m_selectionEndLine = cell.line;
    m_selectionEndColumn = cell.column;
    m_selectionActive = true;
    viewport()->update();
}

void TerminalWidget::startSelection(QPoint point, CellPosition cell)
{
    m_selectionActive = false;
    m_selectionStartLine = m_selectionEndLine = cell.line;
    m_selectionStartColumn = m_selectionEndColumn = cell.column;
    m_selecting = true;
    m_lastMousePosition = point;
    viewport()->update();
    emit selectionChanged(false);
}

void TerminalWidget::selectLine(int line)
{
    m_selectionStartLine = m_selectionEndLine = line;
    m_selectionStartColumn = 0;
    m_selectionEndColumn = m_columns;
    m_selectionActive = true;
    m_selecting = false;
    viewport()->update();
    emit selectionChanged(true);
}

// The word under the cell, read from its paragraph so that a word the right
// margin breaks is taken whole.
void TerminalWidget::selectWordAt(int line, int column)
{
    const WrappedText paragraph = WrappedText::around(m_screen, line);
    const QString &text = paragraph.text();
    const qsizetype unit = paragraph.unitCovering({line, column});
    if (unit >= text.size())
        return;
    const auto wordAt = [&](qsizetype u) { return isWordCharacter(text.at(u).unicode()); };
    // A double-width character ends the word it closes.
    const auto wideEndsAt = [&](qsizetype u) {
        const TextPosition here = paragraph.positionOf(u);
        return paragraph.endOf(u).column - here.column == 2 && !(paragraph.positionOf(u + 1) == here);
    };
    if (!wordAt(unit)) {
        setSelection(line, column, line, column + 1);
        return;
    }
    qsizetype start = unit;
    while (start > 0 && wordAt(start - 1) && !wideEndsAt(start - 1))
        --start;
    qsizetype end = unit;
    while (end + 1 < text.size() && wordAt(end + 1) && !wideEndsAt(end))
        ++end;
    const TextPosition from = paragraph.positionOf(start);
    const TextPosition to = paragraph.endOf(end);
    setSelection(from.line, from.column, to.line, to.column);
}

void TerminalWidget::mousePressEvent(QMouseEvent *event)
{
    if (takeLinkClick(event, true))
        return;
    if (reportMouse(event, MouseAction::Press))
        return;
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    const QPoint point = event->position().toPoint();
    m_clickCount = (m_clickTimer.isValid() && m_clickTimer.elapsed() < QApplication::doubleClickInterval()) ? m_clickCount + 1 : 1;
    m_clickTimer.restart();
    const CellPosition cell = cellAt(point);

    if (m_clickCount >= 3) {
        selectLine(cell.line);
        mirrorToSelectionClipboard();
    } else if (shift && m_selectionActive) {
        extendSelectionTo(point);
        m_selecting = true;
    } else {
        startSelection(point, cell);
    }
}

void TerminalWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (takeLinkClick(event, false))
        return;
    if (reportMouse(event, MouseAction::Press))
        return;
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    m_clickCount = 2;
    m_clickTimer.restart();
    const CellPosition cell = cellAt(event->position().toPoint());
    m_selecting = false;
    // selectionChanged may delete the widget.
    const QPointer<TerminalWidget> alive(this);
    selectWordAt(cell.line, std::min(cell.column, m_columns - 1));
    if (alive)
        mirrorToSelectionClipboard();
}

void TerminalWidget::mouseMoveEvent(QMouseEvent *event)
{
    trackLinkPointer(event);
    if (reportMouse(event, MouseAction::Motion))
        return;
    if (!m_selecting) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    m_lastMousePosition = point;
    extendSelectionTo(point);
    updateAutoScroll(point);
    emit selectionChanged(hasSelection());
}

void TerminalWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (takeLinkRelease(event))
        return;
    if (reportMouse(event, MouseAction::Release))
        return;
    if (event->button() == Qt::MiddleButton) {
        if (clipboard()->supportsSelection())
            paste(clipboard()->text(QClipboard::Selection));
        return;
    }
    if (event->button() == Qt::LeftButton && m_selecting) {
        finishDragSelection();
        return;
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void TerminalWidget::finishDragSelection()
{
    m_selecting = false;
    stopAutoScroll();
    if (!selectionEndsDiffer()) {
        if (!m_selectionActive)
            return; // a click without a drag
        m_selectionActive = false;
        resetSelectionEnds();
        viewport()->update();
        emit selectionChanged(false);
        return;
    }
    m_selectionActive = true;
    mirrorToSelectionClipboard();
    emit selectionChanged(true);
}

// --- auto-scroll --------------------------------------------------------------

void TerminalWidget::updateAutoScroll(QPoint point)
{
    const int height = viewport()->height();
    m_autoScrollDirection = point.y() < 0 ? -1 : (point.y() > height ? 1 : 0);
    if (m_autoScrollDirection == 0) {
        if (m_autoScrollTimer)
            m_autoScrollTimer->stop();
        return;
    }
    if (!m_autoScrollTimer) {
        m_autoScrollTimer = new QTimer(this);
        connect(m_autoScrollTimer, &QTimer::timeout, this, &TerminalWidget::autoScrollStep);
    }
    if (!m_autoScrollTimer->isActive())
        m_autoScrollTimer->start(kAutoScrollIntervalMs);
}

void TerminalWidget::stopAutoScroll()
{
    m_autoScrollDirection = 0;
    if (m_autoScrollTimer)
        m_autoScrollTimer->stop();
}

void TerminalWidget::autoScrollStep()
{
    QScrollBar *bar = verticalScrollBar();
    const int value = bar->value() + m_autoScrollDirection;
    if (value < bar->minimum() || value > bar->maximum()) {
        stopAutoScroll();
        return;
    }
    // Through the bar's signals, so scrollContentsBy moves the view.
    bar->setValue(value);
    const int y = m_autoScrollDirection < 0 ? 0 : viewport()->height() - 1;
    extendSelectionTo(QPoint(m_lastMousePosition.x(), y));
}

// --- clipboard shortcuts ------------------------------------------------------

bool TerminalWidget::handleClipboardShortcut(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    if ((mods & ~Qt::KeypadModifier) == Qt::ShiftModifier && event->key() == Qt::Key_Insert) {
        paste(clipboard()->text(QClipboard::Clipboard));
        return true;
    }
    if (!mods.testFlag(Qt::ControlModifier) || !mods.testFlag(Qt::ShiftModifier))
        return false;
    switch (event->key()) {
    case Qt::Key_A:
        selectAll();
        mirrorToSelectionClipboard();
        return true;
    case Qt::Key_C:
        if (!hasSelection())
            return false;
        copySelection();
        return true;
    case Qt::Key_V:
        paste(clipboard()->text(QClipboard::Clipboard));
        return true;
    default:
        return false;
    }
}

} // namespace vesper
