// URL detection; see url_detection.h.
#include "control/text/url_detection.h"

#include <QSysInfo>

#include <array>

namespace vesper {

namespace {

constexpr std::array<QStringView, 4> kSchemes = {u"http://", u"https://", u"file://", u"mailto:"};

bool isControl(char16_t c) { return c < 0x20 || (c >= 0x7f && c <= 0x9f); }

// Characters that may make up a scheme name: a URL starting right after one
// of them is part of a longer word ("xhttp://" is not "http://").
bool isSchemeCharacter(QChar c) { return c.isLetterOrNumber() || c == u'+' || c == u'-' || c == u'.'; }

// The length of the scheme prefix at `at`, or 0.
qsizetype schemeAt(QStringView text, qsizetype at)
{
    for (const QStringView scheme : kSchemes)
        if (text.mid(at).startsWith(scheme, Qt::CaseInsensitive))
            return scheme.size();
    return 0;
}

// Whether the closer at the end of `url` closes an opener inside it.
bool closesSomething(QStringView url, char16_t closer)
{
    const char16_t opener = closer == u')' ? u'(' : closer == u']' ? u'[' : closer == u'>' ? u'<' : 0;
    if (opener == 0)
        return false;
    // Balanced without the closer: it closes nothing.
    const QStringView before = url.chopped(1);
    return before.count(QChar(opener)) > before.count(QChar(closer));
}

// A control character, or a format character (general category Cf: the
// bidirectional embeddings, overrides and isolates, zero-width joiners and
// spaces, tag characters), which changes how text looks without showing.
bool hasHiddenCharacter(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
            ++i;
        }
        if ((c < 0x10000 && isControl(char16_t(c))) || QChar::category(c) == QChar::Other_Format)
            return true;
    }
    return false;
}

// A file: URL opens a file of this machine only: a host that names another
// one would have the application reach out to it (a network share).
bool isLocalHost(const QString &host)
{
    return host.isEmpty() || host.compare(u"localhost", Qt::CaseInsensitive) == 0
           || host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0;
}

} // namespace

std::vector<UrlSpan> findUrls(QStringView text)
{
    std::vector<UrlSpan> spans;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype prefix = (i == 0 || !isSchemeCharacter(text[i - 1])) ? schemeAt(text, i) : 0;
        if (prefix == 0) {
            ++i;
            continue;
        }
        qsizetype end = i + prefix;
        while (end < text.size() && !text[end].isSpace() && !isControl(text[end].unicode()))
            ++end;
        while (end > i + prefix) {
            const char16_t last = text[end - 1].unicode();
            if (QStringView(u".,;:!?)]>'\"").contains(QChar(last)) && !closesSomething(text.mid(i, end - i), last))
                --end;
            else
                break;
        }
        if (end > i + prefix)
            spans.push_back({i, end - i});
        i = std::max(end, i + prefix);
    }
    return spans;
}

UrlSpan urlAt(QStringView text, qsizetype unit)
{
    for (const UrlSpan &span : findUrls(text)) {
        if (unit < span.start)
            break;
        if (unit < span.start + span.length)
            return span;
    }
    return {};
}

std::optional<QUrl> offeredUrl(QStringView text)
{
    const qsizetype prefix = schemeAt(text, 0);
    if (prefix == 0 || prefix == text.size() || hasHiddenCharacter(text))
        return std::nullopt;
    QUrl url(text.toString(), QUrl::StrictMode);
    if (!url.isValid() || (url.isLocalFile() && !isLocalHost(url.host())))
        return std::nullopt;
    return url;
}

QString displayedUrl(const QUrl &url) { return url.toDisplayString(QUrl::EncodeUnicode | QUrl::EncodeSpaces); }

} // namespace vesper
