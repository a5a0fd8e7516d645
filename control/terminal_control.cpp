// TerminalControl frame: construction, the terminal font and cell metrics,
// the grid that follows the viewport, the scroll model over the scrollback,
// feed, key presses, the parser's replies and mode changes, the events the
// shells hand in, and the line and text accessors.
#include "control/terminal_control.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPointer>
#include <QHelpEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <span>
#include <utility>

#include "control/accessibility/accessible_text_tracker.h"
#include "lumenvale/input_encoding.h"
#include "control/input/outgoing_text.h"
#include "control/paint/run_fonts.h"
#include "control/terminal_actions.h"
#include "control/text/terminal_link.h"

namespace vesper {

namespace {

constexpr int kInitialScrollback = 5000;

QEvent::Type parsePassEvent()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

QString fromUtf8(const std::string &text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TerminalControl::TerminalControl(QSize viewportSize, QObject *parent)
    : QObject(parent),
      m_screen(initialColumns, initialRows, kInitialScrollback),
      m_parser(m_screen),
      m_viewportSize(viewportSize),
      m_scrollbackLimit(kInitialScrollback),
      m_paintCache(std::make_unique<PaintCache>()),
      m_outgoing(std::make_unique<OutgoingText>(this, [this](const QByteArray &bytes) { emit dataReady(bytes); }))
{
    installParserCallbacks();
    installActions();
    m_frameClock.start();

    m_font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_font.setFixedPitch(true);
    m_font.setStyleHint(QFont::Monospace);

    updateCellMetrics();
    if (m_viewportSize.isValid())
        updateGridSize();
    // Nobody can have connected to `resized` yet: the first grid is no news.
    m_announcedGrid = QSize(m_columns, m_rows);
    m_announcedCell = QSize(m_cellWidth, m_cellHeight);
}

TerminalControl::~TerminalControl() = default;

void TerminalControl::installParserCallbacks()
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
    installClipboardCallback();
    installShellIntegrationCallback();
    handPaletteToCore();
    m_colours.update(m_screen.colorTable(), m_palette);
}

// The core answers a program's colour queries from the host's colours.
void TerminalControl::handPaletteToCore()
{
    ColorTable &colors = m_screen.colorTable();
    const QColor none;
    for (int i = 0; i < ColorTable::kIndexed; ++i)
        colors.setHostColor(i, m_palette.color(i, none).rgb());
    colors.setHostColor(ColorTable::kForeground, m_palette.foreground().rgb());
    colors.setHostColor(ColorTable::kBackground, m_palette.background().rgb());
    colors.setHostColor(ColorTable::kCursor, m_palette.cursor().rgb());
}

// A program's colour changes show at the end of the pass that parsed them;
// a changed colour repaints everything (the frame's look changed).
void TerminalControl::updatePaintedColours()
{
    if (m_colours.update(m_screen.colorTable(), m_palette))
        update();
}

// The modes themselves live in the core (m_screen.modes()); this only
// reacts to the ones that change what is shown.
void TerminalControl::handleModeChange(int mode, bool /*set*/, bool isPrivate)
{
    if (isPrivate && (mode == 25 || mode == 12)) {
        updateCursorBlink();
        update();
    }
}

void TerminalControl::emitBytes(const std::string &bytes)
{
    // Behind a large text still being sent, if there is one.
    queueBytes(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

// --- font, metrics and grid ---------------------------------------------------

QFont TerminalControl::font() const { return m_font; }

void TerminalControl::setFont(const QFont &f)
{
    m_font = f;
    m_font.setFixedPitch(true);
    m_font.setStyleHint(QFont::Monospace);
    updateCellMetrics();
    updateGridSize();
    update();
    emit microFocusChanged();
}

// Cells are whole pixels; the letter spacing absorbs the difference between
// the font's advance of 'M' and the rounded cell width, so that a run of text
// drawn in one call stays on the cell grid.
void TerminalControl::updateCellMetrics()
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
    announceCellSize();
}

void TerminalControl::updateGridSize()
{
    // Any viewport size is legal, QWIDGETSIZE_MAX included: the grid stops at
    // the core's cap and the rest of the viewport stays empty.
    const int newColumns = std::clamp(m_viewportSize.width() / m_cellWidth, 1, kMaxGridColumns);
    const int newRows = std::clamp(m_viewportSize.height() / m_cellHeight, 1, kMaxGridRows);
    if (newColumns == m_columns && newRows == m_rows)
        return;
    m_columns = newColumns;
    m_rows = newRows;
    // A column change re-wraps the lines: the selection follows its text,
    // or goes when an end left with the oldest lines.  That news leaves from
    // the event loop: this runs inside Qt's resize handling, which goes on
    // using the shell after a slot could have deleted it.
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
    // A shell that shows or hides its scroll bar on scrollChanged resizes
    // the viewport, which comes back into this function and may settle on
    // another grid; that nested call has then announced the final size.
    syncScrollModel();
    if (m_columns == newColumns && m_rows == newRows)
        announceGridSize();
}

// `resized` leaves from the event loop, once for all the grid changes of one
// pass, and never from inside Qt's resize handling: a slot may delete the
// shell, which that handling still uses after resizeEvent returns.
void TerminalControl::announceGridSize()
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

// Like `resized`: a session gives the child's terminal its pixel size.
void TerminalControl::announceCellSize()
{
    if (QSize(m_cellWidth, m_cellHeight) == m_announcedCell || std::exchange(m_cellAnnouncementPending, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_cellAnnouncementPending = false;
            if (std::exchange(m_announcedCell, QSize(m_cellWidth, m_cellHeight)) != QSize(m_cellWidth, m_cellHeight))
                emit cellSizeChanged(m_cellWidth, m_cellHeight);
        },
        Qt::QueuedConnection);
}

int TerminalControl::columns() const { return m_columns; }
int TerminalControl::terminalRows() const { return m_rows; }
int TerminalControl::cellWidth() const { return m_cellWidth; }
int TerminalControl::cellHeight() const { return m_cellHeight; }

// --- scroll model ---------------------------------------------------------------

int TerminalControl::scrollMaximum() const { return m_scrollMaximum; }
int TerminalControl::scrollValue() const { return m_scrollValue; }
int TerminalControl::scrollPageStep() const { return std::max(m_rows, 1); }

// Value n is the live screen, 0 the oldest scrollback line.  The shells see
// every change at once: showing or hiding a scroll bar may resize the
// viewport, and with it the grid.
void TerminalControl::syncScrollModel()
{
    m_scrollMaximum = m_screen.scrollbackLineCount();
    m_scrollValue = m_scrollMaximum - m_screen.viewOffset();
    forgetLinkText();
    noteAccessibleTextChange();
    emit scrollChanged();
}

void TerminalControl::setScrollValue(int value)
{
    m_scrollValue = std::clamp(value, 0, m_scrollMaximum);
    m_screen.setViewOffset(m_scrollMaximum - value);
    noteAccessibleTextChange();
    repaintChanges();
    if (m_linkPointerInside)
        scheduleLinkHoveredCheck(); // other text lies under the pointer
}

void TerminalControl::scrollLines(int lines)
{
    if (lines < 0)
        m_screen.scrollViewUp(-lines);
    else if (lines > 0)
        m_screen.scrollViewDown(lines);
    else
        return;
    syncScrollModel();
    repaintChanges();
    if (m_linkPointerInside)
        scheduleLinkHoveredCheck(); // other text lies under the pointer
}

// --- data in ------------------------------------------------------------------

void TerminalControl::feed(const QByteArray &data)
{
    if (data.isEmpty())
        return;
    m_receivedOutput = true;
    if (m_frameHold.active())
        m_frameHold.arrived(data);
    m_unparsed.append(data);
    // Inside a running pass (a dataReady receiver answered at once) the pass
    // goes on with these bytes.  Otherwise a pass runs now, from the oldest
    // waiting byte: a session that hands on output faster than it is parsed
    // sees each of its batches cost a whole pass, and sizes the next ones
    // down, instead of piling up output here.
    if (!m_feeding)
        parsePass();
}

void TerminalControl::parsePass()
{
    QElapsedTimer clock;
    clock.start();
    ++m_parsePasses;
    if (!runParser())
        return; // a slot deleted the control
    const bool selectionGone = dropOverwrittenSelection();
    updatePaintedColours();
    syncScrollModel();
    restartCursorBlink();
    repaintOutputChanges();
    if (!m_unparsed.empty() && !holdingFrame())
        scheduleParsePass();
    m_loopPass.spend(clock.nsecsElapsed());
    if (selectionGone)
        emit selectionChanged(false); // last: a slot may delete the control
}

// The rest of the waiting output is parsed in the next event-loop pass,
// after that pass's ordinary events: a session's delivery among them parses
// first (its feed is a pass), and this one then waits once more, so that one
// event-loop pass parses for one pass's time, not two.
void TerminalControl::scheduleParsePass()
{
    if (std::exchange(m_parsePassScheduled, true))
        return;
    m_parsePassesWhenScheduled = m_parsePasses;
    QCoreApplication::postEvent(this, new QEvent(parsePassEvent()), Qt::LowEventPriority);
}

void TerminalControl::customEvent(QEvent *event)
{
    if (event->type() != parsePassEvent()) {
        QObject::customEvent(event);
        return;
    }
    m_parsePassScheduled = false;
    // A feed's pass ran since this one was posted, or this event-loop pass
    // has spent its time on output: the rest waits for the next loop pass.
    const bool passTaken = m_parsePasses != m_parsePassesWhenScheduled || m_loopPass.left() == 0;
    if (passTaken && !m_unparsed.empty() && !holdingFrame()) {
        scheduleParsePass();
        return;
    }
    // Also with nothing left to parse: a reader that parsed the rest left
    // the parser's signals to this pass.
    parsePass();
}

// Parses in pieces and looks at the clock between them, so that no byte mix
// (a storm of repeats or erasures at the largest grid, a huge skipped string
// followed by costly sequences) holds the event loop for long.  What the
// parser raised leaves once the pass's bytes are parsed, and bytes its
// receivers feed back are parsed in the same pass if time remains.  False
// when a slot deleted the control: the rest of the bytes and of the signals
// are dropped with it.
bool TerminalControl::runParser()
{
    constexpr qsizetype pieceBytes = 1 << 10;
    // At most 4 ms, which leaves a paint room in the same event-loop pass,
    // and at least 1 ms, so that a session's delivery always costs it time
    // (the session sizes its next deliveries by it).
    const qint64 passNanoseconds = std::clamp<qint64>(m_loopPass.left(), 1'000'000, 4'000'000);
    QElapsedTimer clock;
    clock.start();
    const auto timeLeft = [&] { return clock.nsecsElapsed() < passNanoseconds; };
    m_feeding = true;
    do {
        while (timeLeft() && parseNextPiece(pieceBytes)) {
        }
        if (!m_parserSignals.deliver(this))
            return false;
    } while (!m_unparsed.empty() && !holdingFrame() && timeLeft());
    m_feeding = false;
    return true;
}

// Parses the next piece of waiting output; false when none may be parsed
// now (none waits, or a synchronized frame is being held).  A piece ends
// right after a frame's start or end, so that a hold begins and ends there.
bool TerminalControl::parseNextPiece(qsizetype max)
{
    if (m_unparsed.empty() || holdingFrame())
        return false;
    QByteArrayView piece = m_unparsed.front(max);
    // One search for what both markers begin with: it runs over every byte.
    constexpr QByteArrayView frameMode("\x1b[?2026");
    for (qsizetype at = piece.indexOf(frameMode); at >= 0 && at + frameMode.size() < piece.size();
         at = piece.indexOf(frameMode, at + 1)) {
        const char set = piece[at + frameMode.size()];
        if (set == 'h' || set == 'l') {
            piece = piece.first(at + frameMode.size() + 1);
            break;
        }
    }
    m_parser.feed(piece.data(), piece.size());
    m_unparsed.pop(piece.size());
    return true;
}

// Whether the output waiting belongs to a synchronized frame not yet ended.
// A hold that began arms a timer: its end is a parsing pass.
bool TerminalControl::holdingFrame()
{
    if (!m_screen.modes().synchronizedOutput) {
        if (m_frameHold.active())
            m_frameHold.reset();
        return false;
    }
    if (!m_frameHold.active()) {
        m_frameHold.begin(m_unparsed);
        if (!m_frameTimer) {
            m_frameTimer = new QTimer(this);
            m_frameTimer->setSingleShot(true);
            m_frameTimer->setInterval(SynchronizedOutput::kMaxHoldMilliseconds);
            connect(m_frameTimer, &QTimer::timeout, this, &TerminalControl::scheduleParsePass);
        }
        m_frameTimer->start();
    }
    return !m_frameHold.ended();
}

// What the parser raises meanwhile waits for the pass that is scheduled
// whenever output waits: a reader's call never emits.  A held frame stays
// held: readers see the screen as painted.
void TerminalControl::parseWaitingOutput() const
{
    if (m_feeding || m_unparsed.empty())
        return;
    auto *self = const_cast<TerminalControl *>(this);
    self->m_feeding = true;
    while (self->parseNextPiece(1 << 20)) {
    }
    self->m_feeding = false;
}

void TerminalControl::refresh() { update(); }

// --- keys ---------------------------------------------------------------------

namespace {

KeyModes keyModesOf(const Screen &screen)
{
    const TerminalModes &modes = screen.modes();
    return {modes.applicationCursorKeys, modes.applicationKeypad, modes.keyboard.modifyOtherKeys, screen.keyboardFlags()};
}

} // namespace

// Releases reach the program only when it asked for event types.  Qt's
// auto-repeat sends a release before each repeated press: those are no
// releases of the key.  The release of a press the control took is taken
// too: the program never saw the press.
bool TerminalControl::reportKeyRelease(QKeyEvent *event)
{
    if (event->isAutoRepeat())
        return false;
    const auto consumed = std::find(m_consumedKeys.begin(), m_consumedKeys.end(), event->key());
    if (consumed != m_consumedKeys.end()) {
        m_consumedKeys.erase(consumed);
        return false;
    }
    if (!(m_screen.keyboardFlags() & kReportEventTypes))
        return false;
    const std::string bytes = encode_key(event, keyModesOf(m_screen), true);
    if (bytes.empty())
        return false;
    event->accept();
    emitBytes(bytes); // last: a slot of `dataReady` may delete the control
    return true;
}

// False for a key that produces no bytes: the shell's base class has it.
bool TerminalControl::keyPress(QKeyEvent *event)
{
    trackLinkModifier(event, true);
    // Noted as taken first, since an action's slot may delete the control;
    // a press the program gets makes its release the program's again.
    if (std::find(m_consumedKeys.begin(), m_consumedKeys.end(), event->key()) == m_consumedKeys.end())
        m_consumedKeys.push_back(event->key());
    const QPointer<TerminalControl> alive(this);
    if (runShortcut(event) || scrollToPromptByKey(event) || !alive)
        return true;
    std::erase(m_consumedKeys, event->key());
    const std::string bytes = encode_key(event, keyModesOf(m_screen));
    if (bytes.empty())
        return false;
    if (m_screen.viewScrolled()) {
        m_screen.resetView();
        syncScrollModel();
    }
    restartCursorBlink();
    event->accept();
    update();
    emitBytes(bytes); // last: a slot of `dataReady` may delete the control
    return true;
}

// --- events ---------------------------------------------------------------------

bool TerminalControl::handleEvent(QEvent *event, QPointF origin)
{
    const auto local = [origin](QPointF position) { return (position - origin).toPoint(); };
    switch (event->type()) {
    case QEvent::KeyPress: return keyPress(static_cast<QKeyEvent *>(event));
    case QEvent::KeyRelease: return keyRelease(static_cast<QKeyEvent *>(event));
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        return mousePress(mouse, local(mouse->position()));
    }
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        return mouseDoubleClick(mouse, local(mouse->position()));
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        return mouseMove(mouse, local(mouse->position()));
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        return mouseRelease(mouse, local(mouse->position()));
    }
    case QEvent::Wheel: {
        auto *wheelEvent = static_cast<QWheelEvent *>(event);
        return wheel(wheelEvent, local(wheelEvent->position()));
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: return dragEnter(static_cast<QDropEvent *>(event));
    case QEvent::Drop: return drop(static_cast<QDropEvent *>(event));
    case QEvent::InputMethod: inputMethod(static_cast<QInputMethodEvent *>(event)); return true;
    case QEvent::FocusIn: focusChanged(true); return true;
    case QEvent::FocusOut: focusChanged(false); return true;
    case QEvent::Show: visibilityChanged(true); return true;
    case QEvent::Hide: visibilityChanged(false); return true;
    case QEvent::Leave:
    case QEvent::HoverLeave: pointerLeft(); return false;
    case QEvent::FontChange: // the screen's resolution, for one
        updateCellMetrics();
        updateGridSize();
        return false;
    case QEvent::ToolTip: {
        auto *help = static_cast<QHelpEvent *>(event);
        const QPoint point = local(help->pos());
        const QString tip = linkToolTipAt(point);
        emit toolTipRequest(point, tip);
        if (tip.isEmpty())
            event->ignore();
        return true;
    }
    default: return false;
    }
}

void TerminalControl::focusChanged(bool focused)
{
    m_focused = focused;
    if (!focused)
        m_consumedKeys.clear(); // their releases go elsewhere
    updateCursorBlink();
    update();
    reportFocus(focused); // last: a slot of `dataReady` may delete the control
}

// A window drag may resize several times in one event-loop pass: the first
// resize applies at once, the later ones (each a re-wrap of every held line)
// together when the pass ends.
void TerminalControl::setViewportSize(QSize size)
{
    m_viewportSize = size;
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

// --- lines and text -----------------------------------------------------------

int TerminalControl::firstLine() const
{
    parseWaitingOutput();
    return m_screen.firstLine();
}

int TerminalControl::endLine() const
{
    parseWaitingOutput();
    return m_screen.endLine();
}

int TerminalControl::viewTopLine() const
{
    parseWaitingOutput();
    return m_screen.viewTopLine();
}

int TerminalControl::scrollbackSize() const
{
    parseWaitingOutput();
    return m_screen.scrollbackLineCount();
}
int TerminalControl::scrollbackLimit() const { return m_scrollbackLimit; }

void TerminalControl::setScrollbackSize(int lines)
{
    m_scrollbackLimit = std::max(lines, -1);
    m_screen.setScrollbackSize(m_scrollbackLimit);
    if (dropOverwrittenSelection())
        emit selectionChanged(false); // last: a slot may delete the control
}
QString TerminalControl::lineAt(int line) const
{
    parseWaitingOutput();
    return fromUtf8(m_screen.lineText(line));
}

QString TerminalControl::screenText() const
{
    parseWaitingOutput();
    return fromUtf8(m_screen.screenText());
}

QString TerminalControl::sessionText() const
{
    parseWaitingOutput();
    return fromUtf8(m_screen.sessionText());
}

// --- accessibility ------------------------------------------------------------

AccessibleTextTracker *TerminalControl::accessibleText(QObject *target)
{
    if (!m_accessibleText) {
        m_accessibleText = new AccessibleTextTracker(m_screen, m_selection, target, this);
        connect(this, &TerminalControl::selectionChanged, m_accessibleText, &AccessibleTextTracker::selectionChanged);
    }
    return m_accessibleText;
}

void TerminalControl::noteAccessibleTextChange()
{
    if (m_accessibleText)
        m_accessibleText->textChanged();
}

// The name follows the program's title, so assistive technology hears of it.
void TerminalControl::noteAccessibleNameChange()
{
    if (m_accessibleText)
        m_accessibleText->nameChanged();
}

// --- palette ------------------------------------------------------------------

Palette TerminalControl::palette() const { return m_palette; }

void TerminalControl::setPalette(const Palette &p)
{
    m_palette = p;
    handPaletteToCore();
    updatePaintedColours();
    refresh();
}

} // namespace vesper
