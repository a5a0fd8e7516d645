// TerminalControl: one terminal emulator (Screen + Parser) with everything a
// view of it needs that is not a fact of one toolkit: the grid fitted to a
// viewport size and font, the scroll model over the scrollback, painting,
// selection and the clipboard, keys, mouse and input-method encoding, link
// hover, cursor style and blink, host state, sliced sending, and the text
// that assistive technology reads.  A shell (TerminalWidget, TerminalItem)
// forwards its events to handleEvent, its geometry to setViewportSize and its
// paints to paint, and carries out the requests the control signals
// (updateRequest, scrollRequest, scrollChanged, cursorShapeRequest,
// toolTipRequest, microFocusChanged).  QtGui only: no QWidget reaches in.
//
// The implementation is split by concern: terminal_control.cpp (frame,
// grid, scroll model, feed, keys, modes, events), terminal_control_paint.cpp,
// terminal_control_repaint.cpp (repainting only what changed),
// terminal_control_selection.cpp, terminal_control_mouse.cpp (mouse, wheel
// and focus reports), terminal_control_cursor.cpp,
// terminal_control_input_method.cpp, terminal_control_search.cpp,
// terminal_control_host_state.cpp (title, directory, bell),
// terminal_control_links.cpp, terminal_control_sending.cpp,
// terminal_control_shell_integration.cpp (the shell's OSC 133 marks).
#pragma once

#include <QByteArray>
#include <QClipboard>
#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

#include "control/byte_queue.h"
#include "control/synchronized_output.h"
#include "control/deferred_signals.h"
#include "control/input/mouse_reporting.h"
#include "control/frame_pacer.h"
#include "control/loop_pass_budget.h"
#include "control/paint/painted_colours.h"
#include "lumenvale/palette.h"
#include "control/text/selection.h"
#include "control/text/selection_watch.h"
#include "core/parser.h"
#include "core/screen.h"

class QAction;
class QDropEvent;
class QEvent;
class QKeyEvent;
class QMouseEvent;
class QInputMethodEvent;
class QPainter;
class QRegion;
class QTimer;
class QWheelEvent;

namespace vesper {

class AccessibleTextTracker;
struct AttributeRun;
struct FrameLook;
struct PaintCache;
struct RowOverlay;
struct TerminalLink;
class LinkLookup;
class OutgoingText;
class TerminalActions;

class LUMENVALE_CONTROL_EXPORT TerminalControl : public QObject {
    Q_OBJECT

public:
    // The cursor shapes of DECSCUSR, numbered as its parameter.
    enum CursorStyle {
        BlinkingBlock = 1,
        SteadyBlock = 2,
        BlinkingUnderline = 3,
        SteadyUnderline = 4,
        BlinkingBar = 5,
        SteadyBar = 6,
    };
    Q_ENUM(CursorStyle)

    // The built-in key gestures, each a QAction (action()).
    enum StandardAction {
        Copy,
        Paste,
        PasteSelection,
        SelectAll,
        ScrollPageUp,
        ScrollPageDown,
        ScrollToTop,
        ScrollToBottom,
    };
    Q_ENUM(StandardAction)
    // What a program may do with the clipboard through OSC 52.
    enum ClipboardAccess { NoAccess, WriteOnly, ReadWrite };
    Q_ENUM(ClipboardAccess)

    // How a paint may go about its region.
    struct PaintOptions {
        // The pixels persist between paints (a window's backing store): a
        // paint may stop after its time budget and leave the rows it did not
        // reach for the next event-loop pass.  A grab is painted in full.
        bool mayStop = false;
    };

    static constexpr qsizetype maxTextLength = qsizetype(1) << 27;
    static constexpr int initialColumns = 80;
    static constexpr int initialRows = 24;

    // The grid starts fitted to `viewportSize` (80x24 when empty), which is
    // no news: nobody can have connected to `resized` yet.
    explicit TerminalControl(QSize viewportSize = {}, QObject *parent = nullptr);
    ~TerminalControl() override;

