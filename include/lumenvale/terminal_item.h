// TerminalItem: the Qt Quick shell over TerminalControl, a QQuickPaintedItem
// with the widget's API.  QML reaches it as `Terminal` from the module
// `Lumenvale` (registerQmlTypes, or the installed QML plugin); its
// properties carry what QML binds to: the grid, the titles, and the scroll
// position and size for an external ScrollBar.  Keys, input methods, mouse,
// wheel and hover go to the control; the control's requests become repaints
// of the item (a painted item cannot move its pixels, so a scroll repaints).
#pragma once

#include <QAction>
#include <QClipboard>
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QQuickPaintedItem>
#include <QRegion>
#include <QString>
#include <QUrl>

#include "lumenvale/palette.h"
#include "lumenvale/export.h"

namespace vesper {

class TerminalControl;

class LUMENVALE_QUICK_EXPORT TerminalItem : public QQuickPaintedItem {
    Q_OBJECT
    Q_PROPERTY(int columns READ columns NOTIFY resized)
    Q_PROPERTY(int rows READ terminalRows NOTIFY resized)
    Q_PROPERTY(QString title READ title NOTIFY titleChanged)
    Q_PROPERTY(QString iconTitle READ iconTitle NOTIFY iconTitleChanged)
    Q_PROPERTY(QUrl currentDirectory READ currentDirectory NOTIFY currentDirectoryChanged)
    // For a ScrollBar: the view's top as a fraction of the scrollback and
    // screen (0 the oldest line), and the screen's share of them.
    Q_PROPERTY(qreal scrollPosition READ scrollPosition WRITE setScrollPosition NOTIFY scrollChanged)
    Q_PROPERTY(qreal scrollSize READ scrollSize NOTIFY scrollChanged)
    Q_PROPERTY(int scrollbackSize READ scrollbackSize NOTIFY scrollChanged)
    Q_PROPERTY(bool hasSelection READ hasSelection NOTIFY selectionChanged)
    Q_PROPERTY(QFont font READ terminalFont WRITE setTerminalFont NOTIFY fontChanged)
    Q_PROPERTY(QColor selectionColor READ selectionColor WRITE setSelectionColor)
    // The URL of the link under the pointer, as a tool tip shows it; empty
    // when there is none.
    Q_PROPERTY(QString hoveredLink READ hoveredLink NOTIFY hoveredLinkChanged)

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

    explicit TerminalItem(QQuickItem *parent = nullptr);
    ~TerminalItem() override;

    Q_INVOKABLE bool send(const QString &text);
    Q_INVOKABLE bool paste(const QString &text);
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
    QString error() const;
    Q_INVOKABLE void refresh();

    int columns() const;
    int terminalRows() const;
    Q_INVOKABLE int cellWidth() const;
    Q_INVOKABLE int cellHeight() const;

    int firstLine() const;
    int endLine() const;
    int viewTopLine() const;
    Q_INVOKABLE QString lineAt(int line) const;
    Q_INVOKABLE QString screenText() const;
    Q_INVOKABLE QString sessionText() const;
    Q_INVOKABLE QString selectedText() const;
    int scrollbackSize() const;
    void setScrollbackSize(int lines);  // -1: unlimited (packed in memory, up to 1 GiB)
    int scrollbackLimit() const;        // -1 when unlimited
    qreal scrollPosition() const;
    void setScrollPosition(qreal position);
    qreal scrollSize() const;

    Q_INVOKABLE bool find(const QString &text, bool backward = false, bool caseSensitive = false);
    // How many occurrences of `text` the scrollback and screen hold, for a
    // find bar: non-overlapping, counted from the oldest line; `limit` once
    // that many are found, -1 when 50 ms pass first (a huge scrollback).
    Q_INVOKABLE int countMatches(const QString &text, bool caseSensitive = false, int limit = 1000) const;

    // Methods rather than a property: the Python signature of a property
    // of the item's own enum type cannot be resolved by the binding runtime.
    Q_INVOKABLE ClipboardAccess clipboardAccess() const;
    Q_INVOKABLE void setClipboardAccess(ClipboardAccess access);

    // Shell integration, from the marks a shell sends (OSC 133): the view's
    // top row moves to the previous (next) prompt, as Ctrl+Shift+Up
    // (Ctrl+Shift+Down) do on the main screen; false when there is none that
    // way.  selectCommandOutput selects the output of the command that
    // absolute line `line` belongs to (its prompt, command line or output), as
    // a fourth click does; false when there is none.
    Q_INVOKABLE bool scrollToPreviousPrompt();
    Q_INVOKABLE bool scrollToNextPrompt();
    Q_INVOKABLE bool selectCommandOutput(int line);

    Q_INVOKABLE CursorStyle cursorStyle() const;
    Q_INVOKABLE void setCursorStyle(CursorStyle style);

    QString title() const;
    QString iconTitle() const;
    QUrl currentDirectory() const;
    QString hoveredLink() const;
    // As TerminalWidget's: item coordinates, or a cell of the view.
    Q_INVOKABLE QUrl linkAt(QPoint point) const;
    Q_INVOKABLE QUrl linkAtCell(int line, int column) const;

    bool hasSelection() const;
    Q_INVOKABLE void setSelection(int startLine, int startCol, int endLine, int endCol);
    Q_INVOKABLE void selectAll();
    Q_INVOKABLE void clearSelection();
    Q_INVOKABLE void copySelection();
    QColor selectionColor() const;
    void setSelectionColor(const QColor &color);
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
    Q_INVOKABLE QAction *action(StandardAction which) const;
    // Ctrl+C copies and clears the selection while there is one, and goes to
    // the program otherwise; off by default.
    bool ctrlCCopiesSelection() const;
    void setCtrlCCopiesSelection(bool on);

    QFont terminalFont() const;
    void setTerminalFont(const QFont &font);
    Palette terminalPalette() const;
    void setTerminalPalette(const Palette &p);

    void paint(QPainter *painter) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

public slots:
    void feed(const QByteArray &data);
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
    void cursorStyleChanged(vesper::TerminalItem::CursorStyle style);
    // A program set the clipboard or the selection (OSC 52); from the event loop.
    void clipboardWritten(QClipboard::Mode mode);
    // A command the shell marked ended (OSC 133 ; D after its output mark C),
    // with the exit code the shell reported, or -1 when it gave none.
    void commandFinished(int exitCode);
    void titleChanged(QString title);
    void iconTitleChanged(QString iconTitle);
    void currentDirectoryChanged(QUrl url);
    void linkActivated(const QUrl &url);
    void linkHovered(const QUrl &url);
    void errorOccurred(QString message);
    // A user paste of several lines waits for the host; from the event loop.
    void multilinePasteRequested(QString text);
    void scrollChanged();
    void fontChanged();
    void hoveredLinkChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void hoverMoveEvent(QHoverEvent *event) override;
    void hoverLeaveEvent(QHoverEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) override;
    void itemChange(ItemChange change, const ItemChangeData &value) override;

private:
    void forwardSignals();
    void repaint(QRect rect);
    void updateShown();
    void setHoveredLink(const QString &link);

    TerminalControl *m_control;
    bool m_shown = false;
    // Eighths of a degree the wheel turned that are not whole lines yet.
    int m_wheelRemainder = 0;
    QString m_hoveredLink;
    // What the next paint must cover (viewport coordinates).
    QRegion m_stale;
};

// Registers TerminalItem as `Terminal` in the QML module `Lumenvale` 1.0 for
// every QML engine of the process (what the QML plugin does when an engine
// imports the module from the import path).
LUMENVALE_QUICK_EXPORT void register_qml_types();

} // namespace vesper
