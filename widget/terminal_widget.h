// TerminalWidget: a scroll area that shows one terminal.  A thin shell over
// TerminalControl, which holds the emulator and all the terminal's logic:
// the widget forwards its events, viewport size and paints to the control,
// binds its vertical scroll bar to the control's scroll model, and carries
// out the control's requests (repaint, pixel moves, tool tip, pointer
// shape).  terminal_accessible.cpp is its accessibility interface.
#pragma once

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QSize>
#include <QString>
#include <QUrl>

#include "control/paint/palette.h"

namespace vesper {

class TerminalControl;

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
    void setScrollbackSize(int lines);  // -1: unlimited (every line, packed in memory)
    int scrollbackLimit() const;        // -1 when unlimited

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
    friend class TerminalAccessible;

    void syncScrollBar();
    void forwardSignals();

    // A child of the widget, deleted after the widget's other children.
    TerminalControl *m_control;
    // Set while syncScrollBar moves the bar, so scrollContentsBy ignores it.
    bool m_syncingScrollBar = false;
};

} // namespace vesper