    // --- the shell's side ------------------------------------------------------
    // Keys, mouse, wheel, input method, hover, focus, show and hide, tool
    // tips; positions are taken relative to `origin`, the viewport's top-left
    // corner in the event's coordinates.  True when the control used the
    // event; otherwise the shell gives it to its base class.
    bool handleEvent(QEvent *event, QPointF origin = {});
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const;
    // The area the grid fills, in pixels; the grid follows it.
    void setViewportSize(QSize size);
    QSize viewportSize() const { return m_viewportSize; }
    // Paints `region` of the viewport (viewport coordinates).
    void paint(QPainter &painter, const QRegion &region, PaintOptions options);
    // The scroll model: 0 is the oldest scrollback line, maximum() the live
    // screen; a page is the grid's height.
    int scrollMaximum() const;
    int scrollValue() const;
    int scrollPageStep() const;
    // The user moved the view (a scroll bar): value in 0..scrollMaximum().
    void setScrollValue(int value);
    // Moves the view by whole lines, negative towards the history.
    void scrollLines(int lines);
    // The link's URL at a viewport point, as a tool tip shows it; empty when
    // there is no link.
    QString linkToolTipAt(QPointF point);
    // The URL of the link at a viewport point, or at cell (`line`, `column`)
    // of the view (absolute line numbers, as lineAt); invalid when none.  The
    // rules are Ctrl+click's: what these return is what a click there emits.
    QUrl linkAt(QPoint point);
    QUrl linkAtCell(int line, int column);

    // --- what every shell offers ----------------------------------------------
    bool send(const QString &text);
    bool paste(const QString &text);
    // What the user pastes (the Paste actions, the middle button, drops;
    // terminal_control_paste.cpp): trailing line breaks trimmed when
    // trimPastedTrailingNewlines, and a text of several lines handed to
    // multilinePasteRequested instead of sent when confirmMultilinePaste
    // and the program has not asked for bracketed paste.  Both off by
    // default.
    void pasteFromUser(const QString &text);
    bool trimPastedTrailingNewlines() const { return m_trimPastedTrailingNewlines; }
    void setTrimPastedTrailingNewlines(bool on) { m_trimPastedTrailingNewlines = on; }
    bool confirmMultilinePaste() const { return m_confirmMultilinePaste; }
    void setConfirmMultilinePaste(bool on) { m_confirmMultilinePaste = on; }
    QString error() const;
    void refresh();

    int columns() const;
    int terminalRows() const;
    // Invokable: attach() reads them through the meta-object.
    Q_INVOKABLE int cellWidth() const;
    Q_INVOKABLE int cellHeight() const;

    int firstLine() const;
    int endLine() const;
    int viewTopLine() const;
    QString lineAt(int line) const;
    QString screenText() const;
    QString sessionText() const;
    QString selectedText() const;
    int scrollbackSize() const;
    // The most lines the scrollback keeps; -1 (any negative value): every
    // line, kept packed in memory (a few bytes per character).
    void setScrollbackSize(int lines);
    // As set: -1 for an unlimited scrollback.
    int scrollbackLimit() const;

    bool find(const QString &text, bool backward = false, bool caseSensitive = false);
    // Occurrences of `text` in scrollback and screen (terminal_control_search.cpp):
    // `limit` once that many are found, -1 when 50 ms pass first.
    int countMatches(const QString &text, bool caseSensitive = false, int limit = 1000) const;

    CursorStyle cursorStyle() const;
    void setCursorStyle(CursorStyle style);

    QString title() const;
    QString iconTitle() const;
    QUrl currentDirectory() const;

    bool hasSelection() const;
    void setSelection(int startLine, int startCol, int endLine, int endCol);
    void selectAll();
    void clearSelection();
    void copySelection();
    QColor selectionColor() const;
    void setSelectionColor(const QColor &color);
    QString wordCharacters() const;
    void setWordCharacters(const QString &characters);

    ClipboardAccess clipboardAccess() const;
    void setClipboardAccess(ClipboardAccess access);

    // Shell integration (OSC 133 marks): the view's top row moves to the
    // previous (next) prompt; false when there is none that way.
    bool scrollToPreviousPrompt();
    bool scrollToNextPrompt();
    // Selects the output of the command that absolute line `line` belongs to
    // (its prompt, command line or output); false when there is none.
    bool selectCommandOutput(int line);

    QFont font() const;
    void setFont(const QFont &font);
    Palette palette() const;
    void setPalette(const Palette &p);

    // The action behind a built-in gesture (terminal_control_actions.cpp):
    // the host may change, clear or disable its shortcuts, put it in menus
    // and trigger it.  A key press that matches an enabled action's shortcut
    // triggers it and never reaches the program; every other key does.  Copy
    // is enabled while there is a selection.
    QAction *action(StandardAction which) const;
    // Ctrl+C (exactly) copies and clears the selection while there is one,
    // and is the program's otherwise; off by default.
    bool ctrlCCopiesSelection() const { return m_ctrlCCopiesSelection; }
    void setCtrlCCopiesSelection(bool on) { m_ctrlCCopiesSelection = on; }

