// TerminalWidget frame: construction, the terminal font and cell metrics, the
// grid that follows the viewport, the scroll bar mapped onto the view over
// the scrollback, feed, key presses, the parser's replies and mode changes,
// and the line and text accessors.
#include "widget/terminal_widget.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QScrollBar>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <span>
#include <utility>

#include "widget/input_encoding.h"
#include "widget/outgoing_text.h"
#include "widget/run_fonts.h"
#include "widget/terminal_link.h"
#include "widget/terminal_accessible.h"

namespace vesper {

namespace {

constexpr int kInitialColumns = 80;
constexpr int kInitialRows = 24;
constexpr int kInitialScrollback = 5000;
constexpr int kMinimumColumns = 4;
constexpr int kMinimumRows = 2;

QString fromUtf8(const std::string &text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TerminalWidget::TerminalWidget(QWidget *parent)
    : QAbstractScrollArea(parent),
      m_screen(kInitialColumns, kInitialRows, kInitialScrollback),
      m_parser(m_screen),
      m_scrollbackLimit(kInitialScrollback),
      m_paintCache(std::make_unique<PaintCache>()),
      m_outgoing(std::make_unique<OutgoingText>(this, [this](const QByteArray &bytes) { emit dataReady(bytes); }))
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    // Motion without a button reaches the widget: mode 1003 reports it.
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    // Painting covers every pixel it is asked for, so Qt may move the
    // viewport's pixels when the view scrolls instead of repainting them.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameStyle(0);

    installParserCallbacks();
    registerTerminalAccessible();

    m_font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_font.setFixedPitch(true);
    m_font.setStyleHint(QFont::Monospace);

    updateCellMetrics();
    updateGridSize();
    // Nobody can have connected to `resized` yet: the first grid is no news.
    m_announcedGrid = QSize(m_columns, m_rows);
    viewport()->update();
}

// Objects the host parented to the widget (a session, typically) go while the
// widget is still whole: QWidget would delete them only after this class's
// members are gone, and their destroyed() may still reach the widget's slots.
TerminalWidget::~TerminalWidget()
{
    const QObjectList owned = children();
    for (QObject *child : owned)
        if (!child->isWidgetType())
            delete child;
}

void TerminalWidget::installParserCallbacks()
{
    m_parser.replyCallback = [this](const std::string &bytes) {
        // A reply waits behind a large text still being sent, like a key.
        m_parserSignals.post([this, reply = QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()))] {
            queueBytes(reply);
        });
    };
    m_parser.modeCallback = [this](int mode, bool set, bool isPrivate) { handleModeChange(mode, set, isPrivate); };
    m_screen.lineRenumberCallback = [this](std::int32_t shift) { shiftSelectionLines(shift); };
    // The pixel sizes programs may ask for (CSI 14 t, CSI 16 t).
    m_parser.cellPixelSizeCallback = [this](int &width, int &height) {
        width = m_cellWidth;
        height = m_cellHeight;
        return true;
    };
    installHostStateCallbacks();
    handPaletteToCore();
}

// The core answers a program's colour queries from the host's colours.
void TerminalWidget::handPaletteToCore()
{
    ColorTable &colors = m_screen.colorTable();
    const QColor none;
    for (int i = 0; i < ColorTable::kIndexed; ++i)
        colors.setHostColor(i, m_palette.color(i, none).rgb());
    colors.setHostColor(ColorTable::kForeground, m_palette.foreground().rgb());
    colors.setHostColor(ColorTable::kBackground, m_palette.background().rgb());
    colors.setHostColor(ColorTable::kCursor, m_palette.cursor().rgb());
}

// The modes themselves live in the core (m_screen.modes()); this only
// reacts to the ones that change what is shown.
void TerminalWidget::handleModeChange(int mode, bool /*set*/, bool isPrivate)
{
    if (isPrivate && mode == 25) {
        updateCursorBlink();
        viewport()->update();
    }
}

