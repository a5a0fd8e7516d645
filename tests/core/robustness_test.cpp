// Behaviours that real programs and hostile streams depend on: cursor
// movement outside the margins, line numbers that never overflow, the bounded
// parameter list, marked sequences without a private form, leaving mode 1047
// while the primary screen is shown, and huge scroll counts.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "terminal_harness.h"

namespace vesper::test {
namespace {

// --- cursor up/down outside the margins --------------------------------------

TEST(CursorMarginsTest, CursorUpAboveTopMarginMovesTowardRowZero) {
    Terminal t(10, 24);
    t.feed(CSI "6;11r" CSI "3H" CSI "A");
    EXPECT_EQ(t.screen.cursorRow(), 1);
    t.feed(CSI "9A");
    EXPECT_EQ(t.screen.cursorRow(), 0);
}

TEST(CursorMarginsTest, CursorDownBelowBottomMarginMovesTowardLastRow) {
    Terminal t(10, 24);
    t.feed(CSI "6;11r" CSI "21H" CSI "B");
    EXPECT_EQ(t.screen.cursorRow(), 21);
    t.feed(CSI "99B");
    EXPECT_EQ(t.screen.cursorRow(), 23);
}

TEST(CursorMarginsTest, MarginsStillLimitACursorInsideTheRegion) {
    Terminal t(10, 24);
    t.feed(CSI "6;11r" CSI "8H" CSI "99A");
    EXPECT_EQ(t.screen.cursorRow(), 5);
    t.feed(CSI "99B");
    EXPECT_EQ(t.screen.cursorRow(), 10);
}

TEST(CursorMarginsTest, NextAndPrecedingLineFollowTheSameLimits) {
    Terminal t(10, 24);
    t.feed(CSI "6;11r" CSI "3;4H" CSI "F");
    EXPECT_EQ(t.screen.cursorRow(), 1);
    EXPECT_EQ(t.screen.cursorColumn(), 0);
    t.feed(CSI "21;4H" CSI "E");
    EXPECT_EQ(t.screen.cursorRow(), 21);
    EXPECT_EQ(t.screen.cursorColumn(), 0);
}

// --- line numbers never overflow ---------------------------------------------

struct Renumbering {
    std::int64_t total = 0;
    int calls = 0;
    explicit Renumbering(Screen& screen) {
        screen.lineRenumberCallback = [this](std::int32_t shift) {
            EXPECT_GT(shift, 0);
            total += shift;
            ++calls;
        };
    }
};

TEST(LineNumberingTest, HugeScrollUpTwiceRenumbersInsteadOfOverflowing) {
    Terminal t(4, 3, 5);
    Renumbering renumbering(t.screen);
    t.feed("a\r\nb\r\nc");
    const std::int64_t n = std::numeric_limits<std::int32_t>::max();
    for (int round = 0; round < 2; ++round) {
        const std::int64_t before = t.screen.screenTopLine();
        const std::int64_t shiftedBefore = renumbering.total;
        t.feed(CSI "2147483647S");
        // Net advance of the numbering is n, less what was renumbered away.
        EXPECT_EQ(std::int64_t{t.screen.screenTopLine()}, before + n - (renumbering.total - shiftedBefore));
        EXPECT_LE(t.screen.endLine(), LineStore::kRenumberThreshold);
        EXPECT_GE(t.screen.firstLine(), 0);
    }
    EXPECT_GE(renumbering.calls, 2);
    EXPECT_EQ(t.screen.scrollbackLineCount(), 5);
    for (const std::string& line : t.screen.scrollbackLines()) EXPECT_EQ(line, "    ");
    t.feed("\r\nxyz");
    EXPECT_EQ(t.screen.lineText(t.screen.endLine() - 1), "xyz ");
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"", "", "xyz"}));
}

TEST(LineNumberingTest, HugeScrollUpKeepsTheResultOfSingleSteps) {
    // Past region height + limit steps only blank lines remain; the direct
    // route must still end exactly where single steps end, numbers included,
    // whether the scrollback was empty, partly filled or full.
    const char* setups[] = {
        "a\r\nb\r\nc" CSI "1;2r" CSI "41m",
        "1\r\n2\r\na\r\nb\r\nc" CSI "44m",
        "1\r\n2\r\n3\r\n4\r\n5\r\na\r\nb\r\nc" CSI "1;2r",
    };
    for (const char* setup : setups) {
        Terminal bulk(3, 3, 4), single(3, 3, 4);
        bulk.feed(setup);
        single.feed(setup);
        bulk.feed(CSI "50S");
        for (int i = 0; i < 50; ++i) single.feed(CSI "S");
        EXPECT_TRUE(bulk.snapshot() == single.snapshot()) << escaped(setup);
        EXPECT_EQ(bulk.screen.scrollbackLines(), (std::vector<std::string>{"   ", "   ", "   ", "   "}));
        EXPECT_EQ(bulk.rows().front(), "");
    }
}

