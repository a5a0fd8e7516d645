// The screen model outside the byte stream: resizing, the alternate screen,
// the view over the scrollback, the dirty-row record and LineStore edges.
#include <gtest/gtest.h>

#include <set>

#include "terminal_harness.h"

namespace vesper::test {
namespace {

std::string numberedRows(int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i) bytes += (i ? "\r\n" : "") + std::to_string(i);
    return bytes;
}

TEST(ResizeTest, SizesBelowOneBecomeOne) {
    Screen s(0, -3, -1);
    EXPECT_EQ(s.columns(), 1);
    EXPECT_EQ(s.rows(), 1);
    s.resize(-5, 0);
    EXPECT_EQ(s.columns(), 1);
    EXPECT_EQ(s.rows(), 1);
    s.checkInvariants();
}

TEST(ResizeTest, SameSizeChangesNothing) {
    Terminal t(5, 3, 10);
    t.feed(numberedRows(5));
    t.screen.scrollViewUp(1);
    t.screen.resize(5, 3);
    EXPECT_EQ(t.screen.viewOffset(), 1);
}

TEST(ResizeTest, ShrinkKeepsBottomRowsAndGrowRestoresThem) {
    Terminal t(80, 24, 100);
    t.feed(numberedRows(24));
    ASSERT_EQ(t.screen.cursorRow(), 23);
    t.screen.resize(80, 10);
    EXPECT_EQ(t.screen.cursorRow(), 9);
    EXPECT_EQ(t.screen.scrollbackLineCount(), 14);
    EXPECT_EQ(t.rows().front(), "14");
    t.screen.resize(80, 24);
    EXPECT_EQ(t.screen.cursorRow(), 23);
    EXPECT_EQ(t.screen.scrollbackLineCount(), 0);
    EXPECT_EQ(t.rows().front(), "0");
    EXPECT_EQ(t.rows().back(), "23");
}

TEST(ResizeTest, GrowBeyondScrollbackAddsBlankRowsAtBottom) {
    Terminal t(4, 3, 10);
    t.feed(numberedRows(3));
    t.screen.resize(4, 5);
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"0", "1", "2", "", ""}));
    EXPECT_EQ(t.screen.cursorRow(), 2);
    EXPECT_EQ(t.screen.endLine(), 5);
}

TEST(ResizeTest, AlternateScreenShrinkDiscardsRowsAbove) {
    Terminal t(4, 4, 10);
    t.feed(CSI "?1049h" + numberedRows(4));
    t.screen.resize(4, 2);
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"2", "3"}));
    EXPECT_EQ(t.screen.scrollbackLineCount(), 0);
    t.screen.resize(4, 4);
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"2", "3", "", ""}));
    t.feed(CSI "?1049l");
    EXPECT_EQ(t.screen.rows(), 4);
}

TEST(ResizeTest, ColumnShrinkReWrapsAndWideningRestores) {
    Terminal t(6, 2, 10);
    t.feed("abcdef\r\nghijkl\r\nmn");
    t.screen.resize(3, 2);
    EXPECT_EQ(t.screen.scrollbackLines(), (std::vector<std::string>{"abc", "def", "ghi"}));
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"jkl", "mn"}));
    t.screen.resize(6, 2);
    EXPECT_EQ(t.screen.scrollbackLines(), (std::vector<std::string>{"abcdef"}));
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"ghijkl", "mn"}));
}

TEST(ResizeTest, PendingWrapLandsOnLastColumnAndMarginsReset) {
    Terminal t(5, 4);
    t.feed(CSI "2;3r" CSI "4Habcde");
    ASSERT_EQ(t.screen.cursorColumn(), 5);
    t.screen.resize(6, 4);
    EXPECT_EQ(t.screen.cursorColumn(), 5);  // the old pending wrap becomes the last column
    EXPECT_EQ(t.screen.scrollTop(), 0);
    EXPECT_EQ(t.screen.scrollBottom(), 3);
    t.feed("x");
    EXPECT_EQ(t.rows().back(), "abcdex");
}

