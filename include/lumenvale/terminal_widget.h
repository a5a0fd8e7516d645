// TerminalWidget: a scroll area that shows one terminal.  A thin shell over
// TerminalControl, which holds the emulator and all the terminal's logic:
// the widget forwards its events, viewport size and paints to the control,
// binds its vertical scroll bar to the control's scroll model, and carries
// out the control's requests (repaint, pixel moves, tool tip, pointer
// shape).  terminal_accessible.cpp is its accessibility interface.
#pragma once

#include <QClipboard>
#include <QAbstractScrollArea>
#include <QAction>
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QSize>
#include <QString>
#include <QUrl>

#include "lumenvale/palette.h"
#include "lumenvale/export.h"

namespace vesper {

class TerminalControl;

class LUMENVALE_WIDGET_EXPORT TerminalWidget : public QAbstractScrollArea {
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

    // The built-in key gestures, each a QAction: see action().
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
    // What a program may do with the clipboard through OSC 52: nothing, set
    // it (the default), or also read it.
    enum ClipboardAccess { NoAccess, WriteOnly, ReadWrite };
    Q_ENUM(ClipboardAccess)

    explicit TerminalWidget(QWidget *parent = nullptr);
    ~TerminalWidget() override;

    // Texts for the program: send as typed, paste as pasted (bracketed when
    // the program asked).  A text longer than maxTextLength UTF-16 units is
    // refused whole: false, nothing sent, error() and errorOccurred say why.
    static constexpr qsizetype maxTextLength = qsizetype(1) << 27;
    bool send(const QString &text);
    bool paste(const QString &text);
    // What the user pastes (the Paste actions, the middle button, a drop):
    // with trimPastedTrailingNewlines its trailing line breaks are dropped;
    // with confirmMultilinePaste a text of several lines is not sent while
    // the program has not asked for bracketed paste, but handed to
    // multilinePasteRequested, and the host sends it with paste() if the
    // user agrees.  Both off by default; paste() itself sends what it gets.
    bool trimPastedTrailingNewlines() const;
    void setTrimPastedTrailingNewlines(bool on);
    bool confirmMultilinePaste() const;
    void setConfirmMultilinePaste(bool on);
    // Why the last text was refused, or bytes for the program dropped (more
    // than a mebibyte of keys and replies waiting behind a paused paste);
    // empty if none was.
    QString error() const;
    void refresh();

    int columns() const;
    int terminalRows() const;
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
    void setScrollbackSize(int lines);  // -1: unlimited (packed in memory, up to 1 GiB)
    int scrollbackLimit() const;        // -1 when unlimited

    // Selects the next (or previous) occurrence of `text` after the selection
    // or the bottom of the view, wrapping around once; false when none. A
    // search of a large scrollback lets the event loop run between slices
    // (without user input).
    bool find(const QString &text, bool backward = false, bool caseSensitive = false);
    // How many occurrences of `text` the scrollback and screen hold, for a
    // find bar: non-overlapping, counted from the oldest line; `limit` once
    // that many are found, -1 when 50 ms pass first (a huge scrollback).
    int countMatches(const QString &text, bool caseSensitive = false, int limit = 1000) const;

    // The style in force; setting it also makes it the one a program's
    // DECSCUSR 0 returns to.
    ClipboardAccess clipboardAccess() const;
    void setClipboardAccess(ClipboardAccess access);

    // Shell integration, from the marks a shell sends (OSC 133): the view's
    // top row moves to the previous (next) prompt, as Ctrl+Shift+Up
    // (Ctrl+Shift+Down) do on the main screen; false when there is none that
    // way.  selectCommandOutput selects the output of the command that
    // absolute line `line` belongs to (its prompt, command line or output), as
    // a fourth click does; false when there is none.
    bool scrollToPreviousPrompt();
    bool scrollToNextPrompt();
    bool selectCommandOutput(int line);

    CursorStyle cursorStyle() const;
    void setCursorStyle(CursorStyle style);

    // What the program announced (OSC 0/2, OSC 1, OSC 7); empty until then.
    QString title() const;
    QString iconTitle() const;
    QUrl currentDirectory() const;

    // The URL of the link at a viewport point (the coordinates of a
    // context-menu request) or at cell (`line`, `column`) of the view
    // (absolute line numbers, as lineAt); invalid when there is none.  What
    // Ctrl+click there would emit, under the same rules.
    QUrl linkAt(QPoint point) const;
    QUrl linkAtCell(int line, int column) const;

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

    // The action behind a built-in gesture, owned by the terminal: change,
    // clear or disable its shortcuts, put it in a menu, trigger it.  A key
    // press matching an enabled action's shortcut triggers it and never
    // reaches the program; any other key does.  Defaults: Ctrl+Shift+C,
    // Ctrl+Shift+V and Shift+Insert, Ctrl+Shift+Insert (the selection
    // clipboard), Ctrl+Shift+A, Shift+PageUp/PageDown (half a page),
    // Ctrl+Shift+Home/End; on macOS Cmd+C, Cmd+V, none, Cmd+A, Shift+PageUp/
    // PageDown, Cmd+Home/End.  Copy is enabled while there is a selection.
    QAction *action(StandardAction which) const;
    // Ctrl+C copies and clears the selection while there is one, and goes to
    // the program otherwise; off by default.
    bool ctrlCCopiesSelection() const;
    void setCtrlCCopiesSelection(bool on);

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
    // The cell's size in pixels changed (font or screen); from the event loop.
    // attach() hands it to the session, which gives the child's terminal its
    // pixel size (columns x cellWidth by rows x cellHeight).
    void cellSizeChanged(int width, int height);
    void bell();
    void selectionChanged(bool hasSelection);
    void cursorStyleChanged(vesper::TerminalWidget::CursorStyle style);
    // A program set the clipboard or the selection (OSC 52); from the event loop.
    void clipboardWritten(QClipboard::Mode mode);
    // A command the shell marked ended (OSC 133 ; D after its output mark C),
    // with the exit code the shell reported, or -1 when it gave none.
    void commandFinished(int exitCode);
    void titleChanged(QString title);
    void iconTitleChanged(QString iconTitle);
    void currentDirectoryChanged(QUrl url);
    // Ctrl+click on a link; the widget opens nothing itself.
    void linkActivated(const QUrl &url);
    // The pointer moved onto another link (Ctrl held or not), or off one: an
    // empty URL.  From the event loop.
    void linkHovered(const QUrl &url);
    // error() changed; from the event loop, at most once per pass.
    void errorOccurred(QString message);
    // A user paste of several lines waits for the host; from the event loop.
    void multilinePasteRequested(QString text);

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
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class TerminalAccessible;

    void syncScrollBar();
    void forwardSignals();

    // A child of the widget, deleted after the widget's other children.
    TerminalControl *m_control;
    // Set while syncScrollBar moves the bar, so scrollContentsBy ignores it.
    bool m_syncingScrollBar = false;
};

} // namespace vesper
