// find() over scrollback and screen: the order of hits forward and backward
// from the selection or the bottom of the view, wrapping around once, case
// folding, wide characters, a miss leaving everything alone, and a hit in the
// scrollback scrolled into view.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "tests/widget/widget_test_support.h"

namespace {

using namespace widget_test;
using vesper::TerminalWidget;

struct SearchFixture : ::testing::Test {
    void SetUp() override { w = makeWidget(20, 4); }
    std::unique_ptr<TerminalWidget> w;
};

TEST_F(SearchFixture, StepsThroughHitsAndWrapsAround)
{
    // Eight lines, four of them in the scrollback; each hit is told apart
    // by its case.
    feed(*w, "alpha 1\r\nbeta\r\nAlpha 2\r\ngamma\r\nalPha 3\r\ndelta\r\nALPHA 4\r\nend");
    ASSERT_EQ(w->scrollbackSize(), 4);
    struct Step {
        bool backward;
        bool caseSensitive;
        const char *expected;
    };
    // Without a selection the search starts at the bottom of the view.
    const Step steps[] = {
        {true, false, "ALPHA"},  {true, false, "alPha"},  {true, false, "Alpha"}, {true, false, "alpha"},
        {true, false, "ALPHA"},  // wrapped around the top
        {false, false, "alpha"}, // and back around the bottom
        {false, false, "Alpha"},
        {false, true, "alpha"},  // case-sensitive: the one lower-case hit
        {false, true, "alpha"},  // found again from itself
        {true, false, "ALPHA"},
    };
    for (const Step &s : steps) {
        EXPECT_TRUE(w->find("alpha", s.backward, s.caseSensitive));
        EXPECT_EQ(w->selectedText().toStdString(), s.expected);
    }
}

// countMatches counts what find() steps through: every line, non-overlapping
// hits, across a soft wrap, up to the limit.
TEST_F(SearchFixture, CountsTheHitsFindStepsThrough)
{
    feed(*w, "alpha 1\r\nbeta\r\nAlpha 2 alpha\r\naaaa\r\nalPha 3\r\nxxxxxxxxxxxxxxxxxxal\r\npha");
    EXPECT_EQ(w->countMatches("alpha"), 4);
    EXPECT_EQ(w->countMatches("alpha", true), 2);
    EXPECT_EQ(w->countMatches("aa"), 2) << "non-overlapping";
    EXPECT_EQ(w->countMatches("lph", false, 3), 3) << "stops at the limit";
    EXPECT_EQ(w->countMatches("zeta"), 0);
    EXPECT_EQ(w->countMatches(""), 0);
    feed(*w, "\r\nxxxxxxxxxxxxxxxxxal");
    feed(*w, "pha");
    EXPECT_EQ(w->countMatches("alpha"), 5) << "across the soft wrap, unparsed output included";
}

TEST_F(SearchFixture, HitsAreSelectedWhereTheyAreAndScrolledIntoView)
{
    for (int i = 0; i < 30; ++i)
        feed(*w, i == 3 ? "needle \xe4\xb8\xad\xe6\x96\x87 here\r\n" : "hay\r\n");
    const int liveTop = w->viewTopLine();
    ASSERT_TRUE(w->find("\xe4\xb8\xad\xe6\x96\x87 H"));
    EXPECT_EQ(w->selectedText(), "\xe4\xb8\xad\xe6\x96\x87 h");
    EXPECT_LE(w->viewTopLine(), w->firstLine() + 3);
    EXPECT_GT(w->viewTopLine() + w->terminalRows(), w->firstLine() + 3) << "the hit's line is in view";
    EXPECT_LT(w->viewTopLine(), liveTop);
    QSignalSpy selection(w.get(), &TerminalWidget::selectionChanged);
    const QString before = w->selectedText();
    const int top = w->viewTopLine();

    // A miss changes nothing.
    EXPECT_FALSE(w->find("absent"));
    EXPECT_FALSE(w->find(""));
    EXPECT_EQ(w->selectedText(), before);
    EXPECT_EQ(w->viewTopLine(), top);
    EXPECT_EQ(selection.count(), 0);

    // The only hit is found again from itself, in both directions.
    EXPECT_TRUE(w->find("NEEDLE", true));
    EXPECT_TRUE(w->find("needle"));
    EXPECT_EQ(w->selectedText(), "needle");
}

// Rows the right margin broke are searched as one text; rows a line feed
// ended are not.
TEST(SearchWrapped, MatchesAcrossSoftWrapsOnly)
{
    struct Case {
        const char *bytes;
        const char *needle;
        const char *expected; // selected text; nullptr: no hit
    };
    const Case cases[] = {
        {"0123456789abcd needle", "needle", "needle"},              // "need" | "le"
        {"0123456789abcdefghi x", "i x", "i x"},                     // the blank at the margin is text
        {"0123456789abcdefghij\r\nkl", "jk", nullptr},              // a line feed is no wrap
        {"0123456789abcdefgh\xe4\xb8\xad" "z", "\xe4\xb8\xad" "z", "\xe4\xb8\xad" "z"},
        {"0123456789abcdefghi\xe4\xb8\xad", "i \xe4\xb8\xad", "i \xe4\xb8\xad"}, // padded before the wrap
        {"0123456789abcdefghij0123456789abcdefghijKLM", "jk", "jK"}, // three rows, one paragraph
        {"0123456789abcdefghij0123456789abcdefghijKLM", "ij0123456789abcdefghijk", "ij0123456789abcdefghijK"},
        {"0123456789abcdefghij0123456789abcdefghij\r\nKLM", "ijk", nullptr},
    };
    for (const Case &c : cases) {
        auto w = widget_test::makeWidget(20, 4);
        feed(*w, c.bytes);
        for (const bool backward : {false, true}) {
            w->clearSelection();
            EXPECT_EQ(w->find(c.needle, backward), c.expected != nullptr) << c.bytes;
            if (c.expected) {
                EXPECT_EQ(w->selectedText().toStdString(), c.expected) << c.bytes;
            }
        }
    }
}

// Scrollback lines are first tested on their packed bytes: every answer
// must be the one the same line gave on the screen, whether the case counts
// or not, in both directions.
TEST(SearchScrollback, PackedLinesAnswerAsOnTheScreen)
{
    struct Case {
        const char *text; // one line, soft-wrapped past 20 columns
        const char *needle;
    };
    const Case cases[] = {
        {"plain log line", "LOG"},
        {"plain log line", "logs"},
        {"0123456789abcdefghijKLMN", "jklm"}, // across the margin
        {"0123456789abcdefghijKLMN0123456789abcdefghijklmn", "hijklmn0"},
        {"ends here", "here      "},              // blanks nobody wrote
        {"\xe2\x84\xaa" "elvin sign", "kelvin"},   // U+212A, which folds onto k
        {"\xc3\x89" "COLE", "\xc3\xa9" "cole"},     // non-ASCII folding
        {"\xe4\xb8\xad\xe6\x96\x87 wide", "\xe6\x96\x87 W"},
        {"e\xcc\x81t\xc3\xa9", "e\xcc\x81t"},       // a combining mark
        {"\x1b[31mred\x1b[0m and \x1b[1mbold\x1b[0m", "red and bold"},
    };
    for (const Case &c : cases) {
        auto w = widget_test::makeWidget(20, 4);
        feed(*w, c.text);
        auto search = [&] {
            std::vector<std::pair<bool, QString>> results;
            for (const bool caseSensitive : {false, true})
                for (const bool backward : {false, true}) {
                    w->clearSelection();
                    const bool found = w->find(QString::fromUtf8(c.needle), backward, caseSensitive);
                    results.emplace_back(found, w->selectedText());
                }
            return results;
        };
        const auto before = search();
        feed(*w, "\r\n\r\n\r\n\r\n\r\n");
        ASSERT_GE(w->scrollbackSize(), 1) << c.text;
        EXPECT_EQ(search(), before) << c.text << " / " << c.needle;
    }
}

// A slot of selectionChanged may delete the widget: find() scrolls first
// and emits last. In a child process; the slot hands the widget's memory out
// again, overwritten, so that a use after free crashes the child.
TEST(SearchDeletion, SelectionSlotMayDeleteTheWidget)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TerminalWidget *w = widget_test::makeWidget(20, 4).release();
            feed(*w, "needle\r\n");
            for (int i = 0; i < 50; ++i)
                feed(*w, "hay\r\n");
            QObject::connect(w, &TerminalWidget::selectionChanged, [w] {
                delete w;
                std::memset(::operator new(sizeof(TerminalWidget)), 0xa5, sizeof(TerminalWidget)); // never freed
            });
            const bool found = w->find("needle"); // in the scrollback: the view moves
            std::_Exit(found ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
