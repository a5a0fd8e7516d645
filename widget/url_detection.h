// URL detection in terminal text: the spans of a text that look like URLs a
// user would want to open (http, https, file and mailto only), and the check
// that a link a program attached to its cells is one the widget may offer.
#pragma once

#include <QStringView>

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

// Whether `url` has one of the schemes offered, something after the scheme,
// and no control character (a link a program sent is offered only then).
bool isOfferedUrl(QStringView url);

} // namespace vesper
