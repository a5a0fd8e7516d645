// TerminalControl state for the host application: the window title, the icon
// title and the working directory a program announced, and the bell.  The
// parser reports them mid-feed; the values change at once, and their signals
// leave after the bytes in hand are parsed (a slot may delete the control), one
// per value that really changed, carrying the final value of the feed.  The
// bell leaves from the event loop, once per pass however many arrived.
#include "control/terminal_control.h"

#include <QSysInfo>

#include <algorithm>
#include <utility>

namespace vesper {

namespace {

QString fromUtf8(const std::string &text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

bool isControl(QChar c) { return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F); }

// A directory on this machine: no host, localhost or the machine's own name.
bool isLocalHost(const QString &host)
{
    return host.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
           || host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0;
}

// OSC 7 carries file://host/path.  Anything else announces no directory and
// is ignored: another scheme, a malformed URL, another machine's directory,
// a relative or missing path, or a path whose percent-escapes decode to
// control characters (file:///tmp/%0a%1b[2J would put a line feed and an
// escape sequence into whatever shows or uses the directory).
QUrl directoryUrl(const std::string &sent)
{
    const QUrl url(fromUtf8(sent), QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("file") || !isLocalHost(url.host()))
        return {};
    const QString path = url.path(QUrl::FullyDecoded);
    if (!path.startsWith(QLatin1Char('/')) || std::any_of(path.begin(), path.end(), isControl))
        return {};
    return url;
}

} // namespace

void TerminalControl::installHostStateCallbacks()
{
    m_parser.titleCallback = [this](const std::string &text) {
        m_title = fromUtf8(text);
        postHostChange(HostTitle);
    };
    m_parser.iconNameCallback = [this](const std::string &text) {
        m_iconTitle = fromUtf8(text);
        postHostChange(HostIconTitle);
    };
    m_parser.currentDirectoryCallback = [this](const std::string &sent) {
        const QUrl url = directoryUrl(sent);
        if (url.isEmpty())
            return;
        m_currentDirectory = url;
        postHostChange(HostDirectory);
    };
    m_parser.bellCallback = [this] { ringBell(); };
    m_parser.cursorStyleCallback = [this](int style) { setProgramCursorStyle(style); };
}

// One held emission per kind and feed; it compares with what was last
// announced, so a value set and set back within one feed is no news.
void TerminalControl::postHostChange(HostValue which)
{
    if (std::exchange(m_hostChangesPending[which], true))
        return;
    m_parserSignals.post([this, which] {
        m_hostChangesPending[which] = false;
        switch (which) {
        case HostTitle:
            if (std::exchange(m_announcedTitle, m_title) != m_title) {
                noteAccessibleNameChange();
                emit titleChanged(m_title);
            }
            break;
        case HostIconTitle:
            if (std::exchange(m_announcedIconTitle, m_iconTitle) != m_iconTitle)
                emit iconTitleChanged(m_iconTitle);
            break;
        case HostDirectory:
            if (std::exchange(m_announcedDirectory, m_currentDirectory) != m_currentDirectory)
                emit currentDirectoryChanged(m_currentDirectory);
            break;
        case HostValueCount: break;
        }
    });
}

void TerminalControl::ringBell()
{
    if (std::exchange(m_bellPending, true))
        return;
    // Queued on the control: dropped with it when it is deleted first.
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_bellPending = false;
            emit bell();
        },
        Qt::QueuedConnection);
}

QString TerminalControl::title() const { return m_title; }
QString TerminalControl::iconTitle() const { return m_iconTitle; }
QUrl TerminalControl::currentDirectory() const { return m_currentDirectory; }

} // namespace vesper
