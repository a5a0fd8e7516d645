// TerminalWidget: the Qt Widgets shell over TerminalControl.  The events of
// the viewport and the widget go to the control (those it leaves go on to
// the scroll area); the vertical scroll bar mirrors the control's scroll
// model and moves the view when the user drags it or turns the wheel; the
// control's requests become viewport repaints, pixel moves, the tool tip and
// the pointer's shape.  Everything else is the control's.
#include "lumenvale/terminal_widget.h"

#include <QBackingStore>
#include <QDropEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <utility>

#include "control/terminal_control.h"
#include "widget/terminal_accessible.h"

namespace vesper {

namespace {

constexpr int kMinimumColumns = 4;
constexpr int kMinimumRows = 2;

} // namespace

TerminalWidget::TerminalWidget(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    // Motion without a button reaches the widget: mode 1003 reports it.
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    // Painting covers every pixel it is asked for, so Qt may move the
    // viewport's pixels when the view scrolls instead of repainting them.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameStyle(0);
    registerTerminalAccessible();

    m_control = new TerminalControl(viewport()->size(), this);
    forwardSignals();
    syncScrollBar();
    viewport()->update();
}

// Objects the host parented to the widget (a session, typically) go while the
// widget and its control are still whole: QWidget would delete them only
// after this class's members are gone, and their destroyed() may still reach
// the widget's slots.
TerminalWidget::~TerminalWidget()
{
    const QObjectList owned = children();
    for (QObject *child : owned)
        if (!child->isWidgetType() && child != m_control)
            delete child;
    delete m_control;
}

void TerminalWidget::forwardSignals()
{
    TerminalControl *c = m_control;
    connect(c, &TerminalControl::updateRequest, this, [this](QRect rect) {
        if (rect.isNull())
            viewport()->update();
        else
            viewport()->update(rect);
    });
    connect(c, &TerminalControl::scrollRequest, this,
            [this](int dy, QRect rect) { viewport()->scroll(0, dy, rect); });
    connect(c, &TerminalControl::scrollChanged, this, &TerminalWidget::syncScrollBar);
    connect(c, &TerminalControl::cursorShapeRequest, this, [this](Qt::CursorShape shape) {
        if (shape == Qt::ArrowCursor)
            viewport()->unsetCursor();
        else
            viewport()->setCursor(shape);
    });
    connect(c, &TerminalControl::toolTipRequest, this, [this](QPoint point, const QString &text) {
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(viewport()->mapToGlobal(point), text, viewport());
    });
    connect(c, &TerminalControl::microFocusChanged, this, [this] { updateMicroFocus(); });

    connect(c, &TerminalControl::dataReady, this, &TerminalWidget::dataReady);
    connect(c, &TerminalControl::resized, this, &TerminalWidget::resized);
    connect(c, &TerminalControl::cellSizeChanged, this, &TerminalWidget::cellSizeChanged);
    connect(c, &TerminalControl::bell, this, &TerminalWidget::bell);
    connect(c, &TerminalControl::selectionChanged, this, &TerminalWidget::selectionChanged);
    connect(c, &TerminalControl::clipboardWritten, this, &TerminalWidget::clipboardWritten);
    connect(c, &TerminalControl::commandFinished, this, &TerminalWidget::commandFinished);
    connect(c, &TerminalControl::cursorStyleChanged, this,
            [this](TerminalControl::CursorStyle style) { emit cursorStyleChanged(CursorStyle(style)); });
    connect(c, &TerminalControl::titleChanged, this, &TerminalWidget::titleChanged);
    connect(c, &TerminalControl::iconTitleChanged, this, &TerminalWidget::iconTitleChanged);
    connect(c, &TerminalControl::currentDirectoryChanged, this, &TerminalWidget::currentDirectoryChanged);
    connect(c, &TerminalControl::linkActivated, this, &TerminalWidget::linkActivated);
    connect(c, &TerminalControl::linkHovered, this, &TerminalWidget::linkHovered);
    connect(c, &TerminalControl::errorOccurred, this, &TerminalWidget::errorOccurred);
    connect(c, &TerminalControl::multilinePasteRequested, this, &TerminalWidget::multilinePasteRequested);
}

// --- scroll bar ---------------------------------------------------------------

// The bar mirrors the control's scroll model.  Its signals stay connected so
// that the scroll area sees the range change and shows or hides the bar; the
// guard keeps these moves from coming back through scrollContentsBy.
void TerminalWidget::syncScrollBar()
{
    QScrollBar *bar = verticalScrollBar();
    const bool wasSyncing = std::exchange(m_syncingScrollBar, true);
    bar->setRange(0, m_control->scrollMaximum());
    bar->setPageStep(m_control->scrollPageStep());
    bar->setSingleStep(1);
    bar->setValue(m_control->scrollValue());
    m_syncingScrollBar = wasSyncing;
}

void TerminalWidget::scrollContentsBy(int, int)
{
    if (!m_syncingScrollBar)
        m_control->setScrollValue(verticalScrollBar()->value());
}

// --- events -------------------------------------------------------------------

void TerminalWidget::keyPressEvent(QKeyEvent *event)
{
    if (!m_control->handleEvent(event))
        QAbstractScrollArea::keyPressEvent(event);
}

void TerminalWidget::keyReleaseEvent(QKeyEvent *event)
{
    // A reported release was handed to `dataReady`, whose slot may have
    // deleted this widget.
    if (!m_control->handleEvent(event))
        QAbstractScrollArea::keyReleaseEvent(event);
}

// Drops paste: local files as quoted paths, other URLs and text as text.
void TerminalWidget::dragEnterEvent(QDragEnterEvent *event)
{
    if (!m_control->handleEvent(event))
        QAbstractScrollArea::dragEnterEvent(event);
}

void TerminalWidget::dragMoveEvent(QDragMoveEvent *event)
{
    if (!m_control->handleEvent(event))
        QAbstractScrollArea::dragMoveEvent(event);
}

void TerminalWidget::dropEvent(QDropEvent *event)
{
    if (!m_control->handleEvent(event))
        QAbstractScrollArea::dropEvent(event);
}

void TerminalWidget::mousePressEvent(QMouseEvent *event)
{
    if (!m_control->handleEvent(event))
        QAbstractScrollArea::mousePressEvent(event);
}

void TerminalWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_control->handleEvent(event))
        QAbstractScrollArea::mouseReleaseEvent(event);
}

void TerminalWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!m_control->handleEvent(event))
        QAbstractScrollArea::mouseDoubleClickEvent(event);
}

void TerminalWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_control->handleEvent(event))
        QAbstractScrollArea::mouseMoveEvent(event);
}

// The wheel the control leaves to the scroll area moves the bar.
void TerminalWidget::wheelEvent(QWheelEvent *event)
{
    if (!m_control->handleEvent(event))
        QAbstractScrollArea::wheelEvent(event);
}

void TerminalWidget::inputMethodEvent(QInputMethodEvent *event) { m_control->handleEvent(event); }

QVariant TerminalWidget::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const QVariant value = m_control->inputMethodQuery(query);
    if (query == Qt::ImCursorRectangle) {
        // In widget coordinates: the viewport may sit inside a frame.
        const QRect cell = value.toRect();
        return cell.isEmpty() ? QRect() : cell.translated(viewport()->pos());
    }
    return value.isValid() ? value : QAbstractScrollArea::inputMethodQuery(query);
}

void TerminalWidget::showEvent(QShowEvent *event)
{
    QAbstractScrollArea::showEvent(event);
    m_control->handleEvent(event);
}

void TerminalWidget::hideEvent(QHideEvent *event)
{
    QAbstractScrollArea::hideEvent(event);
    m_control->handleEvent(event);
}

void TerminalWidget::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    m_control->handleEvent(event); // last: a slot of `dataReady` may delete the widget
}

void TerminalWidget::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    m_control->handleEvent(event); // last: a slot of `dataReady` may delete the widget
}

bool TerminalWidget::viewportEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ToolTip: return m_control->handleEvent(event);
    case QEvent::Leave: m_control->handleEvent(event); break;
    default: break;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void TerminalWidget::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    // The window's own surface keeps its pixels: a paint may stop after its
    // budget there.  A grab or a render onto another device is painted whole.
    const QPaintEngine *engine = painter.paintEngine();
    QBackingStore *store = window()->backingStore();
    TerminalControl::PaintOptions options;
    options.mayStop = engine && store && engine->paintDevice() == store->paintDevice();
    m_control->paint(painter, event->region(), options);
}

// The scroll area sends the viewport's resizes here too (a scroll bar shown
// or hidden).
void TerminalWidget::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    m_control->setViewportSize(viewport()->size());
}

// The widget's own font does not replace the terminal font; its change may
// still change the metrics (a screen of another resolution).
void TerminalWidget::changeEvent(QEvent *event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        m_control->handleEvent(event);
}

// 80x24 cells with the frame and room for the scroll bar, so that a terminal
// placed in a layout starts at the classic size.
QSize TerminalWidget::sizeHint() const
{
    const int frame = 2 * frameWidth();
    return {TerminalControl::initialColumns * cellWidth() + frame + verticalScrollBar()->sizeHint().width(),
            TerminalControl::initialRows * cellHeight() + frame};
}

QSize TerminalWidget::minimumSizeHint() const
{
    const int frame = 2 * frameWidth();
    return {kMinimumColumns * cellWidth() + frame + verticalScrollBar()->sizeHint().width(),
            kMinimumRows * cellHeight() + frame};
}

// --- the control's operations -------------------------------------------------

