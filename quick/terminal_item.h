// TerminalItem: the Qt Quick shell over TerminalControl, a QQuickPaintedItem
// with the widget's API.  QML reaches it as `Terminal` from the module
// `Lumenvale` (registerQmlTypes, or the installed QML plugin); its
// properties carry what QML binds to: the grid, the titles, and the scroll
// position and size for an external ScrollBar.  Keys, input methods, mouse,
// wheel and hover go to the control; the control's requests become repaints
// of the item (a painted item cannot move its pixels, so a scroll repaints).
#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QQuickPaintedItem>
#include <QRegion>
#include <QString>
#include <QUrl>

#include "control/paint/palette.h"

namespace vesper {

class TerminalControl;

class TerminalItem : public QQuickPaintedItem {
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

    explicit TerminalItem(QQuickItem *parent = nullptr);
    ~TerminalItem() override;

    Q_INVOKABLE bool send(const QString &text);
    Q_INVOKABLE bool paste(const QString &text);
    QString error() const;
    Q_INVOKABLE void refresh();

    int columns() const;
    int terminalRows() const;
    int cellWidth() const;
    int cellHeight() const;

    int firstLine() const;
    int endLine() const;
    int viewTopLine() const;
    Q_INVOKABLE QString lineAt(int line) const;
    Q_INVOKABLE QString screenText() const;
    Q_INVOKABLE QString sessionText() const;
    Q_INVOKABLE QString selectedText() const;
    int scrollbackSize() const;
    void setScrollbackSize(int lines);  // -1: unlimited (every line, packed in memory)
    int scrollbackLimit() const;        // -1 when unlimited
    qreal scrollPosition() const;
    void setScrollPosition(qreal position);
    qreal scrollSize() const;

    Q_INVOKABLE bool find(const QString &text, bool backward = false, bool caseSensitive = false);

    // Methods rather than a property: the Python signature of a property
    // of the item's own enum type cannot be resolved by the binding runtime.
    Q_INVOKABLE CursorStyle cursorStyle() const;
    Q_INVOKABLE void setCursorStyle(CursorStyle style);

    QString title() const;
    QString iconTitle() const;
    QUrl currentDirectory() const;
    QString hoveredLink() const;

    bool hasSelection() const;
    Q_INVOKABLE void setSelection(int startLine, int startCol, int endLine, int endCol);
    Q_INVOKABLE void selectAll();
    Q_INVOKABLE void clearSelection();
    Q_INVOKABLE void copySelection();
    QColor selectionColor() const;
    void setSelectionColor(const QColor &color);
    QString wordCharacters() const;
    void setWordCharacters(const QString &characters);

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
    void bell();
    void selectionChanged(bool hasSelection);
    void cursorStyleChanged(vesper::TerminalItem::CursorStyle style);
    void titleChanged(QString title);
    void iconTitleChanged(QString iconTitle);
    void currentDirectoryChanged(QUrl url);
    void linkActivated(const QUrl &url);
    void errorOccurred(QString message);
    void scrollChanged();
    void fontChanged();
    void hoveredLinkChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
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
void register_qml_types();

} // namespace vesper