    // The text assistive technology reads, reported as events of `target`
    // (the shell); created on first call.
    AccessibleTextTracker *accessibleText(QObject *target);

public slots:
    void feed(const QByteArray &data);
    void setSendingPaused(bool paused);

signals:
    // Requests to the shell.  updateRequest: repaint `rect` of the viewport
    // (a null rect: all of it).  scrollRequest: move the pixels of `rect` by
    // `dy` (a shell that cannot move pixels repaints `rect`).
    void updateRequest(QRect rect);
    void scrollRequest(int dy, QRect rect);
    // The scroll model changed (range, page or value).
    void scrollChanged();
    // The pointer's shape over the viewport; Qt::ArrowCursor is the shell's
    // own default.
    void cursorShapeRequest(Qt::CursorShape shape);
    // Show `text` as the tool tip at viewport point `point`; hide it when
    // `text` is empty.
    void toolTipRequest(QPoint point, QString text);
    // The cursor moved, or the preedit text or the font changed.
    void microFocusChanged();

    void dataReady(QByteArray data);
    void resized(int cols, int rows);
    // The cell's size in pixels changed (a font or screen change); from the
    // event loop, once per pass.
    void cellSizeChanged(int width, int height);
    void bell();
    void selectionChanged(bool hasSelection);
    void cursorStyleChanged(vesper::TerminalControl::CursorStyle style);
    void titleChanged(QString title);
    void iconTitleChanged(QString iconTitle);
    void currentDirectoryChanged(QUrl url);
    void linkActivated(const QUrl &url);
    // The link under the pointer is another one (with or without Ctrl): its
    // URL, or an empty one when the pointer left it.  From the event loop.
    void linkHovered(const QUrl &url);
    void errorOccurred(QString message);
    // A user paste of several lines waits for the host, which sends it with
    // paste() if it agrees; from the event loop.
    void multilinePasteRequested(QString text);
    // A program set the clipboard or the selection (OSC 52); from the event loop.
    void clipboardWritten(QClipboard::Mode mode);
    // A command the shell marked ended (OSC 133 ; D after ; C), with the exit
    // code it reported or -1; after the bytes in hand are parsed.
    void commandFinished(int exitCode);

private:
    // Events (terminal_control.cpp and the files of their concern).
    bool keyPress(QKeyEvent *event);
    bool keyRelease(QKeyEvent *event);
    bool reportKeyRelease(QKeyEvent *event);
    bool mousePress(QMouseEvent *event, QPoint point);
    bool mouseDoubleClick(QMouseEvent *event, QPoint point);
    bool mouseMove(QMouseEvent *event, QPoint point);
    bool mouseRelease(QMouseEvent *event, QPoint point);
    bool wheel(QWheelEvent *event, QPoint point);
    void inputMethod(QInputMethodEvent *event);
    void focusChanged(bool focused);
    void visibilityChanged(bool visible);
    void pointerLeft();

    // Frame (terminal_control.cpp).
    void installParserCallbacks();
    void handleModeChange(int mode, bool set, bool isPrivate);
    void handPaletteToCore();
    void updatePaintedColours();
    void parsePass();
    bool runParser();
    bool parseNextPiece(qsizetype max);
    bool holdingFrame();
    void scheduleParsePass();
    void customEvent(QEvent *event) override;
    void parseWaitingOutput() const;
    void updateCellMetrics();
    void updateGridSize();
    void announceGridSize();
    void announceCellSize();
    void syncScrollModel();
    void emitBytes(const std::string &bytes);
    void update() { emit updateRequest(QRect()); }

    // Painting (terminal_control_paint.cpp).
    void paintRow(QPainter &painter, int row);
    void paintRuns(QPainter &painter, int row);
    bool glyphsReady(int row, qint64 budget, const QElapsedTimer &clock);
    void paintSelection(QPainter &painter, int firstRow, int lastRow);
    void paintCursor(QPainter &painter);
    void paintCellGlyphs(QPainter &painter, int row, const AttributeRun &run, const QColor &fg, const QColor &bg);
    void paintDecorations(QPainter &painter, int row, const AttributeRun &run, const QColor &fg);
    QRect cellRect(int column, int row, int n) const;

    // Repainting what changed (terminal_control_repaint.cpp).
    void repaintChanges();
    void repaintOutputChanges();
    void recordPaintedRows(const QRegion &region, int firstRow, int lastPainted, int lastRow);
    FrameLook frameLook() const;
    RowOverlay rowOverlay(int row) const;
    bool selectedColumns(int row, int &from, int &to) const;