TEST(AlternateScreenTest, SwitchingBackShowsPrimaryWithCursorFromAlternate) {
    Terminal t(5, 3);
    t.feed("prim" CSI "?47h");
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"", "", ""}));
    t.feed(CSI "3;2Halt" CSI "?47l");
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"prim", "", ""}));
    EXPECT_EQ(t.screen.cursorRow(), 2);
    EXPECT_EQ(t.screen.cursorColumn(), 4);
}

TEST(AlternateScreenTest, NoScrollbackOnAlternateScreen) {
    Terminal t(3, 2, 10);
    t.feed(CSI "?1049h" "\n\n\n\n" CSI "5S");
    EXPECT_EQ(t.screen.scrollbackLineCount(), 0);
}

TEST(ViewTest, ViewOperationsClamp) {
    Terminal t(3, 2, 10);
    t.screen.scrollViewUp(5);  // no scrollback: nothing
    EXPECT_EQ(t.screen.viewOffset(), 0);
    t.feed(numberedRows(6));  // 4 scrollback lines
    t.screen.setViewOffset(99);
    EXPECT_EQ(t.screen.viewOffset(), 4);
    t.screen.scrollViewDown(0);  // counts below 1 count as 1
    EXPECT_EQ(t.screen.viewOffset(), 3);
    t.screen.scrollViewDown(99);
    EXPECT_EQ(t.screen.viewOffset(), 0);
    EXPECT_FALSE(t.screen.viewScrolled());
    t.screen.scrollViewDown(1);  // live view: nothing
    EXPECT_EQ(t.screen.viewOffset(), 0);
}

TEST(ViewTest, OutputReturnsViewButCursorMovesDoNot) {
    Terminal t(3, 2, 10);
    t.feed(numberedRows(6));
    t.screen.scrollViewUp(2);
    t.feed(CSI "H" CSI "1m" CSI "2;3r" CSI "?7l");
    EXPECT_EQ(t.screen.viewOffset(), 2);
    t.feed("\xcc\x81");  // a combining mark prints nothing and keeps the view
    EXPECT_EQ(t.screen.viewOffset(), 2);
    t.feed("x");
    EXPECT_EQ(t.screen.viewOffset(), 0);
}

TEST(ViewTest, CellsOutsideTheViewAreDefaultBlanks) {
    Terminal t(3, 2);
    t.feed(CSI "41mabc");
    EXPECT_EQ(t.cell(-1, 0), Cell());
    EXPECT_EQ(t.cell(0, 3), Cell());
    EXPECT_EQ(t.cell(2, 0), Cell());
    EXPECT_EQ(t.cell(0, 2).codePoint(), 'c');
}

TEST(LineStoreTest, RotationsIgnoreBadBoundsAndBoundTheCount) {
    LinkTable links;
    LineStore store(2, 4, 0, links);
    const Cell x('x', CellAttributes());
    const Cell fill('.', CellAttributes());
    for (int r = 0; r < 4; ++r) {
        const std::uint8_t letter = std::uint8_t('a' + r);
        store.writeAscii(r, 0, &letter, 1, CellRun(CellAttributes()), 0);
    }
    store.rotateUp(2, 1, x);
    store.rotateUp(-1, 2, x);
    store.rotateDown(0, 4, x);
    EXPECT_EQ(store.row(0)[0].codePoint(), 'a');
    store.rotateUp(1, 3, fill, 2'000'000'000);
    EXPECT_EQ(store.row(0)[0].codePoint(), 'a');
    for (int r = 1; r < 4; ++r) EXPECT_EQ(store.row(r)[0], fill);
    EXPECT_FALSE(store.row(4));
    EXPECT_FALSE(store.line(-1));
    store.checkInvariants();
}

TEST(LineStoreTest, SwapExchangesEverything) {
    LinkTable links;
    LineStore a(2, 2, 5, links), b(3, 4, 0, links);
    a.pushLine(Cell());
    a.swap(b);
    EXPECT_EQ(a.columns(), 3);
    EXPECT_EQ(a.rows(), 4);
    EXPECT_EQ(a.scrollbackLimit(), 0);
    EXPECT_EQ(b.scrollbackCount(), 1);
    EXPECT_EQ(b.firstLine(), 0);
    EXPECT_EQ(b.screenTopLine(), 1);
    a.checkInvariants();
    b.checkInvariants();
}

}  // namespace
}  // namespace vesper::test

