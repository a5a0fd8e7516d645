// URL detection in terminal text: the spans of a text that look like URLs a
// user would want to open (http, https, file and mailto only), the check
// that decides whether a link (detected or sent by a program) is offered at
// all, and the form in which an offered link is shown before it is opened.
#pragma once

#include <QStringView>
#include <QUrl>

#include <optional>
#include <vector>

namespace vesper {

struct UrlSpan {
    qsizetype start = 0;  // UTF-16 unit of the scheme's first letter
    qsizetype length = 0; // units
    bool operator==(const UrlSpan &) const = default;
};

// Every URL in `text`, in order. A URL starts at a known scheme not glued to
// a word before it and runs to whitespace, a control character or the end,
// less trailing punctuation that closes nothing inside it.
std::vector<UrlSpan> findUrls(QStringView text);

// The URL whose span holds unit `unit`, or an empty span.
UrlSpan urlAt(QStringView text, qsizetype unit);

// The URL a link whose text is `text` delivers, or none when the link is not
// offered. It is offered only when the text has one of the schemes above and
// something after it, parses as a strict URL (no space, no backslash, no
// stray percent sign), holds no control character and no Unicode format
// character (bidirectional overrides, zero-width characters: text that looks
// other than it reads), and, for file:, names this machine as its host.
std::optional<QUrl> offeredUrl(QStringView text);

// `url` as a link's tooltip shows it: the URL that is delivered, without
// its password, in ASCII. The host is always in its ACE form (xn--...) and
// every other non-ASCII character and space percent-encoded, so that no
// homograph, mixed-script or bidirectional text can make the host or the
// path read as something else.
QString displayedUrl(const QUrl &url);

} // namespace vesper