void TerminalWidget::emitBytes(const std::string &bytes)
{
    // Behind a large text still being sent, if there is one.
    queueBytes(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

// --- font, metrics and grid ---------------------------------------------------

QFont TerminalWidget::terminalFont() const { return m_font; }

void TerminalWidget::setTerminalFont(const QFont &f)
{
    m_font = f;
    m_font.setFixedPitch(true);
    m_font.setStyleHint(QFont::Monospace);
    updateCellMetrics();
    updateGridSize();
    viewport()->update();
}

// Cells are whole pixels; the letter spacing absorbs the difference between
// the font's advance of 'M' and the rounded cell width, so that a run of text
// drawn in one call stays on the cell grid.
void TerminalWidget::updateCellMetrics()
{
    m_font.setLetterSpacing(QFont::PercentageSpacing, 100);
    const QFontMetricsF metrics(m_font);
    const qreal advance = metrics.horizontalAdvance(QLatin1Char('M'));
    m_cellWidth = std::max(qRound(advance), 1);
    m_cellHeight = std::max(qRound(metrics.lineSpacing()), 1);
    m_fontAscent = qRound(metrics.ascent());
    m_font.setLetterSpacing(QFont::AbsoluteSpacing, m_cellWidth - advance);

    const QFontMetricsF spaced(m_font);
    const qreal m = spaced.horizontalAdvance(QLatin1Char('M'));
    m_uniformAdvance = true;
    for (const char c : {'i', 'W', ' ', '.'}) {
        if (std::abs(spaced.horizontalAdvance(QLatin1Char(c)) - m) > 0.01) {
            m_uniformAdvance = false;
            break;
        }
    }
}

void TerminalWidget::updateGridSize()
{
    // Any widget size is legal, QWIDGETSIZE_MAX included: the grid stops at
    // the core's cap and the rest of the viewport stays empty.
    const int newColumns = std::clamp(viewport()->width() / m_cellWidth, 1, kMaxGridColumns);
    const int newRows = std::clamp(viewport()->height() / m_cellHeight, 1, kMaxGridRows);
    if (newColumns == m_columns && newRows == m_rows)
        return;
    m_columns = newColumns;
    m_rows = newRows;
    // A column change re-wraps the lines: the selection follows its text,
    // or goes when an end left with the oldest lines.  That news leaves from
    // the event loop: this runs inside Qt's resize handling, which goes on
    // using the widget after a slot could have deleted it.
    LinePosition ends[2] = {{m_selection.anchor.line, m_selection.anchor.column},
                            {m_selection.head.line, m_selection.head.column}};
    m_screen.resize(m_columns, m_rows, m_selection.active ? std::span<LinePosition>(ends) : std::span<LinePosition>());
    if (m_selection.active && ends[0].held && ends[1].held) {
        m_selection.anchor = {ends[0].line, ends[0].column};
        m_selection.head = {ends[1].line, ends[1].column};
        m_selectionWatch.watch(m_screen, m_selection);
    } else if (dropSelection()) {
        QMetaObject::invokeMethod(this, [this] { emit selectionChanged(hasSelection()); }, Qt::QueuedConnection);
    }
    // Until output arrives the screen is blank: a shrink must not turn its
    // blank rows into scrollback (which a later growth would pull back above
    // the cursor, leaving the first output halfway down the screen).
    if (!m_receivedOutput)
        m_screen.eraseInDisplay(3);
    // Showing or hiding the scroll bar here resizes the viewport, which comes
    // back into this function and may settle on another grid; that nested
    // call has then announced the final size itself.
    syncScrollBar();
    if (m_columns == newColumns && m_rows == newRows)
        announceGridSize();
}

// `resized` leaves from the event loop, once for all the grid changes of one
// pass, and never from inside Qt's resize handling: a slot may delete the
// widget, which that handling still uses after resizeEvent returns.
void TerminalWidget::announceGridSize()
{
    if (std::exchange(m_gridAnnouncementPending, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_gridAnnouncementPending = false;
            if (std::exchange(m_announcedGrid, QSize(m_columns, m_rows)) != QSize(m_columns, m_rows))
                emit resized(m_columns, m_rows);
        },
        Qt::QueuedConnection);
}

// 80x24 cells with the frame and room for the scroll bar, so that a terminal
// placed in a layout starts at the classic size.
QSize TerminalWidget::sizeHint() const
{
    const int frame = 2 * frameWidth();
    return {kInitialColumns * m_cellWidth + frame + verticalScrollBar()->sizeHint().width(),
            kInitialRows * m_cellHeight + frame};
}

QSize TerminalWidget::minimumSizeHint() const
{
    const int frame = 2 * frameWidth();
    return {kMinimumColumns * m_cellWidth + frame + verticalScrollBar()->sizeHint().width(),
            kMinimumRows * m_cellHeight + frame};
}

int TerminalWidget::columns() const { return m_columns; }
int TerminalWidget::terminalRows() const { return m_rows; }
int TerminalWidget::cellWidth() const { return m_cellWidth; }
int TerminalWidget::cellHeight() const { return m_cellHeight; }

// --- scroll bar ---------------------------------------------------------------

// The bar's value n is the live screen, 0 the oldest scrollback line. Its
// signals stay connected so that the scroll area sees the range change and
// shows or hides the bar; the guard keeps these moves from coming back as a
// view change through scrollContentsBy.
void TerminalWidget::syncScrollBar()
{
    QScrollBar *bar = verticalScrollBar();
    const int n = m_screen.scrollbackLineCount();
    const bool wasSyncing = std::exchange(m_syncingScrollBar, true);
    bar->setRange(0, n);
    bar->setPageStep(std::max(m_rows, 1));
    bar->setSingleStep(1);
    bar->setValue(n - m_screen.viewOffset());
    m_syncingScrollBar = wasSyncing;
    forgetLinkText();
    noteAccessibleTextChange();
}

void TerminalWidget::scrollContentsBy(int, int)
{
    if (m_syncingScrollBar)
        return;
    const QScrollBar *bar = verticalScrollBar();
    m_screen.setViewOffset(bar->maximum() - bar->value());
    noteAccessibleTextChange();
    repaintChanges();
}

// --- data in ------------------------------------------------------------------

void TerminalWidget::feed(const QByteArray &data)
{
    if (data.isEmpty())
        return;
    m_receivedOutput = true;
    m_unparsed.append(data);
    // Inside a running pass (a dataReady receiver answered at once) the pass
    // goes on with these bytes.  Otherwise a pass runs now, from the oldest
    // waiting byte: a session that hands on output faster than it is parsed
    // sees each of its batches cost a whole pass, and sizes the next ones
    // down, instead of piling up output here.
    if (!m_feeding)
        parsePass();
}

void TerminalWidget::parsePass()
{
    if (!runParser())
        return; // a slot deleted the widget
    const bool selectionGone = dropOverwrittenSelection();
    syncScrollBar();
    restartCursorBlink();
    repaintChanges();
    if (!m_unparsed.empty())
        scheduleParsePass();
    if (selectionGone)
        emit selectionChanged(false); // last: a slot may delete the widget
}

void TerminalWidget::scheduleParsePass()
{
    if (std::exchange(m_parsePassScheduled, true))
        return;
    QMetaObject::invokeMethod(this, [this] {
        m_parsePassScheduled = false;
        parsePass();
    }, Qt::QueuedConnection);
}

// Parses in pieces and looks at the clock between them, so that no byte mix
// (a storm of repeats or erasures at the largest grid, a huge skipped string
// followed by costly sequences) holds the event loop for long.  What the
// parser raised leaves once the pass's bytes are parsed, and bytes its
// receivers feed back are parsed in the same pass if time remains.  False
// when a slot deleted the widget: the rest of the bytes and of the signals
// are dropped with it.
bool TerminalWidget::runParser()
{
    constexpr qsizetype pieceBytes = 1 << 10;
    constexpr qint64 passNanoseconds = 20'000'000;
    QElapsedTimer clock;
    clock.start();
    const auto timeLeft = [&] { return clock.nsecsElapsed() < passNanoseconds; };
    m_feeding = true;
    do {
        while (!m_unparsed.empty() && timeLeft()) {
            const QByteArrayView piece = m_unparsed.front(pieceBytes);
            m_parser.feed(piece.data(), piece.size());
            m_unparsed.pop(piece.size());
        }
        if (!m_parserSignals.deliver(this))
            return false;
    } while (!m_unparsed.empty() && timeLeft());
    m_feeding = false;
    return true;
}

// What the parser raises meanwhile waits for the pass that is scheduled
// whenever output waits: a reader's call never emits.
void TerminalWidget::parseWaitingOutput() const
{
    if (m_feeding || m_unparsed.empty())
        return;
    auto *self = const_cast<TerminalWidget *>(this);
    self->m_feeding = true;
    for (ByteQueue &waiting = self->m_unparsed; !waiting.empty();) {
        const QByteArrayView piece = waiting.front(1 << 20);
        self->m_parser.feed(piece.data(), piece.size());
        waiting.pop(piece.size());
    }
    self->m_feeding = false;
}

void TerminalWidget::refresh() { viewport()->update(); }

// --- keys ---------------------------------------------------------------------

bool TerminalWidget::scrollViewByKey(const QKeyEvent *event)
{
    if (!event->modifiers().testFlag(Qt::ShiftModifier))
        return false;
    if (event->key() == Qt::Key_PageUp)
        m_screen.scrollViewUp(m_rows / 2);
    else if (event->key() == Qt::Key_PageDown)
        m_screen.scrollViewDown(m_rows / 2);
    else
        return false;
    syncScrollBar();
    repaintChanges();
    return true;
}

void TerminalWidget::keyPressEvent(QKeyEvent *event)
{
    trackLinkModifier(event, true);
    if (scrollViewByKey(event))
        return;
    const std::string bytes = encode_key(event, m_screen.modes().applicationCursorKeys);
    if (bytes.empty()) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (handleClipboardShortcut(event))
        return;
    if (m_screen.viewScrolled()) {
        m_screen.resetView();
        syncScrollBar();
    }
    restartCursorBlink();
    event->accept();
    viewport()->update();
    emitBytes(bytes); // last: a slot of `dataReady` may delete the widget
}

// --- other events -------------------------------------------------------------

void TerminalWidget::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    updateCursorBlink();
    viewport()->update();
    reportFocus(true); // last: a slot of `dataReady` may delete the widget
}

void TerminalWidget::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    updateCursorBlink();
    viewport()->update();
    reportFocus(false); // last: a slot of `dataReady` may delete the widget
}