namespace vesper::test {
namespace {

TEST(LineStoreTest, RecycledLinesComeBackAsFillWhateverTheyHeld) {
    // Lines leaving a full scrollback are reused for new rows: whatever they
    // held (text, coloured blanks, wide characters, shifted cells) must not
    // show through.
    Terminal t(6, 2, 1);
    t.feed("ab\xe4\xb8\xad" CSI "44m" CSI "K" CSI "0m\r\n" CSI "2@xy" CSI "P\r\n" CSI "45m" CSI "3X" CSI "0m");
    for (int i = 0; i < 6; ++i) t.feed("\r\n");
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 6; ++col) EXPECT_EQ(t.cell(row, col), Cell()) << row << "," << col;
    t.feed(CSI "41m\r\n");
    EXPECT_EQ(t.cell(1, 5).attributes().bg, 1);
    EXPECT_EQ(t.screen.scrollbackLines(), (std::vector<std::string>{"      "}));
}

}  // namespace
}  // namespace vesper::test

namespace vesper::test {
namespace {

TEST(LineStoreTest, LinesDroppedByClearsAreReusedCleanly) {
    // Clearing the scrollback keeps the dropped lines for reuse; growing,
    // scrolling and resetting afterwards must show only blanks and text
    // written since.
    Terminal t(4, 2, 10);
    t.feed(CSI "41mfull\r\nrows\r\n" + std::string(8, '\n') + CSI "3J" CSI "0m");
    t.screen.resize(4, 6);
    t.feed(CSI "6Hx\n\n\n\n\n\n");
    EXPECT_EQ(t.screen.scrollbackLines(),
              (std::vector<std::string>{"    ", "    ", "    ", "    ", "    ", "x   "}));
    t.feed(ESC "c" CSI "99S" "y");
    EXPECT_EQ(t.screen.scrollbackLineCount(), 10);
    for (const std::string& line : t.screen.scrollbackLines()) EXPECT_EQ(line, "    ");
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"y", "", "", "", "", ""}));
    EXPECT_EQ(t.cell(1, 0), Cell());
    t.screen.resize(3, 6);
    t.screen.setScrollbackSize(2);
    t.feed(CSI "6H\n\n\n");
    EXPECT_EQ(t.screen.scrollbackLineCount(), 2);
}

}  // namespace
}  // namespace vesper::test

