// TerminalItem: the Qt Quick shell over TerminalControl.  Events go to the
// control; those it leaves (a wheel that scrolls the view, a button it does
// not use) are handled or ignored here as a Quick item does.  The item is
// visible to the control while it is shown in a window; the view's pixels
// are the item's texture, so a pixel move becomes a repaint of the rows.
#include "lumenvale/terminal_item.h"

#include <QCursor>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHideEvent>
#include <QPainter>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QShowEvent>
#include <QStyleHints>

#include <algorithm>
#include <cmath>

#include "control/terminal_control.h"

namespace vesper {

namespace {

// One notch of an ordinary wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;

} // namespace

TerminalItem::TerminalItem(QQuickItem *parent)
    : QQuickPaintedItem(parent), m_control(new TerminalControl(QSize(), this))
{
    setFlag(ItemAcceptsInputMethod);
    setFlag(ItemIsFocusScope);
    setActiveFocusOnTab(true);
    setAcceptedMouseButtons(Qt::LeftButton | Qt::MiddleButton | Qt::RightButton);
    setAcceptHoverEvents(true);
    setFlag(ItemAcceptsDrops);
    // Painting covers every pixel of the rows it is asked for.
    setOpaquePainting(true);
    setFillColor(m_control->palette().background());
    forwardSignals();
    // A parent given to the constructor put the item in its window before
    // itemChange could be overridden.
    updateShown();
}

TerminalItem::~TerminalItem() = default;

void TerminalItem::forwardSignals()
{
    TerminalControl *c = m_control;
    connect(c, &TerminalControl::updateRequest, this, &TerminalItem::repaint);
    connect(c, &TerminalControl::scrollRequest, this, [this](int, QRect rect) { repaint(rect); });
    connect(c, &TerminalControl::scrollChanged, this, &TerminalItem::scrollChanged);
    connect(c, &TerminalControl::cursorShapeRequest, this, [this](Qt::CursorShape shape) {
        if (shape == Qt::ArrowCursor)
            unsetCursor();
        else
            setCursor(QCursor(shape));
    });
    connect(c, &TerminalControl::microFocusChanged, this, [this] {
        if (hasActiveFocus())
            QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
    });

    connect(c, &TerminalControl::dataReady, this, &TerminalItem::dataReady);
    connect(c, &TerminalControl::resized, this, &TerminalItem::resized);
    connect(c, &TerminalControl::cellSizeChanged, this, &TerminalItem::cellSizeChanged);
    connect(c, &TerminalControl::bell, this, &TerminalItem::bell);
    connect(c, &TerminalControl::selectionChanged, this, &TerminalItem::selectionChanged);
    connect(c, &TerminalControl::clipboardWritten, this, &TerminalItem::clipboardWritten);
    connect(c, &TerminalControl::commandFinished, this, &TerminalItem::commandFinished);
    connect(c, &TerminalControl::cursorStyleChanged, this,
            [this](TerminalControl::CursorStyle style) { emit cursorStyleChanged(CursorStyle(style)); });
    connect(c, &TerminalControl::titleChanged, this, &TerminalItem::titleChanged);
    connect(c, &TerminalControl::iconTitleChanged, this, &TerminalItem::iconTitleChanged);
    connect(c, &TerminalControl::currentDirectoryChanged, this, &TerminalItem::currentDirectoryChanged);
    connect(c, &TerminalControl::linkActivated, this, &TerminalItem::linkActivated);
    connect(c, &TerminalControl::linkHovered, this, &TerminalItem::linkHovered);
    connect(c, &TerminalControl::errorOccurred, this, &TerminalItem::errorOccurred);
    connect(c, &TerminalControl::multilinePasteRequested, this, &TerminalItem::multilinePasteRequested);
}

// --- painting and geometry ----------------------------------------------------

// The item's texture keeps its pixels between paints, but the scene graph
// hands paint() an unclipped painter: the item keeps the region itself.
void TerminalItem::repaint(QRect rect)
{
    m_stale += rect.isNull() ? boundingRect().toAlignedRect() : rect;
    update(rect.isNull() ? boundingRect().toAlignedRect() : rect);
}

void TerminalItem::paint(QPainter *painter)
{
    const QRect all = boundingRect().toAlignedRect();
    const QRegion region = m_stale.isEmpty() ? QRegion(all) : m_stale.intersected(all);
    m_stale = QRegion();
    // The texture keeps its pixels: a paint may stop after its budget, and
    // the rows it left come back as update requests (which add to m_stale).
    TerminalControl::PaintOptions options;
    options.mayStop = true;
    m_control->paint(*painter, region, options);
}

void TerminalItem::geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickPaintedItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.size() == oldGeometry.size())
        return;
    // A new size is a new texture: all of it is painted.
    m_stale += QRect(QPoint(), newGeometry.size().toSize());
    m_control->setViewportSize(newGeometry.size().toSize());
}

