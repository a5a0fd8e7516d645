// TerminalControl's user pastes: what the user pastes with a key, the middle
// button or a drop goes through pasteFromUser, which trims trailing line
// breaks when asked and, when asked, hands a text of several lines to the
// host (multilinePasteRequested) instead of sending it, while the program
// has not turned bracketed paste on: a shell without it runs each pasted
// line as it arrives.  paste() itself sends what it is given, so the host's
// answer to the request is a plain paste().  Drops of files and text become
// such pastes (control/text/drop_text.h).
#include "control/terminal_control.h"

#include <QDropEvent>
#include <QMetaObject>
#include <QMimeData>

#include "control/text/drop_text.h"

namespace vesper {

void TerminalControl::pasteFromUser(const QString &text)
{
    QString pasted = text;
    if (m_trimPastedTrailingNewlines)
        while (pasted.endsWith(u'\n') || pasted.endsWith(u'\r'))
            pasted.chop(1);
    const bool severalLines = pasted.contains(u'\n') || pasted.contains(u'\r');
    if (m_confirmMultilinePaste && severalLines && !m_screen.modes().bracketedPaste) {
        // From the event loop: this runs inside a key or mouse handler.
        QMetaObject::invokeMethod(this, [this, pasted] { emit multilinePasteRequested(pasted); }, Qt::QueuedConnection);
        return;
    }
    paste(pasted);
}

// Accepts what a drop can paste: local files, other URLs and text.
bool TerminalControl::dragEnter(QDropEvent *event)
{
    const QMimeData *data = event->mimeData();
    if (!data || droppedText(*data).isEmpty())
        return false;
    event->acceptProposedAction();
    return true;
}

bool TerminalControl::drop(QDropEvent *event)
{
    const QMimeData *data = event->mimeData();
    const QString text = data ? droppedText(*data) : QString();
    if (text.isEmpty())
        return false;
    event->acceptProposedAction();
    pasteFromUser(text); // last: dataReady's slots may delete the control
    return true;
}

} // namespace vesper
