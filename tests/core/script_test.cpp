// Byte-stream scripts with the screen they must produce.  Every script is
// fed whole, byte by byte through feed(), byte by byte through
// processByte() (no ASCII fast path) and split in two at every point; all
// ways must end in the same state.
#include <gtest/gtest.h>

#include <ostream>

#include "terminal_harness.h"

namespace vesper::test {
namespace {

#define WIDE "\xe4\xb8\xad"      // U+4E2D, double width
#define REPLACEMENT "\xef\xbf\xbd"  // U+FFFD

struct Script {
    const char* name;
    int cols, rows;
    std::string bytes;
    std::vector<std::string> expectedRows;  // view rows, trailing blanks removed
    int cursorRow, cursorColumn;
    std::vector<std::string> events = {};  // replies and mode notifications, in order
};

void PrintTo(const Script& s, std::ostream* os) { *os << s.name; }

std::string repeated(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

#define ACUTE "\xcc\x81"  // U+0301, a combining mark

// DECRQM requests for `modes` (each "?N" or "N") and the replies they get
// when each mode's state is the next digit of `states`.
std::string modeRequests(const std::vector<std::string>& modes) {
    std::string out;
    for (const std::string& mode : modes) out += CSI + mode + "$p";
    return out;
}
std::vector<std::string> modeReplies(const std::vector<std::string>& modes, const std::string& states) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < modes.size(); ++i) out.push_back("reply \\e[" + modes[i] + ";" + states[i] + "$y");
    return out;
}
const std::vector<std::string> kEveryMode = {"?1",    "?6",    "?7",    "?12",   "?25",   "?45",   "?47",
                                             "?1047", "?1048", "?1049", "?9",    "?1000", "?1002", "?1003",
                                             "?1005", "?1006", "?1015", "?1004", "?1007", "?2004", "?2026",
                                             "4",     "20",    "?9999", "9999",  "?4",    "25"};
#define BEL "\x07"
#define ST ESC "\\"

const Script kScripts[] = {
    // --- printing, deferred wrap, wide characters ---
    {"LastColumnLeavesWrapPending", 5, 3, "abcde", {"abcde", "", ""}, 0, 5},
    {"NextCharacterWraps", 5, 3, "abcdef", {"abcde", "f", ""}, 1, 1},
    {"CrLfAfterFullRowAddsNoEmptyLine", 5, 3, "abcde\r\nf", {"abcde", "f", ""}, 1, 1},
    {"WrapOnBottomRowScrolls", 5, 2, "abcdefghijk", {"fghij", "k"}, 1, 1},
    {"AutoWrapOffOverwritesLastColumn", 5, 2, CSI "?7labcdefg", {"abcdg", ""}, 0, 5, {"mode 7 reset private"}},
    {"AutoWrapOffLongRunThenControls", 5, 2, CSI "?7labcdefghij\r\nxy", {"abcdj", "xy"}, 1, 2,
     {"mode 7 reset private"}},
    {"WideCharacterTakesTwoCells", 6, 2, "a" WIDE "b", {"a" WIDE "b", ""}, 0, 4},
    {"WideCharacterInLastColumnWrapsWhole", 5, 2, "abcd" WIDE, {"abcd", WIDE}, 1, 2},
    {"WideCharacterWithoutAutoWrapUsesLastTwoColumns", 5, 2, CSI "?7labcd" WIDE, {"abc" WIDE, ""}, 0, 5,
     {"mode 7 reset private"}},
    {"WideCharacterOnOneColumnScreenAlwaysWraps", 1, 2, WIDE, {"", WIDE}, 1, 1},
    {"NarrowOverLeftHalfLeavesContinuation", 6, 1, WIDE "\rx", {"x"}, 0, 1},
    {"CombiningMarkJoinsItsBase", 5, 1, "e\xcc\x81x", {"e\xcc\x81x"}, 0, 2},
    {"C1ControlCodePointIsDropped", 5, 1, "a\xc2\x85" "b", {"ab"}, 0, 2},
    // Runs of decoded text (one Screen call per run) against the same rules.
    {"MixedTextRunWrapsWideWholeAndScrolls", 4, 2, "a" WIDE "b" WIDE WIDE "c", {WIDE WIDE, "c"}, 1, 1},
    {"ZeroWidthInRunAtRowEndDoesNotWrap", 3, 2, "\xc3\xa9" WIDE "\xcc\x81\xc2\x85x", {"\xc3\xa9" WIDE "\xcc\x81", "x"}, 1, 1},
    {"TextRunWithoutAutoWrapKeepsWideInLastTwoColumns", 3, 1, CSI "?7l\xc3\xa9" WIDE WIDE, {"\xc3\xa9" WIDE}, 0, 3,
     {"mode 7 reset private"}},
    {"TextRunEndsAtInvalidUtf8", 6, 1, "\xc3\xa9\xe4\xb8" "a" WIDE, {"\xc3\xa9" REPLACEMENT "a" WIDE}, 0, 5},
    // Printable ASCII is scanned sixteen bytes at a time: runs ending on
    // every kind of byte, at and after a block's last byte.
    {"AsciiRunsEndAtEveryOtherKindOfByte", 100, 1,
     "ABCDEFGHIJKLMNO~\x7f" "PQRSTUVWXYZabcd\x1f" "efghijklmnopqrstuvw\x80" "xyz0123456789 !\x07" "\xc3\xa9"
     "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
     {"ABCDEFGHIJKLMNO~PQRSTUVWXYZabcdefghijklmnopqrstuvw" REPLACEMENT "xyz0123456789 !\xc3\xa9"
      "ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
     0, 93, {"bell"}},
    // Characters with three more bytes behind them are decoded whole without
    // branching on their length; the byte-by-byte feeds take the long way.
    {"WholeCharactersAtTheEdgesOfEachLength", 20, 1,
     "a\xc2\xa0\xe0\xa0\x80\xef\xbf\xbd\xf0\x90\x80\x80" WIDE "\xf0\x9f\x98\x80\xf4\x8f\xbf\xbf\xdf\xbf\xee\x80\x80\xed\x9f\xbf" "b",
     {"a\xc2\xa0\xe0\xa0\x80\xef\xbf\xbd\xf0\x90\x80\x80" WIDE "\xf0\x9f\x98\x80\xf4\x8f\xbf\xbf\xdf\xbf\xee\x80\x80\xed\x9f\xbf" "b"}, 0, 14},
    // Overlong, surrogate, above U+10FFFF, a lead no sequence starts with,
    // stray and cut sequences, a C1 control and a mark, inside one run.
    {"FaultsInsideALongTextRun", 30, 1,
     "a\xe0\x80\xaf" "b\xed\xa0\x80" "c\xf4\x90\x80\x80" "d\xc1\xbf" "e\x80" "f\xf5\x80\x80\x80" "g\xe4\xb8" "h\xf0\x9f\x98" "i\xc3" WIDE "j\xc2\x85" "k" ACUTE "lmno",
     {"a" REPLACEMENT "b" REPLACEMENT "c" REPLACEMENT "d" REPLACEMENT "e" REPLACEMENT "f" REPLACEMENT "g" REPLACEMENT "h" REPLACEMENT
      "i" REPLACEMENT WIDE "jk" ACUTE "lmno"},
     0, 26},
    // Longer than one decoded block, wide characters wrapping whole.
    {"LongMixedRunWrapsAndScrolls", 30, 3, repeated("\xc3\xa9" WIDE "a", 100),
     {repeated(WIDE "a\xc3\xa9", 7) + WIDE, repeated("a\xc3\xa9" WIDE, 7) + "a\xc3\xa9", repeated(WIDE "a\xc3\xa9", 2) + WIDE "a"}, 2, 11},

    // --- UTF-8 assembly ---
    {"TwoByteSequence", 5, 1, "A\xc3\xa9", {"A\xc3\xa9"}, 0, 2},
    {"TruncatedSequenceThenAscii", 5, 1, "\xc3" "A", {REPLACEMENT "A"}, 0, 2},
    {"SurrogateIsOneReplacement", 5, 1, "\xed\xa0\x80", {REPLACEMENT}, 0, 1},
    {"OverlongIsOneReplacement", 5, 1, "\xc0\x80", {REPLACEMENT}, 0, 1},
    {"LeadByteF8IsReplacement", 5, 1, "\xf8", {REPLACEMENT}, 0, 1},
    {"StrayContinuationIsReplacement", 5, 1, "\x80", {REPLACEMENT}, 0, 1},
    {"AboveMaxCodePointIsOneReplacement", 5, 1, "\xf4\x90\x80\x80", {REPLACEMENT}, 0, 1},
    {"FourByteSequence", 5, 1, "\xf0\x9f\x98\x80", {"\xf0\x9f\x98\x80"}, 0, 2},
    {"SequenceCutByEscape", 5, 1, "\xe2\x82" CSI "31mx", {REPLACEMENT "x"}, 0, 2},
    {"SequenceCutByLineFeed", 5, 2, "\xe2\x82\nx", {REPLACEMENT, " x"}, 1, 2},
    {"DelAndBellPrintNothing", 5, 1, "a\x7f\x07" "b", {"ab"}, 0, 2, {"bell"}},

    // --- C0 controls ---
    {"LineFeedKeepsColumn", 5, 2, "ab\ncd", {"ab", "  cd"}, 1, 4},
    {"VerticalTabAndFormFeedIndex", 5, 3, "a\x0b" "b\x0c" "c", {"a", " b", "  c"}, 2, 3},
    {"BackspaceFromPendingWrapStepsFromLastColumn", 5, 1, "abcde\bx", {"abcxe"}, 0, 4},
    {"BackspaceAtColumnZero", 5, 1, "\bx", {"x"}, 0, 1},
    {"TabFromColumnFive", 20, 1, "12345\tx", {"12345   x"}, 0, 9},
    {"TabFromColumnEight", 20, 1, "12345678\tx", {"12345678        x"}, 0, 17},
    {"TabInLastEightColumnsGoesToLastColumn", 16, 1, CSI "10G\tx", {"               x"}, 0, 16},
    {"TabNeverWraps", 10, 2, "abcdefgh\t\t", {"abcdefgh", ""}, 0, 9},
    {"TabAtPendingWrapKeepsIt", 10, 2, "abcdefghij\tx", {"abcdefghij", "x"}, 1, 1},

    // --- escape sequences and control strings ---
    {"UnsupportedCharsetDesignationIsSkipped", 5, 1, ESC "(Za" ESC "*0b", {"ab"}, 0, 2},
    {"DecalnFillsWithEResetsMarginsAndHomes", 5, 3, "a" ACUTE CSI "2;3r" CSI "3;3H" CSI "1;4:3m" ESC "#8x" ESC "M",
     {"", "xEEEE", "EEEEE"}, 0, 1},
    // Escape sequences collect intermediates up to their final byte; controls inside execute.
    {"UnknownEscapesWithIntermediatesAreConsumed", 8, 1, ESC " Fa" ESC "(%5b" ESC "%Gc" ESC "#3d" ESC "*0e" ESC "( !Bf",
     {"abcdef"}, 0, 6},
    {"ControlInsideEscapeExecutes", 5, 3, "ab" ESC "(\r0q" ESC "\bD", {"\u2500b", "", ""}, 1, 0},
    {"CancelInsideEscapeIntermediateEndsIt", 5, 1, ESC "(\x18" "0q", {"0q"}, 0, 2},
    {"DelInsideEscapeIsIgnored", 5, 2, "a" ESC "\x7f" "D" ESC "(\x7f" "0q", {"a", " \u2500"}, 1, 2},
    {"OscEndedByBell", 5, 1, ESC "]0;title\x07" "a", {"a"}, 0, 1, {"title title", "icon title"}},
    {"OscEndedByStringTerminator", 5, 1, ESC "]0;title" ESC "\\a", {"a"}, 0, 1, {"title title", "icon title"}},
    {"OscEndedByOtherEscape", 8, 1, ESC "]0;title" ESC "[1m", {"[1m"}, 0, 3},
    {"OscEndedByEscapeStartingSequence", 8, 1, ESC "]0;t" ESC ESC "[2Ca", {"  a"}, 0, 3},
    {"OscAbandonedByCancel", 8, 1, ESC "]0;t\x18" "a", {"a"}, 0, 1},
    {"DcsIsSwallowed", 5, 1, ESC "Pqdata" ESC "\\", {""}, 0, 0},
    {"ApcSosPmAreSwallowed", 5, 1, ESC "_x\x07" ESC "Xy\x07" ESC "^z\x07" "a", {"a"}, 0, 1},
    {"StringSwallowsControls", 5, 2, ESC "]0;a\r\nb\x07", {"", ""}, 0, 0, {"title ab", "icon ab"}},
    {"CancelAbandonsControlSequence", 5, 1, CSI "1;2\x18m", {"m"}, 0, 1},
    {"SubstituteAbandonsControlSequence", 5, 1, CSI "5\x1a" "C", {"C"}, 0, 1},
    {"ControlInsideSequenceIsExecuted", 5, 2, "abc" CSI "2\rJ", {"", ""}, 0, 0},
    {"EscapeInsideSequenceIsIgnored", 5, 1, "ab" CSI "1" ESC "D", {"ab"}, 0, 1},
    {"EscapeRestartsAnEscapeSequence", 8, 1, ESC ESC "[2Cx" ESC "(" ESC "[2Cy", {"  x  y"}, 0, 6},
    {"CancelEndsEscapeSequence", 5, 1, ESC "\x18" "a", {"a"}, 0, 1},
    {"DecidRepliesPrimaryAttributes", 5, 1, ESC "Z", {""}, 0, 0, {"reply \\e[?1;2c"}},
    {"SaveAndRestoreCursor", 5, 3, "ab" ESC "7" CSI "3;4Hx" ESC "8y", {"aby", "", "   x"}, 0, 3},
    {"RestoreBringsBackThePendingWrap", 5, 2, "abcde" ESC "7\r\n" ESC "8z", {"abcde", "z"}, 1, 1},
    {"CursorReportAfterRestoringPendingWrap", 5, 2, "abcde" ESC "7" CSI "H" ESC "8" CSI "6n", {"abcde", ""},
     0, 5, {"reply \\e[1;5R"}},
    {"RestoreWithoutSaveGoesHome", 5, 2, CSI "2;3H" ESC "8x", {"x", ""}, 0, 1},
    {"IndexAndNextLine", 5, 3, "ab" ESC "Dc" ESC "Ed", {"ab", "  c", "d"}, 2, 1},
    {"ReverseIndexAtTopScrollsDown", 5, 3, "a\r\nb" CSI "H" ESC "Mc", {"c", "a", "b"}, 0, 1},
    {"ReverseIndexAboveTopMarginStopsAtRowZero", 5, 4, CSI "3;4r" CSI "2H" ESC "M" ESC "Mx", {"x", "", "", ""}, 0, 1},
    {"FullReset", 5, 3, "abc\r\ndef" CSI "?1049h" CSI "2;3r" CSI "?7l" CSI "1m" ESC "c", {"", "", ""}, 0, 0,
     {"mode 1049 set private", "mode 7 reset private"}},
    {"KeypadModesPrintNothing", 5, 1, ESC "=" ESC ">a", {"a"}, 0, 1},

    // --- origin mode, insert mode, new-line mode, reverse wrap ---
    {"OriginModeCountsRowsFromTheTopMargin", 5, 6, CSI "2;4r" CSI "?6h" "a" CSI "2;2Hb" CSI "9;1Hc" CSI "6n",
     {"", "a", " b", "c", "", ""}, 3, 1, {"mode 6 set private", "reply \\e[3;2R"}},
    {"OriginModeVpaAndMarginsHomeToTheRegionTop", 5, 6, CSI "?6h" CSI "3;5r" "a" CSI "9dc", {"", "", "a", "", " c", ""}, 4, 2,
     {"mode 6 set private"}},
    {"OriginModeResetHomesToTheScreenTop", 5, 4, CSI "2;4r" CSI "?6h" CSI "3;3H" CSI "?6lx", {"x", "", "", ""}, 0, 1,
     {"mode 6 set private", "mode 6 reset private"}},
    {"OriginModeIsSavedWithTheCursor", 5, 4, CSI "2;4r" CSI "?6h" ESC "7" CSI "?6l" ESC "8" CSI "Hx", {"", "x", "", ""}, 1, 1,
     {"mode 6 set private", "mode 6 reset private"}},
    {"InsertModeShiftsTheRowAndDropsPastTheMargin", 6, 1, "abcdef" CSI "3G" CSI "4h" "XY" CSI "4l" "Z", {"abXYZd"}, 0, 5,
     {"mode 4 set ansi", "mode 4 reset ansi"}},
    {"InsertModeWithWideAndDecodedText", 6, 1, "abcd" CSI "1G" CSI "4h" WIDE "\xc3\xa9", {WIDE "\xc3\xa9" "abc"}, 0, 3,
     {"mode 4 set ansi"}},
    {"InsertModeAtTheRowEndWraps", 4, 2, "abc" CSI "4h" "xyz", {"abcx", "yz"}, 1, 2, {"mode 4 set ansi"}},
    {"NewLineModeReturnsTheCarriage", 5, 3, CSI "20h" "ab\ncd\x0b" "e" CSI "20l" "\nf", {"cd", "e", " f"}, 2, 2,
     {"mode 20 set ansi", "mode 20 reset ansi"}},
    {"ReverseWrapBacksOverTheRowEnd", 5, 2, CSI "?45h" "abcdefg" CSI "2;1H\b\bX", {"abcXe", "fg"}, 0, 4,
     {"mode 45 set private"}},
    {"ReverseWrapCubCrossesRows", 5, 2, CSI "?45h" CSI "2;2H" CSI "3DX" CSI "9DY", {"Y  X", ""}, 0, 1, {"mode 45 set private"}},
    {"ReverseWrapNeedsAutoWrap", 5, 2, CSI "?45h" CSI "?7l" CSI "2;1H\bX", {"", "X"}, 1, 1,
     {"mode 45 set private", "mode 7 reset private"}},

    // --- tab stops, relative moves, column operations, soft reset ---
    {"TabStopsSetAndCleared", 20, 1, CSI "3g" "\tA\r" CSI "5G" ESC "H" CSI "12G" ESC "H" "\r\tB\tC\tD",
     {"    B      C       D"}, 0, 20},
    {"TabClearAtCursor", 20, 1, CSI "9G" CSI "g" "\r\tA", {"                A"}, 0, 17},
    {"ChtAndCbt", 30, 1, CSI "2IA" CSI "ZB" CSI "3ZC" CSI "I" CSI "0ID", {"C               D"}, 0, 17},
    {"ChtAtPendingWrapKeepsIt", 5, 2, "abcde" CSI "Ix", {"abcde", "x"}, 1, 1},
    {"CbtFromPendingWrap", 10, 1, "abcdefghij" CSI "Zx", {"abcdefghxj"}, 0, 9},
    {"HprAndVpr", 10, 3, "a" CSI "3aB" CSI "eC" CSI "9eD", {"a   B", "     C", "      D"}, 2, 7},
    {"ScrollLeftAndRightMoveTheRegionRows", 5, 3, "abcde\r\nfghij\r\nklmno" CSI "2;3r" CSI "2 @" CSI " A",
     {"abcde", " hij", " mno"}, 0, 0},
    {"DecicInsertsColumnsInTheRegion", 5, 3, "abcde\r\nfghij\r\nklmno" CSI "2;3r" CSI "2;2H" CSI "2'}",
     {"abcde", "f  gh", "k  lm"}, 1, 1},
    {"DecdcDeletesColumnsInTheRegion", 5, 3, "abcde\r\nfghij\r\nklmno" CSI "2;3r" CSI "2;2H" CSI "2'~",
     {"abcde", "fij", "kno"}, 1, 1},
    {"DecicOutsideTheRegionDoesNothing", 5, 3, "abcde\r\nfghij\r\nklmno" CSI "2;3r" CSI "1;2H" CSI "2'}",
     {"abcde", "fghij", "klmno"}, 0, 1},
    {"SoftResetKeepsTheScreenAndCursor", 6, 3, "abcdef" CSI "2;3r" CSI "?6h" ESC "(0" CSI "2 q" CSI "2;2H" CSI "!pq"
     CSI "1;1Hx", {"xbcdef", "", " q"}, 0, 1, {"mode 6 set private", "cursor-style 2", "cursor-style 0"}},

    // --- control sequences: collection ---
    {"ParameterWrapsModulo2To32", 10, 1, "x" CSI "4294967299Cy", {"x   y"}, 0, 5},
    {"ElevenNinesWrap", 10, 2, CSI "99999999999B", {"", ""}, 1, 0},
    {"UnknownIntermediateSequencesAreIgnored", 5, 1, "abc\r" CSI "2 B" CSI "1#q" CSI "?1 q" CSI "?2'}", {"abc"}, 0, 0},
    {"EmptyFirstParameter", 5, 5, CSI ";3H", {"", "", "", "", ""}, 0, 2},
    {"EmptyLastParameterNotStored", 5, 5, CSI "3;H", {"", "", "", "", ""}, 2, 0},
    {"UnsupportedFinalIsConsumed", 5, 1, "a" CSI "5ib", {"ab"}, 0, 2},

    // --- cursor movement ---
    {"CupHome", 5, 5, CSI "3;3H" CSI "H", {"", "", "", "", ""}, 0, 0},
    {"CupRowOnly", 5, 6, CSI "5H", {"", "", "", "", "", ""}, 4, 0},
    {"CupZeroZero", 5, 5, CSI "3;3H" CSI "0;0H", {"", "", "", "", ""}, 0, 0},
    {"CupClampsToScreen", 5, 5, CSI "999;999H", {"", "", "", "", ""}, 4, 4},
    {"CupNegativeMeansFirst", 5, 5, CSI "3;3H" CSI "2147483648;4294967295H", {"", "", "", "", ""}, 0, 0},
    {"HvpAsCup", 5, 5, CSI "2;3f", {"", "", "", "", ""}, 1, 2},
    {"CuuStopsAtTopMarginFromInside", 5, 6, CSI "2;5r" CSI "4H" CSI "9A", {"", "", "", "", "", ""}, 1, 0},
    {"CudStopsAtBottomMarginFromInside", 5, 6, CSI "2;5r" CSI "3H" CSI "9B", {"", "", "", "", "", ""}, 4, 0},
    // Every motion from the pending wrap starts on the last column and ends the wrap.
    {"CuuLeavesPendingWrap", 5, 2, "\nabcde" CSI "Af", {"    f", "abcde"}, 0, 5},
    {"CudLeavesPendingWrap", 5, 2, "abcde" CSI "Bx", {"abcde", "    x"}, 1, 5},
    {"CufLeavesPendingWrap", 5, 1, "abcde" CSI "Cx", {"abcdx"}, 0, 5},
    {"VpaLeavesPendingWrap", 5, 2, "abcde" CSI "2dx", {"abcde", "    x"}, 1, 5},
    {"LineFeedLeavesPendingWrap", 5, 2, "abcde\nx", {"abcde", "    x"}, 1, 5},
    {"IndexLeavesPendingWrap", 5, 2, "abcde" ESC "Dx", {"abcde", "    x"}, 1, 5},
    {"ReverseIndexLeavesPendingWrap", 5, 2, "\nabcde" ESC "Mx", {"    x", "abcde"}, 0, 5},
    {"NextLineFromPendingWrap", 5, 2, "abcde" ESC "Ex", {"abcde", "x"}, 1, 1},
    {"EchAtPendingWrapErasesTheLastColumn", 5, 1, "abcde" CSI "X", {"abcd"}, 0, 4},
    {"CufClampsAtLastColumn", 5, 1, CSI "99Cx", {"    x"}, 0, 5},
    {"CufHugeCount", 5, 1, "a" CSI "2147483647Cx", {"a   x"}, 0, 5},
    {"CubFromPendingWrapStepsFromLastColumn", 5, 1, "abcde" CSI "Dx", {"abcxe"}, 0, 4},
    {"CubHugeCount", 5, 1, "abc" CSI "2147483647Dx", {"xbc"}, 0, 1},
    {"CnlGoesDownAndHome", 10, 8, CSI "4;8H" CSI "2E", {"", "", "", "", "", "", "", ""}, 5, 0},
    {"CnlStopsAtBottomMargin", 10, 8, CSI "1;5r" CSI "4;8H" CSI "3E", {"", "", "", "", "", "", "", ""}, 4, 0},
    {"CplGoesUpAndHome", 10, 8, CSI "4;8H" CSI "2F", {"", "", "", "", "", "", "", ""}, 1, 0},
    {"ChaAndHpa", 10, 1, CSI "4Ga" CSI "8`b" CSI "0Gc", {"c  a   b"}, 0, 1},
    {"VpaKeepsColumn", 5, 4, "ab" CSI "3dc", {"ab", "", "  c", ""}, 2, 3},

    // --- erasing ---
    {"EdBelowFromCursor", 5, 3, "abcde\r\nfghij\r\nklmno" CSI "2;3H" CSI "J", {"abcde", "fg", ""}, 1, 2},
    {"EdAboveThroughCursor", 5, 3, "abcde\r\nfghij\r\nklmno" CSI "2;3H" CSI "1J", {"", "   ij", "klmno"}, 1, 2},
    {"EdAllKeepsCursor", 5, 3, "abcde\r\nfghij" CSI "2J", {"", "", ""}, 1, 5},
    {"EdUnknownModeErasesNothing", 5, 2, "ab" CSI "4J", {"ab", ""}, 0, 2},
    {"EdBelowAtPendingWrapErasesFromTheLastColumn", 5, 2, "abcde" CSI "J", {"abcd", ""}, 0, 4},
    {"ElToEnd", 5, 1, "abcde" CSI "3G" CSI "K", {"ab"}, 0, 2},
    {"ElToCursorInclusive", 5, 1, "abcde" CSI "3G" CSI "1K", {"   de"}, 0, 2},
    {"ElWholeLine", 5, 1, "abcde" CSI "3G" CSI "2K", {""}, 0, 2},
    {"ElAtPendingWrapErasesTheLastColumn", 5, 1, "abcde" CSI "K", {"abcd"}, 0, 4},
    {"ElStartAtPendingWrapErasesAll", 5, 1, "abcde" CSI "1K", {""}, 0, 4},
    {"EchErasesCount", 20, 1, "abcdefghijklmnopqrst" CSI "6G" CSI "5X", {"abcde     klmnopqrst"}, 0, 5},
    {"EchClampsToRow", 20, 1, "abcdefghijklmnopqrst" CSI "6G" CSI "100X", {"abcde"}, 0, 5},
    {"EchHugeCount", 20, 1, "abcdefghijklmnopqrst" CSI "6G" CSI "2147483647X", {"abcde"}, 0, 5},

    // --- inserting and deleting characters ---
    {"IchShiftsRight", 20, 1, "abcdefghijklmnopqrst" CSI "6G" CSI "3@", {"abcde   fghijklmnopq"}, 0, 5},
    {"IchHugeCount", 20, 1, "abcdefghijklmnopqrst" CSI "6G" CSI "2147483647@", {"abcde"}, 0, 5},
    {"IchAtPendingWrapActsOnTheLastColumn", 5, 1, "abcde" CSI "3@", {"abcd"}, 0, 4},
    {"DchShiftsLeft", 20, 1, "abcdefghijklmnopqrst" CSI "6G" CSI "3P", {"abcdeijklmnopqrst"}, 0, 5},
    {"DchHugeCount", 20, 1, "abcdefghijklmnopqrst" CSI "6G" CSI "2147483647P", {"abcde"}, 0, 5},
    {"DchAtPendingWrapActsOnTheLastColumn", 5, 1, "abcde" CSI "P", {"abcd"}, 0, 4},

    // --- inserting and deleting lines ---
    {"IlInsideMargins", 3, 5, "a\r\nb\r\nc\r\nd\r\ne" CSI "1;4r" CSI "2;2H" CSI "2L", {"a", "", "", "b", "e"}, 1, 0},
    {"IlOutsideMarginsDoesNothing", 3, 5, "a\r\nb\r\nc\r\nd\r\ne" CSI "2;4r" CSI "5;2H" CSI "2L",
     {"a", "b", "c", "d", "e"}, 4, 1},
    {"IlHugeCount", 3, 4, "a\r\nb\r\nc\r\nd" CSI "2H" CSI "2147483647L", {"a", "", "", ""}, 1, 0},
    {"DlInsideMargins", 3, 5, "a\r\nb\r\nc\r\nd\r\ne" CSI "1;4r" CSI "2;2H" CSI "2M", {"a", "d", "", "", "e"}, 1, 0},
    {"DlHugeCount", 3, 4, "a\r\nb\r\nc\r\nd" CSI "2H" CSI "2147483647M", {"a", "", "", ""}, 1, 0},

    // --- scrolling ---
    {"SuScrollsRegion", 3, 4, "a\r\nb\r\nc\r\nd" CSI "2S", {"c", "d", "", ""}, 3, 1},
    {"SuWithMarginsKeepsRowsOutside", 3, 5, "a\r\nb\r\nc\r\nd\r\ne" CSI "2;4r" CSI "S", {"a", "c", "d", "", "e"}, 0, 0},
    {"SuWithBottomMarginKeepsRowsBelow", 3, 4, "a\r\nb\r\nc\r\nd" CSI "1;3r" CSI "S", {"b", "c", "", "d"}, 0, 0},
    {"SdScrollsRegionDown", 3, 4, "a\r\nb\r\nc\r\nd" CSI "2T", {"", "", "a", "b"}, 3, 1},
    {"SdWithFiveParametersDoesNothing", 3, 4, "a\r\nb\r\nc\r\nd" CSI "1;2;3;4;5T", {"a", "b", "c", "d"}, 3, 1},
    {"SdHugeCount", 3, 3, "a\r\nb\r\nc" CSI "2147483647T", {"", "", ""}, 2, 1},
    {"LineFeedOnBottomMarginScrollsRegionOnly", 3, 4, "a\r\nb\r\nc\r\nd" CSI "1;3r" CSI "3H\nx", {"b", "c", "x", "d"},
     2, 1},
    {"LineFeedBelowMarginMovesDown", 3, 4, CSI "1;2r" CSI "3H\nx", {"", "", "", "x"}, 3, 1},
    {"LineFeedOnLastRowBelowMarginDoesNothing", 3, 4, CSI "1;2r" CSI "4Hx\ny", {"", "", "", "xy"}, 3, 2},

    // --- margins ---
    {"SetMarginsHomesCursor", 5, 12, CSI "3;3H" CSI "5;10r\n\n\n\n\n\n\n\n\n\n\n\nx", {"", "", "", "", "", "", "", "", "", "x",
     "", ""}, 9, 1},
    {"ReversedMarginsChangeNothing", 5, 4, CSI "2;2H" CSI "3;2r" CSI "2;2r", {"", "", "", ""}, 1, 1},
    {"SingleParameterSetsTheTopOnly", 3, 4, "a\r\nb\r\nc\r\nd" CSI "2r" CSI "4H\nx", {"a", "c", "d", "x"}, 3, 1},
    {"NoParametersResetMarginsAndHome", 5, 4, CSI "2;3r" CSI "3;3H" CSI "r" "x" ESC "My", {" y", "x", "", ""}, 0, 2},
    {"OneRowRegionIsIgnored", 5, 4, CSI "2;3r" CSI "3;3H" CSI "4r" CSI "4;4r" CSI "3;3r" "z" CSI "3Hx\ny",
     {"", "x z", " y", ""}, 2, 2},
    {"ZeroBottomMeansLastRow", 3, 4, "a\r\nb\r\nc\r\nd" CSI "2;0r" CSI "4H\nx", {"a", "c", "d", "x"}, 3, 1},

    // --- device reports ---
    {"CursorPositionReport", 10, 5, CSI "3;5H" CSI "6n" CSI "?6n", {"", "", "", "", ""}, 2, 4,
     {"reply \\e[3;5R", "reply \\e[?3;5R"}},
    {"CursorPositionReportAtPendingWrapSaysLastColumn", 5, 1, "abcde" CSI "6n", {"abcde"}, 0, 5, {"reply \\e[1;5R"}},
    {"StatusReport", 5, 1, CSI "5n" CSI "n" CSI "7n", {""}, 0, 0, {"reply \\e[0n"}},
    {"DeviceAttributes", 5, 1, CSI "c" CSI "0c" CSI "?c" CSI ">c" CSI ">0c" CSI "=c", {""}, 0, 0,
     {"reply \\e[?1;2c", "reply \\e[?1;2c", "reply \\e[?1;2c", "reply \\e[>0;10;0c", "reply \\e[>0;10;0c"}},

    // --- modes and screens ---
    {"ModeNotifications", 5, 1, CSI "?25l" CSI "4h" CSI "?1;2004h" CSI ">5h", {""}, 0, 0,
     {"mode 25 reset private", "mode 4 set ansi", "mode 1 set private", "mode 2004 set private",
      "mode 5 set ansi"}},
    {"AlternateScreen1049RoundTrip", 5, 2, "ab" CSI "1m" CSI "?1049hxy" CSI "0m" CSI "?1049lc", {"abc", ""}, 0, 3,
     {"mode 1049 set private", "mode 1049 reset private"}},
    {"AlternateScreen1049EntryBlanks", 5, 2, CSI "?1049hold" CSI "?1049l" CSI "?1049h", {"", ""}, 0, 0,
     {"mode 1049 set private", "mode 1049 reset private", "mode 1049 set private"}},
    {"AlternateScreen47KeepsContent", 5, 2, "p" CSI "?47hq" CSI "?47l" CSI "?47h", {" q", ""}, 0, 2,
     {"mode 47 set private", "mode 47 reset private", "mode 47 set private"}},
    {"Mode1047LeavingBlanksAlternate", 5, 2, "p" CSI "?1047hq" CSI "?1047l" CSI "?47h", {"", ""}, 0, 2,
     {"mode 1047 set private", "mode 1047 reset private", "mode 47 set private"}},
    {"Mode1048SavesAndRestores", 5, 3, CSI "2;3H" CSI "?1048h" CSI "H" CSI "?1048lx", {"", "  x", ""}, 1, 3,
     {"mode 1048 set private", "mode 1048 reset private"}},
    {"EachScreenHasItsSavedCursor", 10, 5, CSI "2;3H" CSI "?1049h" CSI "4;5H" ESC "7" CSI "?1049l" "x",
     {"", "  x", "", "", ""}, 1, 3, {"mode 1049 set private", "mode 1049 reset private"}},
    {"AlternateSavedCursorOutlivesLeaving", 10, 5, CSI "?1049h" CSI "4;5H" ESC "7" CSI "?1049l" CSI "?1049h" ESC "8x",
     {"", "", "", "    x", ""}, 3, 5,
     {"mode 1049 set private", "mode 1049 reset private", "mode 1049 set private"}},
    {"CsiSaveRestore", 5, 3, CSI "2;3H" CSI "s" CSI "H" CSI "ux", {"", "  x", ""}, 1, 3},

    // --- character sets ---
    {"DecGraphicsDrawsABox", 5, 3, ESC "(0" "lqk\r\nx x\r\nmqj" ESC "(B" "q",
     {"\u250c\u2500\u2510", "\u2502 \u2502", "\u2514\u2500\u2518q"}, 2, 4},
    {"DecGraphicsWholeTable", 40, 1, ESC "(0" "^_`abcdefghijklmnopqrstuvwxyz{|}~",
     {"^ \u25c6\u2592\u2409\u240c\u240d\u240a\u00b0\u00b1\u2424\u240b\u2518\u2510\u250c\u2514\u253c"
      "\u23ba\u23bb\u2500\u23bc\u23bd\u251c\u2524\u2534\u252c\u2502\u2264\u2265\u03c0\u2260\u00a3\u00b7"},
     0, 33},
    {"UkSetChangesOnlyTheHash", 5, 1, ESC "(A" "#a$", {"\u00a3a$"}, 0, 3},
    {"ShiftOutSelectsG1ShiftInG0", 5, 1, ESC ")0" "q\x0eq\x0fq", {"q\u2500q"}, 0, 3},
    {"DecodedTextIsNeverTranslated", 5, 1, ESC "(0" "\xc3\xa9q" WIDE "q", {"\xc3\xa9\u2500" WIDE "\u2500"}, 0, 5},
    {"CharsetsSavedWithTheCursor", 5, 1, "a" ESC "(0" ESC "7" ESC "(B" "q" ESC "8" "q", {"a\u2500"}, 0, 2},
    {"CharsetsRestoredWhenLeaving1049", 5, 1, ESC "(0" CSI "?1049h" ESC "(B" CSI "?1049l" "q", {"\u2500"}, 0, 1,
     {"mode 1049 set private", "mode 1049 reset private"}},
    {"FullResetReturnsToAscii", 5, 1, ESC ")0\x0e" ESC "c" "q", {"q"}, 0, 1},

    // --- combining marks and zero-width characters ---
    {"MarkAtPendingWrapJoinsLastColumn", 3, 2, "abc" ACUTE, {"abc" ACUTE, ""}, 0, 3},
    {"MarkAfterWideJoinsItsLeftHalf", 4, 1, "a" WIDE ACUTE, {"a" WIDE ACUTE}, 0, 3},
    {"MarkInColumnZeroIsDropped", 3, 1, ACUTE "a", {"a"}, 0, 1},
    {"ZeroWidthJoinerAndVariationSelectorAttach", 3, 1, "a\xe2\x80\x8d\xef\xb8\x8f\xe2\x80\x8b", {"a\u200d\ufe0f\u200b"}, 0, 1},
    {"FifteenMarksKept", 3, 1, "e" + repeated(ACUTE, 20), {"e" + repeated(ACUTE, 15)}, 0, 1},
    {"MarkOnBlankCellGivesSpaceAndMark", 5, 1, "a" CSI "2C" ACUTE, {"a  " ACUTE}, 0, 3},
    {"OverwriteClearsMarks", 3, 1, "e" ACUTE "\rx", {"x"}, 0, 1},
    {"EraseClearsMarks", 3, 1, "ab" ACUTE CSI "1K", {""}, 0, 2},
    {"InsertMovesMarksWithTheirCell", 4, 1, "e" ACUTE "\r" CSI "@", {" e" ACUTE}, 0, 0},
    {"DeleteMovesMarksWithTheirCell", 4, 1, "xe" ACUTE "\r" CSI "P", {"e" ACUTE}, 0, 0},
    {"MarksScrollWithTheirLine", 3, 2, "e" ACUTE "\r\n\n", {"", ""}, 1, 0},

    // --- REP ---
    {"RepRepeatsTheLastCharacter", 10, 1, "ab" CSI "3b", {"abbbb"}, 0, 5},
    {"RepAbsentOrZeroCountIsOne", 10, 1, "a" CSI "b" "c" CSI "0b", {"aacc"}, 0, 4},
    {"RepAtMostARow", 5, 2, "a" CSI "99b", {"aaaaa", "a"}, 1, 1},
    {"RepAfterAControlDoesNothing", 5, 1, "a\r" CSI "2b", {"a"}, 0, 0},
    {"RepAfterASequenceDoesNothing", 5, 1, "a" CSI "1m" CSI "2b", {"a"}, 0, 1},
    {"RepAfterRepDoesNothing", 5, 1, "a" CSI "b" CSI "b", {"aa"}, 0, 2},
    {"RepAfterACancelledSequenceDoesNothing", 5, 1, "a" CSI "1\x18" CSI "2b", {"a"}, 0, 1},
    {"RepAfterAStringDoesNothing", 5, 1, "a" ESC "]2;t\x07" CSI "2b", {"a"}, 0, 1, {"title t"}},
    {"RepRepeatsTheTranslatedCharacter", 5, 1, ESC "(0q" CSI "2b", {"\u2500\u2500\u2500"}, 0, 3},
    {"RepRepeatsTheBaseNotTheMark", 5, 1, "e" ACUTE CSI "2b", {"e" ACUTE "ee"}, 0, 3},
    {"RepRepeatsWideCharacters", 6, 1, WIDE CSI "2b", {WIDE WIDE WIDE}, 0, 6},
    {"RepWithPrivateMarkerIsIgnored", 5, 1, "a" CSI "?2b", {"a"}, 0, 1},
    {"RepBeforeAnyCharacterDoesNothing", 5, 1, CSI "3b", {""}, 0, 0},
    {"RepAfterAC1ControlDoesNothing", 5, 1, "a\xc2\x85" CSI "2b" "\xc3\xa9\xc2\x9f" CSI "b", {"a\xc3\xa9"}, 0, 2},
    {"RepAfterDeleteDoesNothing", 5, 1, "a\x7f" CSI "2b", {"a"}, 0, 1},
    {"RepAfterAC1ControlThenACharacterRepeatsIt", 5, 1, "a\xc2\x85" "b" CSI "b", {"abb"}, 0, 3},

    // --- mode requests, version, status strings, window reports ---
    {"ModeRequestsAtTheDefaults", 5, 1, modeRequests(kEveryMode), {""}, 0, 0,
     modeReplies(kEveryMode, "221212222222222222122220000")},
    {"ModeRequestsAfterSettingThem", 5, 1,
     CSI "?1;6;12;45;1049;1002;1006;1004;2004;2026h" CSI "?7;25;1007l" CSI "4;20h" + modeRequests(kEveryMode), {""}, 0, 0,
     [] {
         std::vector<std::string> events = {"mode 1 set private",    "mode 6 set private",    "mode 12 set private",
                                            "mode 45 set private",   "mode 1049 set private", "mode 1002 set private",
                                            "mode 1006 set private", "mode 1004 set private", "mode 2004 set private",
                                            "mode 2026 set private", "mode 7 reset private",  "mode 25 reset private",
                                            "mode 1007 reset private", "mode 4 set ansi",     "mode 20 set ansi"};
         for (const std::string& reply : modeReplies(kEveryMode, "112121112122122121211110000")) events.push_back(reply);
         return events;
     }()},
    {"ModeRequestForANumberBeyondTheIntRange", 5, 1, CSI "?4294967295$p" CSI "2147483654$p", {""}, 0, 0,
     {"reply \\e[?4294967295;0$y", "reply \\e[2147483654;0$y"}},
    {"XtversionNamesTheTerminal", 5, 1, CSI ">q" CSI ">0q" CSI ">1q" CSI "q", {""}, 0, 0,
     {"reply \\eP>|lumenvale " LUMENVALE_VERSION "\\e\\", "reply \\eP>|lumenvale " LUMENVALE_VERSION "\\e\\"}},
    {"StatusStringOfTheRendition", 5, 1, CSI "1;2;3;4:3;7;8;9;53;31;48;2;1;2;3;58:5:9m" ESC "P$qm" ST, {""}, 0, 0,
     {"reply \\eP1$r0;1;2;3;4:3;7;8;9;53;31;48:2::1:2:3;58:5:9m\\e\\"}},
    {"StatusStringOfColoursInEachRange", 5, 1, CSI "95;44;4;58:2::10:20:30m" ESC "P$qm" BEL CSI "0;38;5;100;48;5;12m" ESC "P$qm" ST
     CSI "0;21m" ESC "P$qm" ST CSI "0m" ESC "P$qm" ST, {""}, 0, 0,
     {"reply \\eP1$r0;4;95;44;58:2::10:20:30m\\e\\", "reply \\eP1$r0;38:5:100;104m\\e\\", "reply \\eP1$r0;4:2m\\e\\",
      "reply \\eP1$r0m\\e\\"}},
    {"StatusStringsOfMarginsAndCursorStyle", 5, 6, CSI "2;4r" ESC "P$qr" ST ESC "P$q q" ST CSI "5 q" ESC "P$q q" ST, {"", "", "", "", "", ""},
     0, 0, {"reply \\eP1$r2;4r\\e\\", "reply \\eP1$r1 q\\e\\", "cursor-style 5", "reply \\eP1$r5 q\\e\\"}},
    {"StatusStringOfAnythingElseIsInvalid", 5, 1, ESC "P$qx" ST ESC "P$q\"q" ST ESC "P$q" + repeated("m", 40) + ST ESC "P1$qm" ST "a",
     {"a"}, 0, 1, {"reply \\eP0$r\\e\\", "reply \\eP0$r\\e\\"}},
    {"WindowReportsInCharactersOnly", 7, 3, CSI "18t" CSI "19t" CSI "14t" CSI "16t" CSI "21t" CSI "8;1;1t" CSI "3;0;0t",
     {"", "", ""}, 0, 0, {"reply \\e[8;3;7t", "reply \\e[9;3;7t"}},
    {"TitleStackPushesAndPops", 5, 1, ESC "]0;one" BEL CSI "22;0t" CSI "22t" ESC "]2;two" BEL ESC "]1;ic" BEL CSI "23;2t"
     CSI "23;1t" CSI "23t" CSI "22;3t" CSI "23;3t", {""}, 0, 0,
     {"title one", "icon one", "title two", "icon ic", "title one", "icon one"}},

    // --- colours a program queries and sets ---
    {"ColourQueriesAnswerWithTheirTerminator", 5, 1, ESC "]10;?" BEL ESC "]11;?" ST ESC "]12;?" ST ESC "]4;1;?;255;?" BEL, {""}, 0,
     0, {"reply \\e]10;rgb:e5e5/e5e5/e5e5" BEL, "reply \\e]11;rgb:0000/0000/0000\\e\\", "reply \\e]12;rgb:e5e5/e5e5/e5e5\\e\\",
         "reply \\e]4;1;rgb:cdcd/0000/0000" BEL, "reply \\e]4;255;rgb:eeee/eeee/eeee" BEL}},
    {"ColourSpecsInEveryForm", 5, 1,
     ESC "]4;1;#abc;2;#a1b2c3;3;#aaabbbccc;4;#aaaabbbbcccc;5;rgb:f/80/fff;6;rgb:8/0/ffff" BEL ESC "]4;1;?;2;?;3;?;4;?;5;?;6;?" ST,
     {""}, 0, 0,
     {"reply \\e]4;1;rgb:a0a0/b0b0/c0c0\\e\\", "reply \\e]4;2;rgb:a1a1/b2b2/c3c3\\e\\", "reply \\e]4;3;rgb:aaaa/bbbb/cccc\\e\\",
      "reply \\e]4;4;rgb:aaaa/bbbb/cccc\\e\\", "reply \\e]4;5;rgb:ffff/8080/ffff\\e\\", "reply \\e]4;6;rgb:8888/0000/ffff\\e\\"}},
    {"BadColourSpecsChangeNothing", 5, 1,
     ESC "]4;1;red;1;#12;1;rgb:1/2;1;rgb:12345/0/0;1;rgb:x/0/0;1;#1234;1;rgb:/1/2;1;" BEL ESC "]4;1;?" BEL ESC "]4;300;#fff;1;?" BEL,
     {""}, 0, 0, {"reply \\e]4;1;rgb:cdcd/0000/0000" BEL}},
    {"ForegroundSpecsGoOnToBackgroundAndCursor", 5, 1, ESC "]10;#010203;#040506;#070809;#0a0b0c" BEL ESC "]10;?;?;?" BEL, {""}, 0, 0,
     {"reply \\e]10;rgb:0101/0202/0303" BEL, "reply \\e]11;rgb:0404/0505/0606" BEL, "reply \\e]12;rgb:0707/0808/0909" BEL}},
    {"ColourResets", 5, 1,
     ESC "]4;1;#111;2;#222;3;#333" BEL ESC "]10;#444;#555;#666" BEL ESC "]104;1;x;3" BEL ESC "]110" BEL ESC "]112" ST
     ESC "]4;1;?;2;?;3;?" BEL ESC "]10;?;?;?" BEL ESC "]104" BEL ESC "]111" BEL ESC "]4;2;?" BEL ESC "]11;?" BEL, {""}, 0, 0,
     {"reply \\e]4;1;rgb:cdcd/0000/0000" BEL, "reply \\e]4;2;rgb:2020/2020/2020" BEL, "reply \\e]4;3;rgb:cdcd/cdcd/0000" BEL,
      "reply \\e]10;rgb:e5e5/e5e5/e5e5" BEL, "reply \\e]11;rgb:5050/5050/5050" BEL, "reply \\e]12;rgb:e5e5/e5e5/e5e5" BEL,
      "reply \\e]4;2;rgb:0000/cdcd/0000" BEL, "reply \\e]11;rgb:0000/0000/0000" BEL}},
    {"FullAndSoftResetDropTheOverrides", 5, 1, ESC "]4;1;#111" BEL ESC "c" ESC "]4;1;?" BEL ESC "]11;#222" BEL CSI "!p" ESC "]11;?" BEL,
     {""}, 0, 0, {"reply \\e]4;1;rgb:cdcd/0000/0000" BEL, "reply \\e]11;rgb:0000/0000/0000" BEL}},

    // --- keyboard reporting requests ---
    {"KeyboardFlagsPushSetPopAndQuery", 5, 1,
     CSI "?u" CSI ">1u" CSI "?u" CSI ">5u" CSI "=2;2u" CSI "?u" CSI "=1;3u" CSI "?u" CSI "=8u" CSI "=9;4u" CSI "?u" CSI "<u" CSI "?u"
     CSI "<u" CSI "?u" CSI "<5u" CSI ">255u" CSI "?u",
     {""}, 0, 0,
     {"reply \\e[?0u", "reply \\e[?1u", "reply \\e[?7u", "reply \\e[?6u", "reply \\e[?8u", "reply \\e[?1u", "reply \\e[?0u",
      "reply \\e[?31u"}},
    {"KeyboardStackForgetsItsOldestEntryWhenFull", 5, 1, CSI "=5u" + repeated(CSI ">1u", 17) + CSI "<16u" CSI "?u" CSI "<u" CSI "?u",
     {""}, 0, 0, {"reply \\e[?1u", "reply \\e[?0u"}},
    {"EachScreenKeepsItsOwnKeyboardFlags", 5, 1,
     CSI ">1u" CSI "?1049h" CSI "?u" CSI ">3u" CSI "?u" CSI "?1049l" CSI "?u" CSI "?1049h" CSI "?u" CSI ">2u" ESC "c" CSI "?u"
     CSI "?1049l" CSI "?u",
     {""}, 0, 0,
     {"mode 1049 set private", "reply \\e[?0u", "reply \\e[?3u", "mode 1049 reset private", "reply \\e[?1u",
      "mode 1049 set private", "reply \\e[?0u", "reply \\e[?0u", "mode 1049 reset private", "reply \\e[?0u"}},
    {"ModifyOtherKeysSetResetAndQuery", 5, 1,
     CSI "?4m" CSI ">4;2m" CSI "?4m" CSI ">4;1m" CSI ">4;5m" CSI ">1;2m" CSI "?4m" CSI ">4m" CSI "?4m" CSI ">4;2m" CSI ">4n"
     CSI "?4m" CSI ">4;2m" ESC "c" CSI "?4m" CSI ">4;1m" "a" ESC "P$qm" ST,
     {"a"}, 0, 1,
     {"reply \\e[>4;0m", "reply \\e[>4;2m", "reply \\e[>4;1m", "reply \\e[>4;0m", "reply \\e[>4;0m", "reply \\e[>4;0m",
      "reply \\eP1$r0m\\e\\"}},
    {"MarkedStatusReportsOtherThanModifyKeysAreNotAnswered", 5, 1, CSI ">5n" CSI ">6n", {""}, 0, 0},

    // --- titles, directory, bell, cursor style ---
    {"OscOneIsTheIconNameOnly", 5, 1, ESC "]1;i\x07", {""}, 0, 0, {"icon i"}},
    {"OscTwoIsTheTitleOnly", 5, 1, ESC "]2;t" ESC "\\", {""}, 0, 0, {"title t"}},
    {"OscSevenIsTheDirectory", 5, 1, ESC "]7;file://host/tmp\x07", {""}, 0, 0, {"cwd file://host/tmp"}},
    {"TitleInvalidUtf8BecomesReplacement", 5, 1, ESC "]2;a\xff\xc3\x07", {""}, 0, 0,
     {"title a" REPLACEMENT REPLACEMENT}},
    {"TitleDropsControls", 5, 1, ESC "]2;a\nb\rc\bd\te\x7f" "f\xc2\x80g\xc2\x9fh\xc2\xa0\x07", {""}, 0, 0,
     {"title abcdefgh\u00a0"}},
    {"TitlesDropBidiEmbeddingsOverridesAndIsolates", 5, 1,
     ESC "]0;\u2029a\u202ab\u202ec\u202f\u2065d\u2066e\u2069f\u206a\u200f\x07", {""}, 0, 0,
     {"title \u2029abc\u202f\u2065def\u206a\u200f", "icon \u2029abc\u202f\u2065def\u206a\u200f"}},
    {"DirectoryDropsControlsButNotBidiMarks", 5, 1, ESC "]7;file:///t\tm\x7fp\xc2\x85/\u202e\x07", {""}, 0, 0,
     {"cwd file:///tmp/\u202e"}},
    {"TitleAtTheLimitIsKept", 5, 1, ESC "]2;" + repeated("x", 4096) + "\x07", {""}, 0, 0,
     {"title " + repeated("x", 4096)}},
    {"TitleOverTheLimitIsIgnored", 5, 1, ESC "]2;" + repeated("x", 4097) + "\x07" "a", {"a"}, 0, 1},
    {"HugeOscIsIgnoredWhole", 5, 1, ESC "]2;" + repeated("x", 20000) + "\x07" "a", {"a"}, 0, 1},
    {"OscCancelledByCanIsNotDispatched", 5, 1, ESC "]2;t\x18" "a", {"a"}, 0, 1},
    {"UnknownOscIsIgnored", 5, 1, ESC "]5379;c;eA==\x07" ESC "]x;y\x07", {""}, 0, 0},
    {"BellInsideASequenceStillRings", 5, 1, CSI "1\x07m" "a", {"a"}, 0, 1, {"bell"}},
    {"CursorStyles", 5, 1, CSI " q" CSI "5 q" CSI "7 q" CSI "?2 q", {""}, 0, 0, {"cursor-style 0", "cursor-style 5"}},
    {"MouseAndFocusModesNotified", 5, 1, CSI "?9;1000;1002;1003;1004;1005;1006;1007;1015h", {""}, 0, 0,
     {"mode 9 set private", "mode 1000 set private", "mode 1002 set private", "mode 1003 set private",
      "mode 1004 set private", "mode 1005 set private", "mode 1006 set private", "mode 1007 set private",
      "mode 1015 set private"}},
};

class ScriptTest : public ::testing::TestWithParam<Script> {};

TEST_P(ScriptTest, ProducesExpectedScreen) {
    const Script& s = GetParam();
    Terminal t(s.cols, s.rows);
    t.feed(s.bytes);
    EXPECT_EQ(t.rows(), s.expectedRows);
    EXPECT_EQ(t.screen.cursorRow(), s.cursorRow);
    EXPECT_EQ(t.screen.cursorColumn(), s.cursorColumn);
    EXPECT_EQ(t.events, s.events);
}

TEST_P(ScriptTest, EveryWayOfFeedingGivesTheSameState) {
    const Script& s = GetParam();
    Terminal whole(s.cols, s.rows);
    whole.feed(s.bytes);
    const Snapshot expected = whole.snapshot();
    for (FeedMode mode : {FeedMode::ByteByByte, FeedMode::ProcessByte}) {
        Terminal t(s.cols, s.rows);
        t.feed(s.bytes, mode);
        EXPECT_TRUE(t.snapshot() == expected) << "feed mode " << int(mode);
    }
    for (std::size_t split = 1; split < s.bytes.size(); ++split) {
        Terminal t(s.cols, s.rows);
        t.feed(std::string_view(s.bytes).substr(0, split));
        t.feed(std::string_view(s.bytes).substr(split));
        EXPECT_TRUE(t.snapshot() == expected) << "split at byte " << split;
    }
}

// OSC 52 reaches the owner whole, up to the clipboard's own bound; a read is
// answered with the first target and the string's terminator.
TEST(ClipboardStrings, ReachTheOwnerAndReadsAreAnswered) {
    Terminal t(5, 1);
    std::vector<std::string> calls;
    t.parser.clipboardCallback = [&](std::string_view targets, std::string_view data) {
        calls.push_back(std::string(targets) + "|" + std::string(data.substr(0, 8)) + "|" + std::to_string(data.size()));
        return data == "?" ? std::optional<std::string>("YWJj") : std::nullopt;
    };
    const std::string longest(Parser::kMaxClipboardOscBytes - 3 - 2, 'A');
    t.feed(ESC "]52;c;aGk=" BEL ESC "]52;;?" ST ESC "]52;ps;?" BEL ESC "]52;c" BEL ESC "]52;c;" + longest + BEL ESC "]52;c;" +
           longest + "A" BEL);
    EXPECT_EQ(calls, (std::vector<std::string>{"c|aGk=|4", "|?|1", "ps|?|1", "c|AAAAAAAA|" + std::to_string(longest.size())}));
    EXPECT_EQ(t.events, (std::vector<std::string>{"reply \\e]52;c;YWJj\\e\\", "reply \\e]52;p;YWJj" BEL}));
}

INSTANTIATE_TEST_SUITE_P(Scripts, ScriptTest, ::testing::ValuesIn(kScripts),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vesper::test
