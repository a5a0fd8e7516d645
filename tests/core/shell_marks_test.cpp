// Shell marks (OSC 133): where they are recorded, how they travel with their
// lines through scrolling, the scrollback limit and re-wrapping, what drops
// them, and the navigation queries the widget asks.
#include <gtest/gtest.h>

#include "terminal_harness.h"

namespace vesper::test {
namespace {

#define MARK(x) ESC "]133;" x "\x07"

// "LINE A0 B2 D0=1" for every held line with marks (absolute line numbers).
std::vector<std::string> marks(const Screen& s) {
    std::vector<std::string> out;
    for (int line = s.firstLine(); line < s.endLine(); ++line) {
        const ShellMarks m = s.shellMarks(line);
        if (m.empty()) continue;
        std::string text = std::to_string(line);
        for (int k = 0; k < kShellMarkKinds; ++k) {
            const int column = m.column(ShellMarkKind(k));
            if (column < 0) continue;
            text += " " + std::string(1, char('A' + k)) + std::to_string(column);
            if (ShellMarkKind(k) == ShellMarkKind::CommandEnd && m.exitCode()) text += "=" + std::to_string(*m.exitCode());
        }
        out.push_back(text);
    }
    return out;
}

struct MarkCase {
    const char* name;
    int columns, rows, scrollback;
    std::string bytes;
    std::vector<std::string> expected;
    int newColumns = 0;  // then resized to this width, the rows kept
    std::vector<std::string> afterResize = {};
};

void PrintTo(const MarkCase& c, std::ostream* os) { *os << c.name; }

const MarkCase kCases[] = {
    {"PromptCommandOutputAndEnd", 10, 4, 10, MARK("A") "$ " MARK("B") "ls\r\n" MARK("C") "out\r\n" MARK("D;0") MARK("A") "$ ",
     {"0 A0 B2", "1 C0", "2 A0 D0=0"}},
    {"StTerminatorOptionsAndCodes", 10, 2, 10,
     ESC "]133;A;click_events=1" ESC "\\" "ab" ESC "]133;D;2;aid=7" ESC "\\\r\n" MARK("D;x") MARK("D;-1") "c" MARK("D"),
     {"0 A0 D2=2", "1 D1"}},
    {"UnknownLettersAndEmptyAreIgnored", 10, 2, 10, MARK("Z") MARK("") MARK("AB") MARK("a") ESC "]133\x07", {}},
    {"TheLastMarkOfAKindWins", 10, 2, 10, MARK("A") "ab" MARK("A"), {"0 A2"}},
    {"PendingWrapMarksTheLastColumn", 3, 2, 10, "abc" MARK("B"), {"0 B2"}},
    {"WritingOverAMarkKeepsIt", 10, 2, 10, MARK("A") "$ " "\r" "# ", {"0 A0"}},
    {"ScrolledIntoTheScrollbackTheyStay", 10, 2, 10, MARK("A") "$\r\n\r\n\r\n" MARK("C"), {"0 A0", "3 C0"}},
    {"TheScrollbackLimitTakesThemAway", 10, 2, 1, MARK("A") "$\r\n\r\n\r\n" MARK("C"), {"3 C0"}},
    {"InsertAndDeleteLineMoveThem", 10, 4, 10, CSI "2;3H" MARK("B") CSI "1;1H" CSI "2L" CSI "4;1H" MARK("C") CSI "1;1H" CSI "M",
     {"2 B2 C0"}},
    {"ScrollRegionRotatesThem", 10, 3, 10, CSI "3;1H" MARK("A") CSI "2;3r" CSI "3;1H\n", {"1 A0"}},
    {"ErasingTheLineDropsThem", 10, 2, 10, MARK("A") "$ " CSI "2K", {}},
    {"ErasingTheScreenDropsThem", 10, 2, 10, MARK("A") "$ \r\n" MARK("C") CSI "2J", {}},
    {"ResetDropsThem", 10, 2, 10, MARK("A") "$\r\n\r\n\r\n" ESC "c", {}},
    {"EditingAfterTheCommandStartKeepsIt", 10, 2, 10, MARK("A") "$ " MARK("B") "x\b" CSI "K" CSI "P", {"0 A0 B2"}},
    {"NarrowingKeepsTheLogicalPosition", 10, 3, 10, "abcdef" MARK("A") "ghij\r\n", {"0 A6"}, 4,
     {"1 A2"}},
    {"WideningJoinsTheRows", 4, 3, 10, "abcde" MARK("B") "fg\r\n", {"1 B1"}, 8, {"0 B5"}},
    {"AMarkPastTheTextKeepsItsPlace", 10, 3, 10, "ab" MARK("B") "\r\nx", {"0 B2"}, 2, {"1 B0"}},
    {"TheLineAfterAWrapKeepsItsMarks", 4, 3, 10, "abcdef\r\n" MARK("C") "x", {"2 C0"}, 8, {"1 C0"}},
};

class ShellMarksTest : public ::testing::TestWithParam<MarkCase> {};

TEST_P(ShellMarksTest, RecordedAndCarried) {
    const MarkCase& c = GetParam();
    Terminal t(c.columns, c.rows, c.scrollback);
    t.feed(c.bytes);
    EXPECT_EQ(marks(t.screen), c.expected);
    if (c.newColumns == 0) return;
    t.screen.resize(c.newColumns, c.rows);
    t.screen.checkInvariants();
    EXPECT_EQ(marks(t.screen), c.afterResize);
}

TEST_P(ShellMarksTest, EveryWayOfFeedingGivesTheSameMarks) {
    const MarkCase& c = GetParam();
    Terminal whole(c.columns, c.rows, c.scrollback);
    whole.feed(c.bytes);
    const Snapshot expected = whole.snapshot();
    auto check = [&](Terminal& t, const std::string& how) {
        EXPECT_TRUE(t.snapshot() == expected) << how;
        EXPECT_EQ(marks(t.screen), c.expected) << how;
    };
    Terminal bytewise(c.columns, c.rows, c.scrollback);
    bytewise.feed(c.bytes, FeedMode::ByteByByte);
    check(bytewise, "byte by byte");
    for (std::size_t split = 1; split < c.bytes.size(); ++split) {
        Terminal t(c.columns, c.rows, c.scrollback);
        t.feed(std::string_view(c.bytes).substr(0, split));
        t.feed(std::string_view(c.bytes).substr(split));
        check(t, "split at byte " + std::to_string(split));
    }
}

INSTANTIATE_TEST_SUITE_P(Marks, ShellMarksTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Three commands: one with output and a code, one without output, one that
// never reported its end; then a prompt waiting for input.
TEST(ShellMarkQueries, PromptsAndExitCodes) {
    Terminal t(20, 12, 10);
    t.feed(MARK("A") "$ " MARK("B") "make\r\n" MARK("C") "built\r\nfailed" MARK("D;2") "\r\n"  // lines 0-2
           MARK("A") "$ " MARK("B") "true\r\n" MARK("C") MARK("D;0")                         // lines 3-4
           MARK("A") "$ " MARK("B") "cat\r\n" MARK("C") "x\r\n"                             // lines 4-5
           MARK("A") "$ " MARK("B"));                                                      // line 6
    EXPECT_EQ(t.screen.promptLineBefore(6), 4);
    EXPECT_EQ(t.screen.promptLineBefore(4), 3);
    EXPECT_EQ(t.screen.promptLineBefore(0), -1);
    EXPECT_EQ(t.screen.promptLineAfter(0), 3);
    EXPECT_EQ(t.screen.promptLineAfter(4), 6);
    EXPECT_EQ(t.screen.promptLineAfter(6), -1);
    EXPECT_EQ(t.screen.outputExitCode(0), std::nullopt);  // the prompt line
    EXPECT_EQ(t.screen.outputExitCode(1), 2);
    EXPECT_EQ(t.screen.outputExitCode(2), 2);             // the end came on this line
    EXPECT_EQ(t.screen.outputExitCode(3), std::nullopt);  // the next prompt
    EXPECT_EQ(t.screen.outputExitCode(4), std::nullopt);  // no output, then a prompt on the line
    EXPECT_EQ(t.screen.outputExitCode(5), std::nullopt);  // output whose end never came
    EXPECT_EQ(t.screen.outputExitCode(6), std::nullopt);  // the waiting prompt
    EXPECT_EQ(t.screen.outputExitCode(8), std::nullopt);  // past the marks
    EXPECT_EQ(t.screen.outputExitCode(99), std::nullopt);
}

}  // namespace
}  // namespace vesper::test
