// URL detection; see url_detection.h.
#include "widget/url_detection.h"

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

bool isOfferedUrl(QStringView url)
{
    const qsizetype prefix = schemeAt(url, 0);
    if (prefix == 0 || prefix == url.size())
        return false;
    for (const QChar c : url)
        if (isControl(c.unicode()))
            return false;
    return true;
}

} // namespace vesper
