// Quoting of dropped paths.  The safe set is what no POSIX shell expands,
// splits or quotes (letters, digits, and "@%+=:,./-_"); every other
// character is quoted, non-ASCII ones included, so that a look-alike space
// or a bidirectional mark cannot change how the shell splits the line.
#include "control/text/drop_text.h"

#include <QMimeData>
#include <QStringList>
#include <QUrl>

#include <algorithm>

namespace vesper {

namespace {

bool isSafe(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
           || QStringView(u"@%+=:,./-_").contains(c);
}

bool isControl(QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; }

// $'...' with C escapes: the control characters by their octal value (or
// the usual letter), the quote and the backslash escaped.
QString ansiCQuoted(const QString &text)
{
    QString out = QStringLiteral("$'");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\n': out += QLatin1String("\\n"); break;
        case u'\t': out += QLatin1String("\\t"); break;
        case u'\r': out += QLatin1String("\\r"); break;
        case u'\'': out += QLatin1String("\\'"); break;
        case u'\\': out += QLatin1String("\\\\"); break;
        default:
            if (isControl(c))
                out += QStringLiteral("\\%1").arg(c.unicode(), 3, 8, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + u'\'';
}

} // namespace

QString shellQuoted(const QString &path)
{
#ifdef Q_OS_WIN
    // cmd.exe and PowerShell both take a double-quoted path whole; a path
    // cannot hold a double quote on Windows.
    const bool plain = !path.isEmpty() && std::all_of(path.begin(), path.end(), [](QChar c) { return isSafe(c) || c == u'\\'; });
    return plain ? path : u'"' + path + u'"';
#else
    if (!path.isEmpty() && std::all_of(path.begin(), path.end(), isSafe))
        return path;
    if (std::any_of(path.begin(), path.end(), isControl))
        return ansiCQuoted(path);
    QString out = path;
    out.replace(u'\'', QLatin1String("'\\''"));
    return u'\'' + out + u'\'';
#endif
}

QString droppedText(const QMimeData &data)
{
    if (data.hasUrls()) {
        QStringList words;
        for (const QUrl &url : data.urls()) {
            if (url.isLocalFile())
                words << shellQuoted(url.toLocalFile());
            else if (url.isValid())
                words << url.toString();
        }
        if (!words.isEmpty())
            return words.join(u' ');
    }
    return data.hasText() ? data.text() : QString();
}

} // namespace vesper