void TerminalItem::itemChange(ItemChange change, const ItemChangeData &value)
{
    QQuickPaintedItem::itemChange(change, value);
    // Another window or pixel ratio is another texture: all of it is painted.
    if (change == ItemSceneChange || change == ItemDevicePixelRatioHasChanged)
        m_stale += boundingRect().toAlignedRect();
    if (change == ItemVisibleHasChanged || change == ItemSceneChange)
        updateShown();
}

// The cursor blinks, and changes repaint only some rows, while the item is
// in a window and visible.
void TerminalItem::updateShown()
{
    const bool shown = isVisible() && window();
    if (shown == m_shown)
        return;
    m_shown = shown;
    if (shown) {
        QShowEvent event;
        m_control->handleEvent(&event);
    } else {
        QHideEvent event;
        m_control->handleEvent(&event);
    }
}

// --- events -------------------------------------------------------------------

void TerminalItem::keyPressEvent(QKeyEvent *event)
{
    if (!m_control->handleEvent(event))
        event->ignore();
}

void TerminalItem::keyReleaseEvent(QKeyEvent *event)
{
    if (!m_control->handleEvent(event))
        event->ignore();
}

void TerminalItem::mousePressEvent(QMouseEvent *event)
{
    forceActiveFocus(Qt::MouseFocusReason);
    if (!m_control->handleEvent(event))
        event->ignore();
}

void TerminalItem::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_control->handleEvent(event))
        event->ignore();
}

void TerminalItem::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_control->handleEvent(event))
        event->ignore();
}

void TerminalItem::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!m_control->handleEvent(event))
        event->ignore();
}

// The wheel the control leaves scrolls the view, by the platform's lines a
// notch; fractions of high-resolution wheels add up.
void TerminalItem::wheelEvent(QWheelEvent *event)
{
    if (m_control->handleEvent(event))
        return;
    m_wheelRemainder += event->angleDelta().y();
    const int notches = m_wheelRemainder / kWheelNotch;
    m_wheelRemainder -= notches * kWheelNotch;
    m_control->scrollLines(-notches * QGuiApplication::styleHints()->wheelScrollLines());
    event->accept();
}

// Motion without a button is what a widget's tracked mouse moves are: link
// hover, and the motion reports of mode 1003.
void TerminalItem::hoverMoveEvent(QHoverEvent *event)
{
    QMouseEvent move(QEvent::MouseMove, event->position(), event->scenePosition(), event->globalPosition(),
                     Qt::NoButton, Qt::NoButton, event->modifiers());
    m_control->handleEvent(&move);
    setHoveredLink(m_control->linkToolTipAt(event->position()));
}

void TerminalItem::hoverLeaveEvent(QHoverEvent *event)
{
    QEvent leave(QEvent::Leave);
    m_control->handleEvent(&leave);
    setHoveredLink({});
    event->ignore();
}

// Drops paste: local files as quoted paths, other URLs and text as text.
void TerminalItem::dragEnterEvent(QDragEnterEvent *event)
{
    if (!m_control->handleEvent(event))
        event->ignore();
}

void TerminalItem::dragMoveEvent(QDragMoveEvent *event)
{
    if (!m_control->handleEvent(event))
        event->ignore();
}

void TerminalItem::dropEvent(QDropEvent *event)
{
    if (!m_control->handleEvent(event))
        event->ignore();
}

void TerminalItem::inputMethodEvent(QInputMethodEvent *event) { m_control->handleEvent(event); }

QVariant TerminalItem::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const QVariant value = m_control->inputMethodQuery(query);
    return value.isValid() ? value : QQuickPaintedItem::inputMethodQuery(query);
}

void TerminalItem::focusInEvent(QFocusEvent *event)
{
    QQuickPaintedItem::focusInEvent(event);
    m_control->handleEvent(event); // last: a slot of `dataReady` may delete the item
}

void TerminalItem::focusOutEvent(QFocusEvent *event)
{
    QQuickPaintedItem::focusOutEvent(event);
    m_control->handleEvent(event); // last: a slot of `dataReady` may delete the item
}

void TerminalItem::setHoveredLink(const QString &link)
{
    if (link == m_hoveredLink)
        return;
    m_hoveredLink = link;
    emit hoveredLinkChanged();
}

// --- scroll model for QML -----------------------------------------------------

qreal TerminalItem::scrollPosition() const
{
    const qreal total = m_control->scrollMaximum() + m_control->scrollPageStep();
    return m_control->scrollValue() / total;
}

void TerminalItem::setScrollPosition(qreal position)
{
    const qreal total = m_control->scrollMaximum() + m_control->scrollPageStep();
    const int value = int(std::lround(position * total));
    if (value == m_control->scrollValue())
        return;
    m_control->setScrollValue(value);
    emit scrollChanged();
}

qreal TerminalItem::scrollSize() const
{
    const qreal total = m_control->scrollMaximum() + m_control->scrollPageStep();
    return m_control->scrollPageStep() / total;
}

// --- the control's operations -------------------------------------------------