    // Selection and clipboard (terminal_control_selection.cpp).
    struct CellPosition {
        int line;
        int column;
    };
    CellPosition cellAt(QPoint point) const;
    void extendSelectionTo(QPoint point);
    Selection wordAt(int line, int column) const;
    Selection logicalLineAt(int line) const;
    void startSelection(QPoint point, CellPosition cell);
    void finishDragSelection();
    void applySelection(const Selection &selection);
    bool dropSelection();
    void selectByGesture(const Selection &selection);
    bool dropOverwrittenSelection();
    void updateAutoScroll(QPoint point);
    void stopAutoScroll();
    void autoScrollStep();
    void shiftSelectionLines(std::int32_t shift);

    // Mouse, wheel and focus reports (terminal_control_mouse.cpp).
    QPoint reportedCell(QPoint point) const;
    bool reportMouse(const QMouseEvent *event, QPoint point, MouseAction action);
    int wheelSteps(const QWheelEvent *event);
    void reportWheel(const QWheelEvent *event, QPoint point, int steps);
    void scrollAlternateScreen(int steps);
    void reportFocus(bool focused);

    // Cursor style and blinking (terminal_control_cursor.cpp).
    void setProgramCursorStyle(int style);
    void cursorStyleUpdated(CursorStyle before);
    void updateCursorBlink();
    void restartCursorBlink();
    void toggleCursorBlink();

    // Title, directory and bell (terminal_control_host_state.cpp).
    enum HostValue { HostTitle, HostIconTitle, HostDirectory, HostValueCount };
    void installHostStateCallbacks();
    void postHostChange(HostValue which);
    void ringBell();

    // A program's clipboard strings (terminal_control_clipboard.cpp).
    void installClipboardCallback();
    std::optional<std::string> clipboardAnswer(std::string_view targets) const;
    void takeClipboardString(std::string_view targets, std::string_view data);
    ClipboardAccess m_clipboardAccess = WriteOnly;

    // The shell's marks (terminal_control_shell_integration.cpp).
    void installShellIntegrationCallback();
    bool showPromptAtTop(int line);
    bool scrollToPromptByKey(const QKeyEvent *event);
    bool m_commandRunning = false; // an output mark came after the last prompt or end

    // Search (terminal_control_search.cpp).
    void scrollLinesIntoView(int first, int last);

    // Links (terminal_control_links.cpp).
    QPoint linkCellAt(QPoint point) const;
    std::optional<TerminalLink> linkUnder(QPoint point);
    void forgetLinkText();
    bool resolveHoveredLink();
    void updateLinkHover();
    void trackLinkPointer(const QMouseEvent *event, QPoint point);
    void trackLinkModifier(const QKeyEvent *event, bool pressed);
    bool takeLinkClick(const QMouseEvent *event, QPoint point, bool activate);
    bool takeLinkRelease(const QMouseEvent *event);
    void paintLinkHover(QPainter &painter);
    void scheduleLinkHoveredCheck();

    // Drops (terminal_control_paste.cpp).
    bool dragEnter(QDropEvent *event);
    bool drop(QDropEvent *event);

    // Actions (terminal_control_actions.cpp).
    void installActions();
    bool runShortcut(QKeyEvent *event);
    void scrollViewTo(int offset);

    // Input method (terminal_control_input_method.cpp).
    void paintPreedit(QPainter &painter);
    QRect cursorCellRect() const;
    bool cursorDrawn() const;

    Screen m_screen;
    Parser m_parser;
    Palette m_palette;          // the host's colours
    PaintedColours m_colours;   // the host's with the program's overrides: what is painted
    QFont m_font;
    QSize m_viewportSize;
    // Keys whose press the control took (a shortcut, a prompt jump): their
    // releases are not the program's either.
    std::vector<int> m_consumedKeys;
    bool m_focused = false;
    bool m_visible = false;
    int m_cellWidth = 8;
    int m_cellHeight = 16;
    int m_fontAscent = 12;
    bool m_uniformAdvance = true;
    int m_columns = initialColumns;
    int m_rows = initialRows;
    bool m_resizeSettling = false;     // a resize was applied in this event-loop pass
    bool m_gridUpdatePending = false;  // a later one waits for the end of the pass
    // The scroll model as last published by scrollChanged.
    int m_scrollMaximum = 0;
    int m_scrollValue = 0;
    Selection m_selection;
    // Whether a program has since erased or overwritten the selected text.
    SelectionWatch m_selectionWatch;
    bool m_selecting = false;
    QColor m_selectionColor{80, 120, 200, 110};
    QString m_wordCharacters = QStringLiteral("-#%&+,./:=?@_~");
    QTimer *m_autoScrollTimer = nullptr;
    int m_autoScrollDirection = 0;
    QPoint m_lastMousePosition;
    int m_clickCount = 0;
    QElapsedTimer m_clickTimer;
    int m_scrollbackLimit = 0;

