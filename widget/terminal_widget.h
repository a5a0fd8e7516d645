// TerminalWidget: a scroll area that owns one emulator (Screen + Parser),
// fits its character grid to the font and viewport, maps the vertical scroll
// bar onto the view over the scrollback, paints the view, handles mouse
// selection and the clipboard, and turns keys and texts into dataReady bytes.
// The implementation is split by concern: terminal_widget.cpp (frame, keys,
// feed, modes), terminal_widget_paint.cpp, terminal_widget_repaint.cpp
// (repainting only what changed), terminal_widget_selection.cpp,
// terminal_widget_mouse.cpp (mouse, wheel and focus reports),
// terminal_widget_cursor.cpp, terminal_widget_input_method.cpp,
// terminal_widget_search.cpp, terminal_widget_host_state.cpp (title,
// directory, bell).
#pragma once

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

#include "core/parser.h"
#include "core/screen.h"
#include "widget/byte_queue.h"
#include "widget/deferred_signals.h"
#include "widget/mouse_reporting.h"
#include "widget/palette.h"
#include "widget/selection.h"
#include "widget/selection_watch.h"

class QKeyEvent;
class QPainter;
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

class TerminalWidget : public QAbstractScrollArea {
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

    explicit TerminalWidget(QWidget *parent = nullptr);
    ~TerminalWidget() override;

    // Texts for the program: send as typed, paste as pasted (bracketed when
    // the program asked).  A text longer than maxTextLength UTF-16 units is
    // refused whole: false, nothing sent, error() and errorOccurred say why.
    static constexpr qsizetype maxTextLength = qsizetype(1) << 27;
    bool send(const QString &text);
    bool paste(const QString &text);
    // Why the last text was refused, or bytes for the program dropped (more
    // than a mebibyte of keys and replies waiting behind a paused paste);
    // empty if none was.
    QString error() const;
    void refresh();

    int columns() const;
    int terminalRows() const;
    int cellWidth() const;
    int cellHeight() const;

    int firstLine() const;
    int endLine() const;
    int viewTopLine() const;
    QString lineAt(int line) const;
    QString screenText() const;
    QString sessionText() const;
    QString selectedText() const;
    int scrollbackSize() const;
    void setScrollbackSize(int lines);
    int scrollbackLimit() const;

    // Selects the next (or previous) occurrence of `text` after the selection
    // or the bottom of the view, wrapping around once; false when none. A
    // search of a large scrollback lets the event loop run between slices
    // (without user input).
    bool find(const QString &text, bool backward = false, bool caseSensitive = false);

    // The style in force; setting it also makes it the one a program's
    // DECSCUSR 0 returns to.
    CursorStyle cursorStyle() const;
    void setCursorStyle(CursorStyle style);

    // What the program announced (OSC 0/2, OSC 1, OSC 7); empty until then.
    QString title() const;
    QString iconTitle() const;
    QUrl currentDirectory() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    bool hasSelection() const;
    void setSelection(int startLine, int startCol, int endLine, int endCol);
    void selectAll();
    void clearSelection();
    void copySelection();
    QColor selectionColor() const;
    void setSelectionColor(const QColor &color);
    // Characters a double-click takes into a word besides letters, digits and
    // every code point from 128 on; by default "-#%&+,./:=?@_~", so paths,
    // addresses and URLs are taken whole while quotes, brackets and shell
    // punctuation end a word.
    QString wordCharacters() const;
    void setWordCharacters(const QString &characters);

    QFont terminalFont() const;
    void setTerminalFont(const QFont &font);
    Palette terminalPalette() const;
    void setTerminalPalette(const Palette &p);

public slots:
    void feed(const QByteArray &data);
    // While paused, texts wait in the widget, a large one between its slices,
    // and keys and replies wait behind them.  attach() connects a session's
    // inputBacklogChanged here, so a paste goes out at the program's pace.
    void setSendingPaused(bool paused);

signals:
    void dataReady(QByteArray data);
    void resized(int cols, int rows);
    void bell();
    void selectionChanged(bool hasSelection);
    void cursorStyleChanged(vesper::TerminalWidget::CursorStyle style);
    void titleChanged(QString title);
    void iconTitleChanged(QString iconTitle);
    void currentDirectoryChanged(QUrl url);
    // Ctrl+click on a link; the widget opens nothing itself.
    void linkActivated(const QUrl &url);
    // error() changed; from the event loop, at most once per pass.
    void errorOccurred(QString message);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class AccessibleTextTracker;

    // Frame (terminal_widget.cpp).
    void installParserCallbacks();
    void handleModeChange(int mode, bool set, bool isPrivate);
    void handPaletteToCore();
    // Parses what waits for at most one pass's time, then shows it; what
    // is left follows in the next event-loop pass.
    void parsePass();
    bool runParser();
    void scheduleParsePass();
    // Readers of the screen see every byte fed before they asked.
    void parseWaitingOutput() const;
    void updateCellMetrics();
    void updateGridSize();
    void announceGridSize();
    void syncScrollBar();
    bool scrollViewByKey(const QKeyEvent *event);
    void emitBytes(const std::string &bytes);

    // Painting (terminal_widget_paint.cpp).
    void paintRow(QPainter &painter, int row);
    void paintSelection(QPainter &painter, int firstRow, int lastRow);
    void paintCursor(QPainter &painter);
    void paintCellGlyphs(QPainter &painter, int row, const AttributeRun &run, const QColor &fg, const QColor &bg);
    void paintDecorations(QPainter &painter, int row, const AttributeRun &run, const QColor &fg);
    QRect cellRect(int column, int row, int n) const;