void TerminalWidget::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    // A window drag may resize several times in one event-loop pass: the
    // first resize applies at once, the later ones (each a re-wrap of every
    // held line) together when the pass ends.
    if (m_resizeSettling) {
        m_gridUpdatePending = true;
        return;
    }
    updateGridSize();
    m_resizeSettling = true;
    QMetaObject::invokeMethod(this, [this] {
        m_resizeSettling = false;
        if (std::exchange(m_gridUpdatePending, false))
            updateGridSize();
    }, Qt::QueuedConnection);
}

void TerminalWidget::changeEvent(QEvent *event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateCellMetrics();
        updateGridSize();
    }
}

// --- lines and text -----------------------------------------------------------

int TerminalWidget::firstLine() const
{
    parseWaitingOutput();
    return m_screen.firstLine();
}

int TerminalWidget::endLine() const
{
    parseWaitingOutput();
    return m_screen.endLine();
}

int TerminalWidget::viewTopLine() const
{
    parseWaitingOutput();
    return m_screen.viewTopLine();
}

int TerminalWidget::scrollbackSize() const
{
    parseWaitingOutput();
    return m_screen.scrollbackLineCount();
}
int TerminalWidget::scrollbackLimit() const { return m_scrollbackLimit; }

void TerminalWidget::setScrollbackSize(int lines)
{
    m_scrollbackLimit = std::max(lines, 0);
    m_screen.setScrollbackSize(m_scrollbackLimit);
    if (dropOverwrittenSelection())
        emit selectionChanged(false); // last: a slot may delete the widget
}
QString TerminalWidget::lineAt(int line) const
{
    parseWaitingOutput();
    return fromUtf8(m_screen.lineText(line));
}

QString TerminalWidget::screenText() const
{
    parseWaitingOutput();
    return fromUtf8(m_screen.screenText());
}

QString TerminalWidget::sessionText() const
{
    parseWaitingOutput();
    return fromUtf8(m_screen.sessionText());
}

// --- palette ------------------------------------------------------------------

Palette TerminalWidget::terminalPalette() const { return m_palette; }

void TerminalWidget::setTerminalPalette(const Palette &p)
{
    m_palette = p;
    handPaletteToCore();
    refresh();
}

} // namespace vesper
