// Line numbering, the scrollback limit and text extraction.
#include <gtest/gtest.h>

#include <utility>

#include "terminal_harness.h"

namespace vesper::test {
namespace {

std::string lineFeeds(int n) { return std::string(std::size_t(n), '\n'); }

TEST(ScrollbackTest, FreshScreenNumbersAndTexts) {
    Screen s(80, 24, 5000);
    EXPECT_EQ(s.firstLine(), 0);
    EXPECT_EQ(s.endLine(), 24);
    EXPECT_EQ(s.viewTopLine(), 0);
    EXPECT_EQ(s.scrollbackLineCount(), 0);
    EXPECT_EQ(s.lineText(0), std::string(80, ' '));
    EXPECT_EQ(s.lineRangeText(0, 0, 80), "");
    EXPECT_TRUE(s.scrollbackLines().empty());
}

TEST(ScrollbackTest, LineFeedsFromBottomRowFillScrollback) {
    Terminal t(80, 24, 5000);
    t.feed(CSI "24H" + lineFeeds(30));
    EXPECT_EQ(t.screen.firstLine(), 0);
    EXPECT_EQ(t.screen.endLine(), 54);
    EXPECT_EQ(t.screen.viewTopLine(), 30);
    EXPECT_EQ(t.screen.scrollbackLineCount(), 30);
}

TEST(ScrollbackTest, LimitTrimsOldestLinesAndKeepsNumbers) {
    Terminal t(4, 2, 10);
    for (int i = 0; i < 31; ++i) t.feed("\r\n" + std::to_string(i));
    // Line i holds the text i; 30 lines were pushed, the last 10 are kept.
    EXPECT_EQ(t.screen.firstLine(), 20);
    EXPECT_EQ(t.screen.scrollbackLineCount(), 10);
    EXPECT_EQ(t.screen.lineText(5), "");
    EXPECT_EQ(t.screen.lineText(20), "19  ");
    EXPECT_EQ(t.screen.scrollbackLineText(0), "19  ");
    EXPECT_EQ(t.screen.scrollbackLineText(10), "");
    EXPECT_EQ(t.screen.scrollbackLineText(-1), "");
}

TEST(ScrollbackTest, ZeroSizeEmptiesScrollbackAndReturnsView) {
    Terminal t(4, 2, 10);
    t.feed(lineFeeds(8));
    t.screen.scrollViewUp(3);
    t.screen.setScrollbackSize(0);
    EXPECT_EQ(t.screen.scrollbackLineCount(), 0);
    EXPECT_EQ(t.screen.viewOffset(), 0);
    EXPECT_FALSE(t.screen.viewScrolled());
    t.screen.checkInvariants();
}

// A negative size keeps every line; a huge scroll count still adds a bounded
// number of blank lines; a later limit trims as usual.
TEST(ScrollbackTest, NegativeSizeKeepsEveryLine) {
    Terminal t(6, 2, 10);
    t.screen.setScrollbackSize(-1);
    EXPECT_TRUE(t.screen.lineStore().unlimited());
    std::string text;
    for (int i = 0; i < 20000; ++i) text += std::to_string(i) + "\r\n";
    t.feed(text);
    ASSERT_EQ(t.screen.scrollbackLineCount(), 19999);
    EXPECT_EQ(t.screen.scrollbackLineText(0), "0     ");
    EXPECT_EQ(t.screen.scrollbackLineText(19998), "19998 ");
    t.feed(CSI "2147483647S");
    EXPECT_EQ(t.screen.scrollbackLineCount(), 19999 + 2 + LineStore::kMaxBlankLinesPerScroll);
    EXPECT_EQ(t.screen.scrollbackLineText(0), "0     ");
    t.screen.setScrollbackSize(3);
    EXPECT_EQ(t.screen.scrollbackLineCount(), 3);
    t.screen.checkInvariants();
}

// An unlimited scrollback stops at its memory bound: the oldest lines go,
// the newest stay, whether lines are fed or scrolled in by the screenful.
TEST(ScrollbackTest, UnlimitedStopsAtItsMemoryBound) {
    const std::size_t bound = std::exchange(LineStore::unlimitedScrollbackBytes, std::size_t{4} << 20);
    Terminal t(6, 2, -1);
    std::string text;
    for (int i = 0; i < 150000; ++i) text += std::to_string(i) + "\r\n";
    t.feed(text);
    const LineStore& store = t.screen.lineStore();
    EXPECT_LE(store.heldBytes(), LineStore::unlimitedScrollbackBytes);
    EXPECT_LT(t.screen.scrollbackLineCount(), 149999);
    EXPECT_GT(t.screen.scrollbackLineCount(), 10000);
    EXPECT_EQ(t.screen.scrollbackLineText(t.screen.scrollbackLineCount() - 1), "149998");
    for (int i = 0; i < 40; ++i) t.feed(CSI "2147483647S");
    EXPECT_LE(store.heldBytes(), LineStore::unlimitedScrollbackBytes);
    t.screen.checkInvariants();
    LineStore::unlimitedScrollbackBytes = bound;
}

TEST(ScrollbackTest, LoweringLimitClampsAScrolledView) {
    Terminal t(4, 2, 10);
    t.feed(lineFeeds(8));
    t.screen.setViewOffset(7);
    t.screen.setScrollbackSize(4);
    EXPECT_EQ(t.screen.viewOffset(), 4);
    EXPECT_TRUE(t.screen.viewScrolled());
}

TEST(ScrollbackTest, SizeSetOnAlternateScreenActsOnPrimary) {
    Terminal t(4, 2, 10);
    t.feed(lineFeeds(8) + CSI "?1049h");
    t.screen.setScrollbackSize(2);
    EXPECT_EQ(t.screen.scrollbackLineCount(), 0);
    EXPECT_EQ(t.screen.firstLine(), t.screen.viewTopLine());
    t.feed(CSI "?1049l");
    EXPECT_EQ(t.screen.scrollbackLineCount(), 2);
    t.feed(lineFeeds(5));
    EXPECT_EQ(t.screen.scrollbackLineCount(), 2);
}

TEST(ScrollbackTest, AlternateScreenHasItsOwnNumbering) {
    Terminal t(4, 2, 10);
    t.feed(lineFeeds(6));
    EXPECT_EQ(t.screen.screenTopLine(), 5);
    t.feed(CSI "?1049h" + lineFeeds(3));
    EXPECT_EQ(t.screen.scrollbackLineCount(), 0);
    EXPECT_EQ(t.screen.firstLine(), t.screen.screenTopLine());
    EXPECT_EQ(t.screen.screenTopLine(), 3);  // the cursor stayed on the bottom row
    t.feed(CSI "?1049l");
    EXPECT_EQ(t.screen.screenTopLine(), 5);
}

TEST(ScrollbackTest, EraseDisplayThreeDropsOnlyTheScrollbackKeepingNumbers) {
    Terminal t(4, 2, 10);
    t.feed(lineFeeds(6) + "ab" + CSI "3J");
    EXPECT_EQ(t.screen.scrollbackLineCount(), 0);
    EXPECT_EQ(t.screen.firstLine(), 5);
    EXPECT_EQ(t.screen.endLine(), 7);
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"", "ab"}));
    EXPECT_EQ(t.screen.cursorColumn(), 2);
}

