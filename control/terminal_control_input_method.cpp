// TerminalControl input methods: a commit is typed text, the preedit string is
// only shown (underlined, at the cursor) until the input method commits or
// drops it, and the queries tell the input method where the cursor is and
// which font it shows.
#include "control/terminal_control.h"

#include <QInputMethodEvent>
#include <QPainter>

#include "lumenvale/input_encoding.h"

namespace vesper {

namespace {

constexpr qsizetype kMaxPreeditUnits = 64 << 10;

} // namespace

void TerminalControl::inputMethod(QInputMethodEvent *event)
{
    const QString commit = event->commitString();
    if (!commit.isEmpty()) {
        if (m_screen.viewScrolled()) {
            m_screen.resetView();
            syncScrollModel();
        }
        restartCursorBlink();
    }
    // A composition longer than any input method makes is kept only in
    // part: it is shown, never sent, and drawing it whole on every paint
    // would stall the window.
    const QString preedit = event->preeditString().left(kMaxPreeditUnits);
    if (m_preeditText != preedit || !commit.isEmpty()) {
        m_preeditText = preedit;
        update();
    }
    event->accept();
    if (!commit.isEmpty())
        emitBytes(encode_text(commit, false)); // last: a slot may delete the control
}

QVariant TerminalControl::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImFont: return m_font;
    // In viewport coordinates: the shell maps them into its own.
    case Qt::ImCursorRectangle: return cursorCellRect();
    case Qt::ImCursorPosition:
    case Qt::ImAnchorPosition: return int(m_preeditText.size());
    case Qt::ImSurroundingText:
    case Qt::ImCurrentSelection: return QString();
    case Qt::ImHints: return int(Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase);
    default: return {};
    }
}

// The preedit string covers the cells from the cursor on, in the default
// colours and underlined, so it reads as text that is not typed yet.  Only
// what fits before the viewport's right edge is measured and drawn, elided.
void TerminalControl::paintPreedit(QPainter &painter)
{
    if (m_preeditText.isEmpty())
        return;
    const QRect cursorCell = cursorCellRect();
    if (cursorCell.isEmpty())
        return;
    QFont underlined = m_font;
    underlined.setUnderline(true);
    painter.setFont(underlined);
    const int room = std::max(m_viewportSize.width() - cursorCell.left(), m_cellWidth);
    // Four units a column (a surrogate pair with a mark) is more than text
    // that fits ever needs: the rest of a long composition is not measured.
    const QString shown = painter.fontMetrics().elidedText(m_preeditText.left(4 * (room / m_cellWidth + 1)),
                                                           Qt::ElideRight, room);
    const int width = painter.fontMetrics().horizontalAdvance(shown);
    const QRect area(cursorCell.left(), cursorCell.top(), std::max(width, m_cellWidth), m_cellHeight);
    painter.fillRect(area, m_colours.background());
    painter.setPen(m_colours.foreground());
    painter.drawText(area.left(), area.top() + m_fontAscent, shown);
}

} // namespace vesper