    // Repainting what changed (terminal_widget_repaint.cpp).
    void repaintChanges();
    // Rows [firstRow, lastPainted] of the region were painted; those after
    // it up to lastRow were left for the next pass.
    void recordPaintedRows(const QRegion &region, int firstRow, int lastPainted, int lastRow);
    FrameLook frameLook() const;
    RowOverlay rowOverlay(int row) const;
    bool selectedColumns(int row, int &from, int &to) const;

    // Selection and clipboard (terminal_widget_selection.cpp).
    struct CellPosition {
        int line;
        int column;
    };
    CellPosition cellAt(QPoint point) const;
    void extendSelectionTo(QPoint point);
    // The word and the logical line (every row its soft wraps join) around a
    // cell, as a selection.
    Selection wordAt(int line, int column) const;
    Selection logicalLineAt(int line) const;
    void startSelection(QPoint point, CellPosition cell);
    void finishDragSelection();
    // Sets (or drops) the selection without signalling: callers emit
    // selectionChanged once their work on the widget is done.
    void applySelection(const Selection &selection);
    bool dropSelection();
    // A gesture's selection: applied, offered to the selection clipboard,
    // then signalled.
    void selectByGesture(const Selection &selection);
    // After output: the selection goes when its text was erased or overwritten.
    bool dropOverwrittenSelection();
    void updateAutoScroll(QPoint point);
    void stopAutoScroll();
    void autoScrollStep();
    bool handleClipboardShortcut(const QKeyEvent *event);
    void shiftSelectionLines(std::int32_t shift);

    // Mouse, wheel and focus reports (terminal_widget_mouse.cpp).
    QPoint reportedCell(QPoint point) const;
    bool reportMouse(const QMouseEvent *event, MouseAction action);
    int wheelSteps(const QWheelEvent *event);
    void reportWheel(const QWheelEvent *event, int steps);
    void scrollAlternateScreen(int steps);
    void reportFocus(bool focused);

    // Cursor style and blinking (terminal_widget_cursor.cpp).
    void setProgramCursorStyle(int style);
    void cursorStyleUpdated(CursorStyle before);
    void updateCursorBlink();
    void restartCursorBlink();
    void toggleCursorBlink();

    // Title, directory and bell (terminal_widget_host_state.cpp).
    enum HostValue { HostTitle, HostIconTitle, HostDirectory, HostValueCount };
    void installHostStateCallbacks();
    void postHostChange(HostValue which);
    void ringBell();

    // Search (terminal_widget_search.cpp).
    void scrollLinesIntoView(int first, int last);

    // Links (terminal_widget_links.cpp).
    QPoint linkCellAt(QPoint point) const;
    std::optional<TerminalLink> linkUnder(QPoint point);
    void forgetLinkText();
    bool resolveHoveredLink();
    void updateLinkHover();
    void trackLinkPointer(const QMouseEvent *event);
    void trackLinkModifier(const QKeyEvent *event, bool pressed);
    bool takeLinkClick(const QMouseEvent *event, bool activate);
    bool takeLinkRelease(const QMouseEvent *event);
    void paintLinkHover(QPainter &painter);

    // Input method (terminal_widget_input_method.cpp).
    void paintPreedit(QPainter &painter);
    QRect cursorCellRect() const;
    bool cursorDrawn() const;

    Screen m_screen;
    Parser m_parser;
    Palette m_palette;
    QFont m_font;
    int m_cellWidth = 8;
    int m_cellHeight = 16;
    int m_fontAscent = 12;
    bool m_uniformAdvance = true;
    int m_columns = 80;
    int m_rows = 24;
    Selection m_selection;
    // Whether a program has since erased or overwritten the selected text.
    SelectionWatch m_selectionWatch;
    bool m_resizeSettling = false;     // a resize was applied in this event-loop pass
    bool m_gridUpdatePending = false;  // a later one waits for the end of the pass
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
    // The text read around the pointer for links, kept until it changes.
    std::unique_ptr<LinkLookup> m_linkLookup;
    // A find() lets the event loop run between its slices.
    bool m_findSlicing = false;

    // Output not parsed yet: what arrived while the parser ran (a synchronous
    // answer to a device reply) and what one pass had no time for.
    bool m_feeding = false;
    bool m_parsePassScheduled = false;
    ByteQueue m_unparsed;
    // What the parser signals (device replies among them) goes out once the
    // bytes in hand are parsed: a slot may delete the widget, and the parser
    // must never resume inside a deleted widget.
    DeferredSignals m_parserSignals;
    // The grid last announced by `resized`, and whether an announcement is
    // on its way (see announceGridSize).
    QSize m_announcedGrid;
    bool m_gridAnnouncementPending = false;
    // No byte has been fed yet: grid changes keep the screen free of history.
    bool m_receivedOutput = false;
    // Set while syncScrollBar moves the bar, so scrollContentsBy ignores it.
    bool m_syncingScrollBar = false;
    // Font variants and row buffers kept between paints.
    std::unique_ptr<PaintCache> m_paintCache;

    // Accessibility (terminal_accessible.cpp): the text that assistive
    // technology reads, created when one first asks for this widget.
    AccessibleTextTracker *m_accessibleText = nullptr;
    void noteAccessibleTextChange();
    void noteAccessibleNameChange();
    // Bytes for the program; large texts go out a slice per pass
    // (terminal_widget_sending.cpp).
    std::unique_ptr<OutgoingText> m_outgoing;
    bool sendText(const QString &text, bool bracketed, const char *what);
    void queueBytes(const QByteArray &bytes);
    void reportError(const QString &message);
    QString m_error;
    bool m_errorPending = false;
};

} // namespace vesper