TEST(TextTest, WideCharacterYieldsOneCharacter) {
    Terminal t(80, 1);
    t.feed("\xe4\xb8\xad");
    EXPECT_EQ(t.screen.lineText(0), "\xe4\xb8\xad" + std::string(78, ' '));
    EXPECT_EQ(t.screen.lineRangeText(0, 1, 80), "");
    EXPECT_EQ(t.screen.lineRangeText(0, 0, 1), "\xe4\xb8\xad");
}

TEST(TextTest, LineRangeClampsColumnsAndTrimsOnlySpaces) {
    Terminal t(6, 1);
    t.feed("a\tb");  // tab leaves blanks; only U+0020 is trimmed
    EXPECT_EQ(t.screen.lineRangeText(0, -5, 99), "a    b");
    EXPECT_EQ(t.screen.lineRangeText(0, 1, 4), "");
    EXPECT_EQ(t.screen.lineRangeText(7, 0, 6), "");
    t.feed("\r\xc2\xa0");  // a no-break space is kept
    EXPECT_EQ(t.screen.lineRangeText(0, 0, 3), "\xc2\xa0");
}

TEST(TextTest, RangeClampsToHeldLinesAndKeepsColumns) {
    Terminal t(6, 3, 2);
    t.feed("l0\r\nl1\r\nl2\r\nl3\r\nl4\r\nl5xyz");
    // Line 0 was trimmed; line 1 is the oldest held.
    ASSERT_EQ(t.screen.firstLine(), 1);
    EXPECT_EQ(t.screen.rangeText(t.screen.firstLine() - 3, 1, t.screen.endLine() + 2, 4),
              "1\nl2\nl3\nl4\nl5xy");
}

TEST(TextTest, RangeOverBlankMiddleLineYieldsTwoLineFeeds) {
    Terminal t(5, 3);
    t.feed("ab\r\n\r\ncd");
    EXPECT_EQ(t.screen.rangeText(0, 0, 2, 5), "ab\n\ncd");
}

TEST(TextTest, EmptyAndReversedRangesYieldNothing) {
    Terminal t(5, 3);
    t.feed("abcde\r\nfghij");
    EXPECT_EQ(t.screen.rangeText(1, 2, 1, 2), "");
    EXPECT_EQ(t.screen.rangeText(1, 2, 0, 4), "");
    EXPECT_EQ(t.screen.rangeText(0, 3, 0, 2), "");
    EXPECT_EQ(t.screen.rangeText(0, 3, 1, 2), "de\nfg");
    EXPECT_EQ(t.screen.rangeText(5, 0, 9, 2), "");
}

TEST(TextTest, SoftWrappedLineJoinsInRangeTextOnly) {
    Terminal t(3, 4);
    t.feed("a c" "d  " "e\r\nfg");  // rows "a c" and "d  " wrapped, then a hard line end
    EXPECT_EQ(t.screen.rangeText(0, 0, 3, 3), "a cd  e\nfg");
    EXPECT_EQ(t.screen.rangeText(0, 2, 1, 1), "cd");
    EXPECT_EQ(t.screen.lineText(0), "a c");  // screen dumps stay one row per line
    EXPECT_TRUE(t.screen.isLineWrapped(0));
    EXPECT_TRUE(t.screen.isLineWrapped(1));
    EXPECT_FALSE(t.screen.isLineWrapped(2));
}

TEST(TextTest, ScrolledViewShowsNewestScrollbackThenTopOfScreen) {
    Terminal t(3, 3, 10);
    t.feed("a\r\nb\r\nc\r\nd\r\ne");  // scrollback a, b; screen c, d, e
    t.screen.scrollViewUp(2);
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(t.screen.viewTopLine(), 0);
    EXPECT_EQ(t.screen.viewRowText(3), "");
    EXPECT_EQ(t.screen.scrollbackLines(), (std::vector<std::string>{"a  ", "b  "}));
}

}  // namespace
}  // namespace vesper::test