bool TerminalItem::send(const QString &text) { return m_control->send(text); }
bool TerminalItem::paste(const QString &text) { return m_control->paste(text); }
bool TerminalItem::trimPastedTrailingNewlines() const { return m_control->trimPastedTrailingNewlines(); }
void TerminalItem::setTrimPastedTrailingNewlines(bool on) { m_control->setTrimPastedTrailingNewlines(on); }
bool TerminalItem::confirmMultilinePaste() const { return m_control->confirmMultilinePaste(); }
void TerminalItem::setConfirmMultilinePaste(bool on) { m_control->setConfirmMultilinePaste(on); }
QString TerminalItem::error() const { return m_control->error(); }
void TerminalItem::refresh() { m_control->refresh(); }
void TerminalItem::feed(const QByteArray &data) { m_control->feed(data); }
void TerminalItem::setSendingPaused(bool paused) { m_control->setSendingPaused(paused); }

int TerminalItem::columns() const { return m_control->columns(); }
int TerminalItem::terminalRows() const { return m_control->terminalRows(); }
int TerminalItem::cellWidth() const { return m_control->cellWidth(); }
int TerminalItem::cellHeight() const { return m_control->cellHeight(); }

int TerminalItem::firstLine() const { return m_control->firstLine(); }
int TerminalItem::endLine() const { return m_control->endLine(); }
int TerminalItem::viewTopLine() const { return m_control->viewTopLine(); }
QString TerminalItem::lineAt(int line) const { return m_control->lineAt(line); }
QString TerminalItem::screenText() const { return m_control->screenText(); }
QString TerminalItem::sessionText() const { return m_control->sessionText(); }
QString TerminalItem::selectedText() const { return m_control->selectedText(); }
int TerminalItem::scrollbackSize() const { return m_control->scrollbackSize(); }
void TerminalItem::setScrollbackSize(int lines) { m_control->setScrollbackSize(lines); }
int TerminalItem::scrollbackLimit() const { return m_control->scrollbackLimit(); }

int TerminalItem::countMatches(const QString &text, bool caseSensitive, int limit) const
{
    return m_control->countMatches(text, caseSensitive, limit);
}

bool TerminalItem::find(const QString &text, bool backward, bool caseSensitive)
{
    return m_control->find(text, backward, caseSensitive);
}

bool TerminalItem::scrollToPreviousPrompt() { return m_control->scrollToPreviousPrompt(); }
bool TerminalItem::scrollToNextPrompt() { return m_control->scrollToNextPrompt(); }
bool TerminalItem::selectCommandOutput(int line) { return m_control->selectCommandOutput(line); }

TerminalItem::ClipboardAccess TerminalItem::clipboardAccess() const { return ClipboardAccess(m_control->clipboardAccess()); }
void TerminalItem::setClipboardAccess(ClipboardAccess access)
{
    m_control->setClipboardAccess(TerminalControl::ClipboardAccess(access));
}

TerminalItem::CursorStyle TerminalItem::cursorStyle() const { return CursorStyle(m_control->cursorStyle()); }
void TerminalItem::setCursorStyle(CursorStyle style) { m_control->setCursorStyle(TerminalControl::CursorStyle(style)); }

QString TerminalItem::title() const { return m_control->title(); }
QString TerminalItem::iconTitle() const { return m_control->iconTitle(); }
QUrl TerminalItem::currentDirectory() const { return m_control->currentDirectory(); }
QString TerminalItem::hoveredLink() const { return m_hoveredLink; }
QUrl TerminalItem::linkAt(QPoint point) const { return m_control->linkAt(point); }
QUrl TerminalItem::linkAtCell(int line, int column) const { return m_control->linkAtCell(line, column); }

bool TerminalItem::hasSelection() const { return m_control->hasSelection(); }
void TerminalItem::setSelection(int startLine, int startCol, int endLine, int endCol)
{
    m_control->setSelection(startLine, startCol, endLine, endCol);
}
void TerminalItem::selectAll() { m_control->selectAll(); }
void TerminalItem::clearSelection() { m_control->clearSelection(); }
void TerminalItem::copySelection() { m_control->copySelection(); }
QColor TerminalItem::selectionColor() const { return m_control->selectionColor(); }
void TerminalItem::setSelectionColor(const QColor &color) { m_control->setSelectionColor(color); }
QString TerminalItem::wordCharacters() const { return m_control->wordCharacters(); }
void TerminalItem::setWordCharacters(const QString &characters) { m_control->setWordCharacters(characters); }

QAction *TerminalItem::action(StandardAction which) const
{
    return m_control->action(TerminalControl::StandardAction(which));
}
bool TerminalItem::ctrlCCopiesSelection() const { return m_control->ctrlCCopiesSelection(); }
void TerminalItem::setCtrlCCopiesSelection(bool on) { m_control->setCtrlCCopiesSelection(on); }

QFont TerminalItem::terminalFont() const { return m_control->font(); }
void TerminalItem::setTerminalFont(const QFont &font)
{
    m_control->setFont(font);
    emit fontChanged();
}
Palette TerminalItem::terminalPalette() const { return m_control->palette(); }
void TerminalItem::setTerminalPalette(const Palette &p)
{
    m_control->setPalette(p);
    setFillColor(p.background());
}

void register_qml_types() { qmlRegisterType<TerminalItem>("Lumenvale", 1, 0, "Terminal"); }

} // namespace vesper