namespace vesper::test {
namespace {

// --- the modes, held once in the core ------------------------------------------------

TEST(TerminalModesTest, FullResetResetsEveryMode) {
    Terminal t(10, 3);
    t.feed(CSI "?1;6;12;45;1000;1006;1004;2004;2026h" CSI "?7;25;1007l" CSI "4;20h" ESC "=");
    EXPECT_TRUE(t.screen.modes().applicationCursorKeys);
    EXPECT_EQ(t.screen.modes().mouse.tracking, MouseTracking::PressRelease);
    EXPECT_EQ(t.screen.modes().mouse.encoding, MouseEncoding::Sgr);
    EXPECT_TRUE(t.screen.modes().applicationKeypad);
    EXPECT_FALSE(t.screen.modes().cursorVisible);
    EXPECT_FALSE(t.screen.modes() == TerminalModes());
    t.feed(ESC "c");
    EXPECT_TRUE(t.screen.modes() == TerminalModes());
}

TEST(TerminalModesTest, SoftResetResetsItsModesAndKeepsTheOthers) {
    Terminal t(10, 3);
    t.feed(CSI "?1;6;12;45;1002;1015;1004;2004;2026h" CSI "?7;25l" CSI "4;20h" ESC "=" CSI "2;3r" CSI "1;4:3;58:5:1m"
           ESC ")0\x0e" CSI "3;4H" ESC "7" CSI "2;5H" CSI "!p");
    const TerminalModes& m = t.screen.modes();
    EXPECT_FALSE(m.applicationCursorKeys || m.applicationKeypad || m.originMode || m.cursorBlink || m.reverseWrap ||
                 m.insertMode);
    EXPECT_TRUE(m.autoWrap && m.cursorVisible);
    // Mouse, focus, paste, synchronized output and new-line mode stay.
    EXPECT_EQ(m.mouse.tracking, MouseTracking::ButtonMotion);
    EXPECT_EQ(m.mouse.encoding, MouseEncoding::Urxvt);
    EXPECT_TRUE(m.focusReporting && m.bracketedPaste && m.synchronizedOutput && m.newLineMode);
    EXPECT_EQ(t.screen.attributes(), CellAttributes());
    EXPECT_FALSE(t.screen.decoration().needsStoring());
    EXPECT_TRUE(t.screen.charsets() == CharsetState());
    EXPECT_EQ(t.screen.scrollTop(), 0);
    EXPECT_EQ(t.screen.scrollBottom(), 2);
    EXPECT_EQ(t.screen.cursorRow(), 2);  // the cursor stays where it was
    EXPECT_EQ(t.screen.cursorColumn(), 4);
    t.feed(ESC "8");  // the saved cursor went home
    EXPECT_EQ(t.screen.cursorRow(), 0);
    EXPECT_EQ(t.screen.cursorColumn(), 0);
}

TEST(TerminalModesTest, MarkedModeSequencesSetNothing) {
    Terminal t(10, 3);
    t.feed(CSI ">4h" CSI "=20h" CSI ">1h");
    EXPECT_TRUE(t.screen.modes() == TerminalModes());
}

TEST(TabStopTest, StopsBeyondANarrowerScreenComeBackWithItsWidth) {
    Terminal t(20, 1);
    t.feed(CSI "3g" CSI "15G" ESC "H\r");
    t.screen.resize(10, 1);
    t.feed("\r\tx");
    EXPECT_EQ(t.screen.cursorColumn(), 10);  // no stop within ten columns: the last one, then x
    t.screen.resize(20, 1);
    t.feed("\r\ty");
    EXPECT_EQ(t.rows()[0], "         x    y");
    t.feed(ESC "c\r\tz");  // a full reset brings back a stop every eight columns
    EXPECT_EQ(t.screen.cursorColumn(), 9);
}

}  // namespace
}  // namespace vesper::test

namespace vesper::test {
namespace {

TEST(WindowReportTest, PixelSizesComeFromTheHost) {
    Terminal t(7, 3);
    t.parser.cellPixelSizeCallback = [](int& width, int& height) {
        width = 9;
        height = 17;
        return true;
    };
    t.feed(CSI "14t" CSI "16t");
    EXPECT_EQ(t.events, (std::vector<std::string>{"reply \\e[4;51;63t", "reply \\e[6;17;9t"}));
}

TEST(WindowReportTest, TitleStackStaysBoundedAndKeepsTheNewest) {
    Terminal t(5, 1);
    for (int i = 0; i < 1000; ++i) t.feed(ESC "]2;t" + std::to_string(i) + "\x07" CSI "22;2t");
    EXPECT_EQ(t.parser.titleStackDepth(), Parser::kMaxTitleStack);
    t.events.clear();
    t.feed(ESC "]2;x\x07" CSI "23;2t");
    EXPECT_EQ(t.events, (std::vector<std::string>{"title x", "title t999"}));
    for (int i = 0; i < 20; ++i) t.feed(CSI "23;2t");
    EXPECT_EQ(t.parser.titleStackDepth(), 0u);
    EXPECT_EQ(t.events.back(), "title t990");
}

}  // namespace
}  // namespace vesper::test
