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
    const int row = std::clamp(point.y() / m_cellHeight, 0, rows - 1);
    const int column = std::clamp(point.x() / m_cellWidth, 0, m_columns);
    return {screen.viewTopLine() + row, column};
}

bool TerminalWidget::selectionEndsDiffer() const
{
    return selectionStartLine != selectionEndLine || selectionStartColumn != selectionEndColumn;
}

void TerminalWidget::resetSelectionEnds()
{
    selectionStartLine = selectionStartColumn = selectionEndLine = selectionEndColumn = 0;
}

void TerminalWidget::shiftSelectionLines(std::int32_t shift)
{
    selectionStartLine -= shift;
    selectionEndLine -= shift;
}

// --- public operations --------------------------------------------------------

bool TerminalWidget::hasSelection() const { return selectionActive && selectionEndsDiffer(); }

QString TerminalWidget::selectedText() const
{
    if (!hasSelection())
        return {};
    const bool startIsLower = selectionStartLine < selectionEndLine
                              || (selectionStartLine == selectionEndLine && selectionStartColumn <= selectionEndColumn);
    const std::string text = startIsLower
                                 ? screen.rangeText(selectionStartLine, selectionStartColumn, selectionEndLine, selectionEndColumn)
                                 : screen.rangeText(selectionEndLine, selectionEndColumn, selectionStartLine, selectionStartColumn);
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
    if (!selectionActive)
        return;
    selectionActive = false;
    selecting = false;
    resetSelectionEnds();
    viewport()->update();
    emit selectionChanged(false); // last: a slot may delete the widget
}

void TerminalWidget::selectAll()
{
    setSelection(screen.firstLine(), 0, screen.endLine() - 1, m_columns);
}

void TerminalWidget::setSelection(int startLine, int startCol, int endLine, int endCol)
{
    selectionStartLine = startLine;
    selectionStartColumn = startCol;
    selectionEndLine = endLine;
    selectionEndColumn = endCol;
    selectionActive = true;
    selecting = false;
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

void TerminalWidget::paste(const QString &text) { outgoing->addText(text, bracketedPaste); }

void TerminalWidget::send(const QString &text) { outgoing->addText(text, false); }

// --- gestures -----------------------------------------------------------------

void TerminalWidget::extendSelectionTo(QPoint point)
{
    const CellPosition cell = cellAt(point);
    selectionEndLine = cell.line;
    selectionEndColumn = cell.column;
    selectionActive = true;
    viewport()->update();
}

void TerminalWidget::startSelection(QPoint point, CellPosition cell)
{
    selectionActive = false;
    selectionStartLine = selectionEndLine = cell.line;
    selectionStartColumn = selectionEndColumn = cell.column;
    selecting = true;
    lastMousePosition = point;
    viewport()->update();
    emit selectionChanged(false);
}

void TerminalWidget::selectLine(int line)
{
    selectionStartLine = selectionEndLine = line;
    selectionStartColumn = 0;
    selectionEndColumn = m_columns;
    selectionActive = true;
    selecting = false;
    viewport()->update();
    emit selectionChanged(true);
}

// The word under the cell, read from its paragraph so that a word the right
// margin breaks is taken whole.
void TerminalWidget::selectWordAt(int line, int column)
{
    const WrappedText paragraph = WrappedText::around(screen, line);
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
    clickCount = (clickTimer.isValid() && clickTimer.elapsed() < QApplication::doubleClickInterval()) ? clickCount + 1 : 1;
    clickTimer.restart();
    const CellPosition cell = cellAt(point);

    if (clickCount >= 3) {
        selectLine(cell.line);
        mirrorToSelectionClipboard();
    } else if (shift && selectionActive) {
        extendSelectionTo(point);
        selecting = true;
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
    clickCount = 2;
    clickTimer.restart();
    const CellPosition cell = cellAt(event->position().toPoint());
    selecting = false;
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
    if (!selecting) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    lastMousePosition = point;
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
    if (event->button() == Qt::LeftButton && selecting) {
        finishDragSelection();
        return;
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void TerminalWidget::finishDragSelection()
{
    selecting = false;
    stopAutoScroll();
    if (!selectionEndsDiffer()) {
        if (!selectionActive)
            return; // a click without a drag
        selectionActive = false;
        resetSelectionEnds();
        viewport()->update();
        emit selectionChanged(false);
        return;
    }
    selectionActive = true;
    mirrorToSelectionClipboard();
    emit selectionChanged(true);
}

// --- auto-scroll --------------------------------------------------------------

void TerminalWidget::updateAutoScroll(QPoint point)
{
    const int height = viewport()->height();
    autoScrollDirection = point.y() < 0 ? -1 : (point.y() > height ? 1 : 0);
    if (autoScrollDirection == 0) {
        if (autoScrollTimer)
            autoScrollTimer->stop();
        return;
    }
    if (!autoScrollTimer) {
        autoScrollTimer = new QTimer(this);
        connect(autoScrollTimer, &QTimer::timeout, this, &TerminalWidget::autoScrollStep);
    }
    if (!autoScrollTimer->isActive())
        autoScrollTimer->start(kAutoScrollIntervalMs);
}

void TerminalWidget::stopAutoScroll()
{
    autoScrollDirection = 0;
    if (autoScrollTimer)
        autoScrollTimer->stop();
}

void TerminalWidget::autoScrollStep()
{
    QScrollBar *bar = verticalScrollBar();
    const int value = bar->value() + autoScrollDirection;
    if (value < bar->minimum() || value > bar->maximum()) {
        stopAutoScroll();
        return;
    }
    // Through the bar's signals, so scrollContentsBy moves the view.
    bar->setValue(value);
    const int y = autoScrollDirection < 0 ? 0 : viewport()->height() - 1;
    extendSelectionTo(QPoint(lastMousePosition.x(), y));
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