TEST(LineNumberingTest, LongRunningOutputCrossesTheThresholdWithStableText) {
    Terminal t(2, 2, 3);
    Renumbering renumbering(t.screen);
    // Bring the numbering close to the threshold, then stream line feeds
    // across it one by one.
    t.feed(CSI "1073741800S" CSI "2H");
    const std::int64_t start = t.screen.screenTopLine() + renumbering.total;
    for (int i = 0; i < 100; ++i) t.feed(std::to_string(i % 10) + "\r\n");
    EXPECT_EQ(std::int64_t{t.screen.screenTopLine()} + renumbering.total, start + 100);
    EXPECT_GE(renumbering.calls, 1);
    EXPECT_EQ(t.screen.scrollbackLines(), (std::vector<std::string>{"6 ", "7 ", "8 "}));
    EXPECT_EQ(t.screen.lineText(t.screen.firstLine()), "6 ");
}

TEST(LineNumberingTest, AlternateScreenScrollingAlsoRenumbers) {
    Terminal t(2, 2, 3);
    Renumbering renumbering(t.screen);
    t.feed(CSI "?1049h" CSI "2147483647S" CSI "2147483647S");
    EXPECT_EQ(t.screen.firstLine(), t.screen.screenTopLine());
    EXPECT_LE(t.screen.endLine(), LineStore::kRenumberThreshold);
    EXPECT_GT(renumbering.total, std::int64_t{std::numeric_limits<std::int32_t>::max()});
}

// --- bounded parameter list ----------------------------------------------------

TEST(ParameterListTest, KeepsThirtyTwoParametersAndDropsFurtherOnes) {
    std::string keep32 = CSI;
    for (int i = 0; i < 31; ++i) keep32 += "0;";
    Terminal t(5, 1);
    t.feed(keep32 + "1m");  // the 32nd parameter is kept
    EXPECT_TRUE(t.screen.attributes().bold());

    std::string drop33 = CSI;
    for (int i = 0; i < 32; ++i) drop33 += "0;";
    Terminal u(5, 1);
    u.feed(drop33 + "1m");  // the 33rd parameter is dropped
    EXPECT_FALSE(u.screen.attributes().bold());
}

TEST(ParameterListTest, HostileParameterFloodStaysBounded) {
    Terminal t(5, 2);
    t.feed(CSI);
    const std::string chunk(10000, ';');
    for (int i = 0; i < 100; ++i) t.feed(chunk + "123456789");
    EXPECT_EQ(t.parser.parameterCount(), Parser::kMaxParameters);
    t.feed("Bx");  // the flood still ends as an ordinary sequence
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"", "x"}));
}

// --- marked sequences without a private form ---------------------------------------

TEST(PrivateMarkerTest, MarkedSequencesWithoutPrivateFormDoNothing) {
    const char* sequences[] = {
        // Key-modifier settings and the keyboard protocol change only the
        // keys and answer queries: the screen stays.
        CSI ">4;2m", CSI ">4;m", CSI "?4m", CSI "?u", CSI ">1u", CSI "<u", CSI "=1u",
        CSI ">2T", CSI "?1;2r", CSI ">5A", CSI "?3@", CSI "=1S", CSI "?s",
    };
    for (const char* sequence : sequences) {
        Terminal t(5, 4);
        t.feed("a\r\nb\r\nc\r\nd" CSI "2;2H" ESC "7" CSI "3;4H");
        const Snapshot before = t.snapshot();
        t.feed(sequence);
        t.events.clear();
        EXPECT_TRUE(t.snapshot() == before) << escaped(sequence);
    }
}

TEST(PrivateMarkerTest, SelectiveErasesActAsPlainErases) {
    Terminal t(5, 3);
    t.feed("abcde\r\nfghij\r\nklmno" CSI "2;3H" CSI "?K");
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"abcde", "fg", "klmno"}));
    t.feed(CSI "?2J");
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"", "", ""}));
}

TEST(PrivateMarkerTest, VimQuitLeavesPromptWithoutUnderline) {
    Terminal t(10, 2);
    t.feed(CSI ">4;2m" CSI "?4m" CSI ">4;m$ ");
    EXPECT_EQ(t.screen.attributes(), CellAttributes());
    EXPECT_FALSE(t.cell(0, 0).attributes().underline());
}

// --- leaving mode 1047 -------------------------------------------------------------

TEST(Mode1047Test, LeavingMode1047OnPrimaryScreenKeepsContent) {
    Terminal t(5, 2);
    t.feed("keep" CSI "?1047l" CSI "?1047l");
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"keep", ""}));
    EXPECT_EQ(t.events, (std::vector<std::string>{"mode 1047 reset private", "mode 1047 reset private"}));
}