    // Whose the gesture under way is: the press decides, the release ends it.
    enum class MouseGesture { None, Local, Reported };
    MouseGesture m_mouseGesture = MouseGesture::None;
    // The cell of the last motion report: motion is reported per cell.
    int m_lastMotionColumn = -1;
    int m_lastMotionRow = -1;
    // Eighths of a degree not yet turned into whole wheel steps.
    int m_wheelRemainder = 0;

    CursorStyle m_hostCursorStyle = SteadyBlock;
    int m_programCursorStyle = 0; // DECSCUSR parameter; 0 follows the host
    QTimer *m_blinkTimer = nullptr;
    bool m_blinkShown = true;

    QString m_preeditText;

    QString m_title;
    QString m_iconTitle;
    QUrl m_currentDirectory;
    // The values last signalled, and which signals wait for the feed's end.
    QString m_announcedTitle;
    QString m_announcedIconTitle;
    QUrl m_announcedDirectory;
    bool m_hostChangesPending[HostValueCount] = {};
    bool m_bellPending = false;
    // The pointer over the viewport and Ctrl, which make the link under it
    // the hovered one; a press that activated a link swallows its release.
    QPoint m_linkPointer;
    bool m_linkPointerInside = false;
    bool m_linkModifierHeld = false;
    bool m_linkReleasePending = false;
    std::unique_ptr<TerminalLink> m_hoveredLink;
    // The link under the pointer as linkHovered last reported it.
    QUrl m_pointerLink;
    bool m_linkHoveredCheckPending = false;
    // The text read around the pointer for links, kept until it changes.
    std::unique_ptr<LinkLookup> m_linkLookup;
    // A find() lets the event loop run between its slices.
    bool m_findSlicing = false;

    // Output not parsed yet: what arrived while the parser ran (a synchronous
    // answer to a device reply) and what one pass had no time for.
    bool m_feeding = false;
    bool m_parsePassScheduled = false;
    // Passes run so far, and their number when the scheduled one was posted:
    // a feed's pass in between makes that one wait for the next loop pass.
    quint64 m_parsePasses = 0;
    quint64 m_parsePassesWhenScheduled = 0;
    ByteQueue m_unparsed;
    // A synchronized frame (?2026) held unparsed until it ends; the timer
    // ends it after its time bound.
    SynchronizedOutput m_frameHold;
    QTimer *m_frameTimer = nullptr;
    // What the parser signals (device replies among them) goes out once the
    // bytes in hand are parsed: a slot may delete the control, and the parser
    // must never resume inside a deleted control.
    DeferredSignals m_parserSignals;
    // The grid last announced by `resized`, and whether an announcement is
    // on its way (see announceGridSize).
    QSize m_announcedGrid;
    bool m_gridAnnouncementPending = false;
    QSize m_announcedCell;
    bool m_cellAnnouncementPending = false;
    // No byte has been fed yet: grid changes keep the screen free of history.
    bool m_receivedOutput = false;
    // Font variants and row buffers kept between paints.
    std::unique_ptr<PaintCache> m_paintCache;
    // Output's repaints at most once a frame (frame_pacer.h); the timer sends
    // a repaint that had to wait.
    FramePacer m_framePacer;
    QElapsedTimer m_frameClock;
    // What the parsing passes and paints of this event-loop pass have taken.
    LoopPassBudget m_loopPass;
    QTimer *m_frameRepaintTimer = nullptr;

    // Accessibility: the text that assistive technology reads, created when
    // one first asks for the shell.
    AccessibleTextTracker *m_accessibleText = nullptr;
    void noteAccessibleTextChange();
    void noteAccessibleNameChange();
    // Bytes for the program; large texts go out a slice per pass
    // (terminal_control_sending.cpp).
    std::unique_ptr<OutgoingText> m_outgoing;
    bool sendText(const QString &text, bool bracketed, const char *what);
    void queueBytes(const QByteArray &bytes);
    void reportError(const QString &message);
    QString m_error;
    bool m_errorPending = false;
    std::unique_ptr<TerminalActions> m_actions;
    // paintRow is repainting selected cells in the palette's selection colours.
    bool m_paintingSelection = false;
    bool m_ctrlCCopiesSelection = false;
    bool m_trimPastedTrailingNewlines = false;
    bool m_confirmMultilinePaste = false;
};

} // namespace vesper
