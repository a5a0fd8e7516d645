// TerminalWidget: a scroll area that owns one emulator (Screen + Parser),
// fits its character grid to the font and viewport, maps the vertical scroll
// bar onto the view over the scrollback, paints the view, handles mouse
// selection and the clipboard, and turns keys and texts into dataReady bytes.
// The implementation is split by concern: terminal_widget.cpp (frame, keys,
// feed, modes), terminal_widget_paint.cpp, terminal_widget_selection.cpp.
#pragma once

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QPoint>
#include <QSize>
#include <QString>

#include <memory>

#include "core/parser.h"
#include "core/screen.h"
#include "widget/deferred_signals.h"
#include "widget/palette.h"

class QPainter;
class QTimer;

namespace vesper {

struct PaintCache;

class TerminalWidget : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TerminalWidget(QWidget *parent = nullptr);
    ~TerminalWidget() override;

    void send(const QString &text);
    void paste(const QString &text);
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

    bool hasSelection() const;
    void setSelection(int startLine, int startCol, int endLine, int endCol);
    void selectAll();
    void clearSelection();
    void copySelection();
    QColor selectionColor() const;
    void setSelectionColor(const QColor &color);

    QFont terminalFont() const;
    void setTerminalFont(const QFont &font);
    Palette terminalPalette() const;
    void setTerminalPalette(const Palette &p);

public slots:
    void feed(const QByteArray &data);

signals:
    void dataReady(QByteArray data);
    void resized(int cols, int rows);
    void bell();
    void selectionChanged(bool hasSelection);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // Frame (terminal_widget.cpp).
    void installParserCallbacks();
    void handleModeChange(int mode, bool set, bool isPrivate);
    bool runParser(const QByteArray &data);
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
    QRect cellRect(int column, int row, int n) const;

    // Selection and clipboard (terminal_widget_selection.cpp).
    struct CellPosition {
        int line;
        int column;
    };
    CellPosition cellAt(QPoint point) const;
    void extendSelectionTo(QPoint point);
    void selectWordAt(int line, int column);
    void selectLine(int line);
    void startSelection(QPoint point, CellPosition cell);
    void finishDragSelection();
    void resetSelectionEnds();
    void updateAutoScroll(QPoint point);
    void stopAutoScroll();
    void autoScrollStep();
    bool handleClipboardShortcut(const QKeyEvent *event);
    void shiftSelectionLines(std::int32_t shift);
    bool selectionEndsDiffer() const;
    char32_t viewCharacter(int column, int row) const;

    Screen screen;
    Parser parser;
    Palette palette;
    QFont font;
    int m_cellWidth = 8;
    int m_cellHeight = 16;
    int fontAscent = 12;
    bool uniformAdvance = true;
    int m_columns = 80;
    int rows = 24;
    int selectionStartLine = 0;
    int selectionStartColumn = 0;
    int selectionEndLine = 0;
    int selectionEndColumn = 0;
    bool selectionActive = false;
    bool selecting = false;
    QColor m_selectionColor{80, 120, 200, 110};
    QTimer *autoScrollTimer = nullptr;
    int autoScrollDirection = 0;
    QPoint lastMousePosition;
    int clickCount = 0;
    QElapsedTimer clickTimer;
    bool applicationCursorKeys = false;
    bool cursorVisible = true;
    bool bracketedPaste = false;

    // A feed that arrives while the parser runs (a synchronous answer to a
    // device reply) is queued here and parsed by the running feed.
    bool feeding = false;
    QByteArray pendingFeed;
    // What the parser signals (device replies among them) goes out once the
    // bytes in hand are parsed: a slot may delete the widget, and the parser
    // must never resume inside a deleted widget.
    DeferredSignals parserSignals;
    // The grid last announced by `resized`, and whether an announcement is
    // on its way (see announceGridSize).
    QSize announcedGrid;
    bool gridAnnouncementPending = false;
    // No byte has been fed yet: grid changes keep the screen free of history.
    bool receivedOutput = false;
    // Set while syncScrollBar moves the bar, so scrollContentsBy ignores it.
    bool syncingScrollBar = false;
    // Font variants and row buffers kept between paints.
    std::unique_ptr<PaintCache> paintCache;
};

} // namespace vesper