TEST(Mode1047Test, LeavingMode1047BlanksTheAlternateScreenOnly) {
    Terminal t(5, 2);
    t.feed("keep" CSI "?1047halt" CSI "?1047l");
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"keep", ""}));
    t.feed(CSI "?47h");
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"", ""}));
}

}  // namespace
}  // namespace vesper::test

namespace vesper::test {
namespace {

TEST(ScrollCountTest, ScrollUpEqualsThatManyLineFeedsOnTheBottomMargin) {
    // SU n with the top margin at row 0 must leave exactly what n line feeds
    // on the bottom margin leave: screen, scrollback, numbering and rendition
    // of every blank, for counts below, at and beyond region + limit, with
    // and without a bottom margin, an empty, partial or full scrollback and
    // on the alternate screen.
    for (int limit : {0, 3, 10}) {
        for (const char* margins : {"", CSI "1;3r"}) {
            for (int prefill : {0, 2, 20}) {
                for (int n = 1; n <= 16; ++n) {
                    std::string setup;
                    for (int i = 0; i < prefill; ++i) setup += "p" + std::to_string(i) + "\r\n";
                    setup += "a\r\nb" CSI "44m\r\nc\r\nd" + std::string(margins) + CSI "3;2H";
                    Terminal bulk(4, 5, limit), steps(4, 5, limit);
                    bulk.feed(setup);
                    steps.feed(setup);
                    bulk.feed(CSI + std::to_string(n) + "S");
                    const int bottom = steps.screen.scrollBottom();
                    steps.feed(CSI + std::to_string(bottom + 1) + "H" + std::string(std::size_t(n), '\n') + CSI "3;2H");
                    EXPECT_TRUE(bulk.snapshot() == steps.snapshot())
                        << "limit " << limit << " margins " << escaped(margins) << " prefill " << prefill << " n " << n;
                }
            }
        }
    }
}

}  // namespace
}  // namespace vesper::test

// --- the grid cap ------------------------------------------------------------

namespace vesper::test {
namespace {

TEST(GridCapTest, EveryRequestedSizeIsHeldWithinTheCap) {
    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    struct Case {
        int columns, rows;
        int heldColumns, heldRows;
    } const cases[] = {
        {80, 24, 80, 24},
        {kMaxGridColumns, kMaxGridRows, kMaxGridColumns, kMaxGridRows},
        {kMaxGridColumns + 1, kMaxGridRows + 1, kMaxGridColumns, kMaxGridRows},
        {16777215, 16777215, kMaxGridColumns, kMaxGridRows},
        {kMax, 3, kMaxGridColumns, 3},
        {3, kMax, 3, kMaxGridRows},
        {0, 0, 1, 1},
        {kMin, -5, 1, 1},
    };
    for (const Case& c : cases) {
        const std::string name = std::to_string(c.columns) + "x" + std::to_string(c.rows);
        Screen built(c.columns, c.rows, 10);
        EXPECT_EQ(built.columns(), c.heldColumns) << name;
        EXPECT_EQ(built.rows(), c.heldRows) << name;
        built.checkInvariants();

        // Resizing carries text, so each size is reached from a screen with
        // scrollback through the re-wrap and the plain row change alike.
        Terminal t(4, 3, 3000);  // room for every row of the largest grid
        t.feed("abcdefghij\r\n12345\r\nxyz");
        t.screen.resize(c.columns, c.rows);
        EXPECT_EQ(t.screen.columns(), c.heldColumns) << name;
        EXPECT_EQ(t.screen.rows(), c.heldRows) << name;
        t.screen.checkInvariants();
        t.feed(CSI "?1049h" CSI "99999;99999Hz");
        t.screen.resize(c.columns, 2);
        t.screen.resize(c.columns, c.rows);
        t.screen.checkInvariants();
        t.feed(CSI "?1049l");
        t.screen.resize(1, 1);
        t.screen.checkInvariants();
        std::string text;
        for (int line = t.screen.firstLine(); line < t.screen.endLine(); ++line) text += t.screen.lineText(line);
        EXPECT_EQ(text.substr(0, 18), "abcdefghij12345xyz") << name;
    }
}

TEST(GridCapTest, ProgramsCannotResizeTheGrid) {
    // Window-size and column-mode requests are not honoured: only the host sizes the grid.
    Terminal t(10, 4);
    t.feed(CSI "8;99999;99999t" CSI "?3h" CSI "?3l" CSI "4;99999;99999t");
    EXPECT_EQ(t.screen.columns(), 10);
    EXPECT_EQ(t.screen.rows(), 4);
}

}  // namespace
}  // namespace vesper::test