bool TerminalWidget::send(const QString &text) { return m_control->send(text); }
bool TerminalWidget::paste(const QString &text) { return m_control->paste(text); }
bool TerminalWidget::trimPastedTrailingNewlines() const { return m_control->trimPastedTrailingNewlines(); }
void TerminalWidget::setTrimPastedTrailingNewlines(bool on) { m_control->setTrimPastedTrailingNewlines(on); }
bool TerminalWidget::confirmMultilinePaste() const { return m_control->confirmMultilinePaste(); }
void TerminalWidget::setConfirmMultilinePaste(bool on) { m_control->setConfirmMultilinePaste(on); }
QString TerminalWidget::error() const { return m_control->error(); }
void TerminalWidget::refresh() { m_control->refresh(); }
void TerminalWidget::feed(const QByteArray &data) { m_control->feed(data); }
void TerminalWidget::setSendingPaused(bool paused) { m_control->setSendingPaused(paused); }

int TerminalWidget::columns() const { return m_control->columns(); }
int TerminalWidget::terminalRows() const { return m_control->terminalRows(); }
int TerminalWidget::cellWidth() const { return m_control->cellWidth(); }
int TerminalWidget::cellHeight() const { return m_control->cellHeight(); }

int TerminalWidget::firstLine() const { return m_control->firstLine(); }
int TerminalWidget::endLine() const { return m_control->endLine(); }
int TerminalWidget::viewTopLine() const { return m_control->viewTopLine(); }
QString TerminalWidget::lineAt(int line) const { return m_control->lineAt(line); }
QString TerminalWidget::screenText() const { return m_control->screenText(); }
QString TerminalWidget::sessionText() const { return m_control->sessionText(); }
QString TerminalWidget::selectedText() const { return m_control->selectedText(); }
int TerminalWidget::scrollbackSize() const { return m_control->scrollbackSize(); }
void TerminalWidget::setScrollbackSize(int lines) { m_control->setScrollbackSize(lines); }
int TerminalWidget::scrollbackLimit() const { return m_control->scrollbackLimit(); }

int TerminalWidget::countMatches(const QString &text, bool caseSensitive, int limit) const
{
    return m_control->countMatches(text, caseSensitive, limit);
}

bool TerminalWidget::find(const QString &text, bool backward, bool caseSensitive)
{
    return m_control->find(text, backward, caseSensitive);
}

bool TerminalWidget::scrollToPreviousPrompt() { return m_control->scrollToPreviousPrompt(); }
bool TerminalWidget::scrollToNextPrompt() { return m_control->scrollToNextPrompt(); }
bool TerminalWidget::selectCommandOutput(int line) { return m_control->selectCommandOutput(line); }

TerminalWidget::ClipboardAccess TerminalWidget::clipboardAccess() const { return ClipboardAccess(m_control->clipboardAccess()); }
void TerminalWidget::setClipboardAccess(ClipboardAccess access)
{
    m_control->setClipboardAccess(TerminalControl::ClipboardAccess(access));
}

TerminalWidget::CursorStyle TerminalWidget::cursorStyle() const { return CursorStyle(m_control->cursorStyle()); }
void TerminalWidget::setCursorStyle(CursorStyle style)
{
    m_control->setCursorStyle(TerminalControl::CursorStyle(style));
}

QString TerminalWidget::title() const { return m_control->title(); }
QString TerminalWidget::iconTitle() const { return m_control->iconTitle(); }
QUrl TerminalWidget::currentDirectory() const { return m_control->currentDirectory(); }
QUrl TerminalWidget::linkAt(QPoint point) const { return m_control->linkAt(point); }
QUrl TerminalWidget::linkAtCell(int line, int column) const { return m_control->linkAtCell(line, column); }

bool TerminalWidget::hasSelection() const { return m_control->hasSelection(); }
void TerminalWidget::setSelection(int startLine, int startCol, int endLine, int endCol)
{
    m_control->setSelection(startLine, startCol, endLine, endCol);
}
void TerminalWidget::selectAll() { m_control->selectAll(); }
void TerminalWidget::clearSelection() { m_control->clearSelection(); }
void TerminalWidget::copySelection() { m_control->copySelection(); }
QColor TerminalWidget::selectionColor() const { return m_control->selectionColor(); }
void TerminalWidget::setSelectionColor(const QColor &color) { m_control->setSelectionColor(color); }
QString TerminalWidget::wordCharacters() const { return m_control->wordCharacters(); }
void TerminalWidget::setWordCharacters(const QString &characters) { m_control->setWordCharacters(characters); }

QAction *TerminalWidget::action(StandardAction which) const
{
    return m_control->action(TerminalControl::StandardAction(which));
}
bool TerminalWidget::ctrlCCopiesSelection() const { return m_control->ctrlCCopiesSelection(); }
void TerminalWidget::setCtrlCCopiesSelection(bool on) { m_control->setCtrlCCopiesSelection(on); }

QFont TerminalWidget::terminalFont() const { return m_control->font(); }
void TerminalWidget::setTerminalFont(const QFont &font) { m_control->setFont(font); }
Palette TerminalWidget::terminalPalette() const { return m_control->palette(); }
void TerminalWidget::setTerminalPalette(const Palette &p) { m_control->setPalette(p); }

} // namespace vesper
