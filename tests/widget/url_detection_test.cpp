// URL detection as a table of texts against the URLs found in them, and the
// link at a cell of a screen: OSC 8 cells, URLs joined across soft wraps.
#include "widget/url_detection.h"

#include "core/parser.h"
#include "core/screen.h"
#include "widget/terminal_link.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using vesper::TextPosition;

std::vector<QString> urlsIn(const QString &text)
{
    std::vector<QString> out;
    for (const vesper::UrlSpan &s : vesper::findUrls(text))
        out.push_back(text.mid(s.start, s.length));
    return out;
}

TEST(UrlDetection, FindsUrlsInText)
{
    const struct {
        const char16_t *text;
        std::vector<QString> urls;
    } cases[] = {
        {u"see https://example.org/a?b=1#c now", {"https://example.org/a?b=1#c"}},
        {u"HTTP://X.ORG and file:///tmp/a.txt", {"HTTP://X.ORG", "file:///tmp/a.txt"}},
        {u"mailto:someone@example.org.", {"mailto:someone@example.org"}},
        {u"(see http://a.b/c).", {"http://a.b/c"}},                    // the ')' closes nothing inside
        {u"http://a.b/wiki/X_(y))", {"http://a.b/wiki/X_(y)"}},        // one ')' closes the '(' inside
        {u"[http://a.b/[1]]", {"http://a.b/[1]"}},
        {u"<http://a.b/>,", {"http://a.b/"}},
        {u"'http://a.b/c' \"https://d.e\"", {"http://a.b/c", "https://d.e"}},
        {u"http://a.b/x?!;:,", {"http://a.b/x"}},                      // trailing punctuation, however much
        {u"http://a.b/x.y,z", {"http://a.b/x.y,z"}},                   // inside the URL it stays
        {u"http://a.b\u3000next", {"http://a.b"}},                     // any whitespace ends it
        {u"http://a.b/\u4e2d\u6587 x", {"http://a.b/\u4e2d\u6587"}},
        {u"http://a.b\x01x", {"http://a.b"}},                          // a control character ends it
        {u"http://a.bhttp://c.d", {"http://a.bhttp://c.d"}},          // glued: one URL
        {u"xhttp://a.b ahttps://c", {}},                               // glued to a word before it
        {u"ftp://a.b ssh://c javascript:alert(1) data:x", {}},        // schemes not offered
        {u"http:// mailto: https://", {}},                             // nothing after the scheme
        {u"http://)", {}},
        {u"", {}},
    };
    for (const auto &c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(urlsIn(text), c.urls) << text.toStdString();
    }
    // urlAt: the span holding a unit, none around it.
    const QString text = "go http://a.b now";
    EXPECT_EQ(vesper::urlAt(text, 3), (vesper::UrlSpan{3, 10}));
    EXPECT_EQ(vesper::urlAt(text, 12), (vesper::UrlSpan{3, 10}));
    EXPECT_EQ(vesper::urlAt(text, 13).length, 0);
    EXPECT_EQ(vesper::urlAt(text, 2).length, 0);
}

TEST(UrlDetection, OffersProgramLinksOfKnownSchemesWithoutControls)
{
    const struct {
        const char *url;
        bool offered;
    } cases[] = {
        {"https://a.b/", true}, {"FILE:///etc/hosts", true}, {"mailto:x@y", true},
        {"ssh://a.b", false},   {"javascript:x", false},     {"https://", false},
        {"https://a\x1b.b", false}, {"https://a\x7f", false}, {"", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(vesper::isOfferedUrl(QString::fromUtf8(c.url)), c.offered) << c.url;
    EXPECT_FALSE(vesper::isOfferedUrl(u"https://a\u0085b"));
}

// Screens 10 columns wide: the link at a cell, its URL and the cells it covers.
TEST(TerminalLink, FoundAtEachOfItsCells)
{
    const struct {
        const char *bytes;
        int line, column;           // the cell asked about
        const char *url;            // nullptr: none
        TextPosition start, end;    // cells covered, end exclusive
    } cases[] = {
        {"go http://a.b/cdefgh x", 1, 2, "http://a.b/cdefgh", {0, 3}, {1, 10}}, // wrapped
        {"go http://a.b/cdefgh x", 0, 3, "http://a.b/cdefgh", {0, 3}, {1, 10}},
        {"go http://a.b/cdefgh x", 2, 0, nullptr, {}, {}},
        {"go http://\r\na.b", 1, 1, nullptr, {}, {}},          // a line feed is no wrap
        {"go http:/\r\n/a.b", 0, 4, nullptr, {}, {}},
        {"a \x1b]8;;https://x.y/\x1b\\link\x1b]8;;\x1b\\ b", 0, 4, "https://x.y/", {0, 2}, {0, 6}},
        {"a \x1b]8;;https://x.y/\x1b\\link\x1b]8;;\x1b\\ b", 0, 6, nullptr, {}, {}},
        {"\x1b]8;;https://x.y/\x1b\\0123456789ab\x1b]8;;\x1b\\", 1, 1, "https://x.y/", {0, 0}, {1, 2}},
        {"\x1b]8;;ssh://x.y/\x1b\\link\x1b]8;;\x1b\\", 0, 1, nullptr, {}, {}}, // scheme not offered
        {"\x1b]8;;https://x.y/\x1b\\ http://z \x1b]8;;\x1b\\", 0, 4, "https://x.y/", {0, 0}, {0, 10}},
    };
    for (const auto &c : cases) {
        vesper::Screen screen(10, 3, 0);
        vesper::Parser parser(screen);
        parser.feed(c.bytes, std::int64_t(std::strlen(c.bytes)));
        const int top = screen.viewTopLine();
        const auto link = vesper::linkAtCell(screen, top + c.line, c.column);
        ASSERT_EQ(link.has_value(), c.url != nullptr) << c.bytes << " @" << c.line << "," << c.column;
        if (!link)
            continue;
        EXPECT_EQ(link->url.toStdString(), c.url);
        EXPECT_EQ(link->start, (TextPosition{top + c.start.line, c.start.column})) << c.bytes;
        EXPECT_EQ(link->end, (TextPosition{top + c.end.line, c.end.column})) << c.bytes;
    }
}

} // namespace
