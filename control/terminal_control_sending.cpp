// TerminalControl's side of sending (terminal_control.h): texts checked against
// the length limit, keys and replies queued behind waiting text, the pause a
// session's input backlog asks for, and the errors reported for both.
#include "control/input/outgoing_text.h"
#include "control/terminal_control.h"

#include <QMetaObject>

#include <utility>

namespace vesper {

bool TerminalControl::sendText(const QString &text, bool bracketed, const char *what)
{
    // Refused before anything leaves: half a paste would be worse than none.
    if (text.size() > maxTextLength) {
        reportError(QStringLiteral("%1: text of %2 characters refused, the limit is %3")
                        .arg(QLatin1String(what))
                        .arg(text.size())
                        .arg(maxTextLength));
        return false;
    }
    m_outgoing->addText(text, bracketed);
    return true;
}

void TerminalControl::queueBytes(const QByteArray &bytes)
{
    if (!m_outgoing->addBytes(bytes))
        reportError(QStringLiteral("input buffer full, %1 bytes dropped").arg(bytes.size()));
}

void TerminalControl::setSendingPaused(bool paused) { m_outgoing->setPaused(paused); }

QString TerminalControl::error() const { return m_error; }

void TerminalControl::reportError(const QString &message)
{
    m_error = message;
    if (std::exchange(m_errorPending, true))
        return;
    // From the event loop: the caller may be a key handler or a feed, and a
    // slot may delete the control.  Queued on the control, so dropped with it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_errorPending = false;
            emit errorOccurred(m_error);
        },
        Qt::QueuedConnection);
}

} // namespace vesper
