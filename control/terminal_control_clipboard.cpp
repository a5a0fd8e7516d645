// TerminalControl and a program's clipboard strings (OSC 52), under the
// host's policy: NoAccess ignores them, WriteOnly (the default) lets a
// program set the clipboard (c) or the selection (p, s; where the platform
// has one), ReadWrite also answers reads.  Data that is not base64, or that
// decodes to more than kMaxClipboardBytes, changes nothing.  The write and
// the host's signal happen from the event loop, never inside a parse.
#include "control/terminal_control.h"

#include <QClipboard>
#include <QGuiApplication>

namespace vesper {

TerminalControl::ClipboardAccess TerminalControl::clipboardAccess() const { return m_clipboardAccess; }

void TerminalControl::setClipboardAccess(ClipboardAccess access) { m_clipboardAccess = access; }

void TerminalControl::installClipboardCallback()
{
    m_parser.clipboardCallback = [this](std::string_view targets, std::string_view data) -> std::optional<std::string> {
        if (data == "?")
            return clipboardAnswer(targets);
        takeClipboardString(targets, data);
        return std::nullopt;
    };
}

namespace {

// The clipboards a target list names: c the clipboard, p and s the selection;
// an empty list is the clipboard.  Cut buffers (0-7) are not kept.
QList<QClipboard::Mode> clipboardModes(std::string_view targets)
{
    QList<QClipboard::Mode> modes;
    const bool selection = QGuiApplication::clipboard()->supportsSelection();
    for (const char t : targets.empty() ? std::string_view("c") : targets) {
        const QClipboard::Mode mode = t == 'c' ? QClipboard::Clipboard : QClipboard::Selection;
        if ((t == 'c' || ((t == 'p' || t == 's') && selection)) && !modes.contains(mode))
            modes.append(mode);
    }
    return modes;
}

} // namespace

std::optional<std::string> TerminalControl::clipboardAnswer(std::string_view targets) const
{
    const QList<QClipboard::Mode> modes = clipboardModes(targets);
    if (m_clipboardAccess != ReadWrite || modes.isEmpty())
        return std::nullopt;
    const QByteArray text = QGuiApplication::clipboard()->text(modes.first()).toUtf8();
    if (text.size() > qsizetype(Parser::kMaxClipboardBytes))
        return std::nullopt;
    return text.toBase64().toStdString(); // empty for an empty clipboard: still an answer
}

void TerminalControl::takeClipboardString(std::string_view targets, std::string_view data)
{
    if (m_clipboardAccess == NoAccess || data.size() > Parser::kMaxClipboardOscBytes)
        return;
    const auto decoded = QByteArray::fromBase64Encoding(QByteArray(data.data(), qsizetype(data.size())),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() > qsizetype(Parser::kMaxClipboardBytes))
        return;
    const QList<QClipboard::Mode> modes = clipboardModes(targets);
    if (modes.isEmpty())
        return;
    const QString text = QString::fromUtf8(decoded.decoded);
    QMetaObject::invokeMethod(
        this,
        [this, modes, text] {
            for (const QClipboard::Mode mode : modes)
                QGuiApplication::clipboard()->setText(text, mode);
            for (const QClipboard::Mode mode : modes)
                if (!emitAlive(this, &TerminalControl::clipboardWritten, mode))
                    return; // a slot deleted the control
        },
        Qt::QueuedConnection);
}

} // namespace vesper
