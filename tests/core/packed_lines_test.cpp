// Scrollback lines are packed: the codec gives back every cell word, and a
// line read from the scrollback or brought back onto the screen (and written
// there) holds exactly what it held on the screen: renditions, wide
// characters and stray halves, marks, links, decorations, shell marks and
// the soft wrap.  The arena that holds the packed bytes frees its chunks as
// their lines go, in whatever order they go.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <set>

#include "core/packed_arena.h"
#include "core/packed_cells.h"
#include "terminal_harness.h"

namespace vesper::test {
namespace {

#define OSC ESC "]"
#define ST ESC "\\"
#define WIDE "\xe4\xb8\xad"  // U+4E2D, two columns

Cell narrow(std::uint32_t cp, CellAttributes a = {}) { return Cell(cp, a); }
Cell rightHalf(std::uint32_t cp = 0, CellAttributes a = {}) { return Cell(cp, a, true); }

struct CodecCase {
    const char* name;
    std::vector<Cell> cells;
};

void PrintTo(const CodecCase& c, std::ostream* os) { *os << c.name; }

const CellAttributes kRed{1, kDefaultColor, CellAttributes::Bold};
const CellAttributes kDirect{kDirectColorFlag | 0xFF8000, kDirectColorFlag | 0x000102,
                             CellAttributes::Italic | CellAttributes::Overline};

// `count` cells of text whose rendition changes every one to seven cells
// (coloured output), then `last`.
std::vector<Cell> colouredText(int count, std::vector<Cell> last = {}) {
    const CellAttributes renditions[] = {{}, kRed, kDirect, {kDefaultColor, 200, CellAttributes::Reverse}};
    std::vector<Cell> cells;
    for (int i = 0, run = 0; i < count; ++run)
        for (int k = 0; k < 1 + run % 7 && i < count; ++k, ++i)
            cells.push_back(narrow(std::uint32_t('!' + i % 90), renditions[run % 4]));
    cells.insert(cells.end(), last.begin(), last.end());
    return cells;
}

const CodecCase kCodecCases[] = {
    {"ColouredText", colouredText(79)},  // a run starts in the last, partial group of four
    {"ColouredTextLongerThanOnePass", colouredText(600)},
    // A long first run (taken eight and four cells at a time) that another
    // rendition, then a non-ASCII character, interrupts within a group.
    {"LongRunsInterruptedWithinAGroup",
     [] {
         std::vector<Cell> cells(9, narrow('a'));
         cells.push_back(narrow('b', kRed));
         cells.insert(cells.end(), 6, narrow('c', kRed));
         cells.push_back(narrow(0xE9, kRed));
         cells.insert(cells.end(), 10, narrow('d', kRed));
         return cells;
     }()},
    {"ColouredTextThenWide", colouredText(70, {narrow(0x4E2D, kRed), rightHalf(0, kRed), narrow('x')})},
    {"ColouredTextThenStrayHalf", colouredText(9, {rightHalf(), narrow('x', kRed)})},
    {"Ascii", {narrow('a'), narrow(' '), narrow('~'), narrow('!')}},
    {"RenditionRuns", {narrow('a', kRed), narrow('b', kRed), narrow('c'), narrow('d', kDirect), narrow(' ', kDirect)}},
    {"UtfLengthBoundaries",
     {narrow(0x7F), narrow(0x80), narrow(0x7FF), narrow(0x800), narrow(0xFFFF), narrow(0x10000), narrow(0x10FFFF),
      narrow(0x1FFFFF), narrow(0)}},
    {"WideWithItsRightHalf", {narrow(0x4E2D), rightHalf(), narrow('x'), narrow(0x4E2D, kRed), rightHalf(0, kRed)}},
    {"WideAtTheEnd", {narrow('x'), narrow(0x4E2D)}},
    // Single and paired one-byte characters between wide and accented ones,
    // and a wide character as the last cell of its run.
    {"MixedScripts",
     {narrow(0x4E2D), rightHalf(), narrow(' '), narrow(0x4E2D), rightHalf(), narrow('a'), narrow('b'), narrow('c'),
      narrow('d'), narrow('e'), narrow(0xE9), narrow('f'), narrow(0x1F600), rightHalf(), narrow(0x4E2D, kRed),
      narrow('g'), narrow(0x4E2D), rightHalf()}},
    {"WideWithoutRightHalf", {narrow(0x4E2D), narrow('y'), narrow(0x4E2D), narrow(0x4E2D), rightHalf()}},
    {"RightHalfOfAnotherRendition", {narrow(0x4E2D), rightHalf(0, kRed), narrow('z')}},
    {"StrayRightHalves", {rightHalf(), narrow('a'), rightHalf(), rightHalf('q'), rightHalf(0x4E2D, kDirect)}},
    {"ReservedLeadBytesAsText", {narrow(0xF8), narrow(0xF9), narrow(0x4E2D), narrow(0xF9)}},
    // Short lines (up to sixteen cells) take their own path when they are
    // one run of one-byte characters: these sit on either side of it.
    {"OneCell", {narrow('y')}},
    {"OneCellInColour", {narrow('y', kDirect)}},
    {"OneCellWithFlagsOnly", {narrow('y', {kDefaultColor, kDefaultColor, CellAttributes::Bold})}},
    {"ShortLineChangingBackgroundOnly", {narrow('a'), narrow('b', {kDefaultColor, 3, 0}), narrow('c')}},
    {"ShortLineChangingForegroundOnly", {narrow('a', kRed), narrow('b', {kDefaultColor, kDefaultColor, CellAttributes::Bold})}},
    {"ShortLineWithWide", {narrow('a'), narrow(0x4E2D), rightHalf()}},
    {"ShortLineWithAccent", {narrow('a'), narrow(0x80), narrow('c')}},
    {"ShortLineWithStrayHalf", {narrow('a'), rightHalf()}},
    {"ShortLineWithHalfOfASpace", {narrow('a'), rightHalf(' ')}},
    {"ShortLineOfCodePointZero", {narrow(0), narrow('b')}},
    {"SixteenCells", std::vector<Cell>(16, narrow('x', kRed))},
    {"SixteenCellsEndingInAnotherRendition", [] {
         std::vector<Cell> cells(15, narrow('x'));
         cells.push_back(narrow('z', kRed));
         return cells;
     }()},
    {"SeventeenCells", std::vector<Cell>(17, narrow('x'))},
};

class PackedCodecTest : public ::testing::TestWithParam<CodecCase> {};

TEST_P(PackedCodecTest, UnpackGivesEveryCellBack) {
    const std::vector<Cell>& cells = GetParam().cells;
    const int count = int(cells.size());
    std::vector<std::uint8_t> packed(packed_cells::mostBytes(count));
    const std::size_t size = packed_cells::pack(cells.data(), count, packed.data());
    ASSERT_LE(size, packed.size());
    EXPECT_EQ(packed_cells::packedSize(packed.data(), count), size);
    std::vector<Cell> out(cells.size());
    packed_cells::unpack(packed.data(), out.data(), count);
    EXPECT_EQ(out, cells);
    // Packing what came back gives the same bytes.
    std::vector<std::uint8_t> again(packed.size());
    ASSERT_EQ(packed_cells::pack(out.data(), count, again.data()), size);
    EXPECT_EQ(std::vector<std::uint8_t>(packed.begin(), packed.begin() + std::ptrdiff_t(size)),
              std::vector<std::uint8_t>(again.begin(), again.begin() + std::ptrdiff_t(size)));
}

INSTANTIATE_TEST_SUITE_P(Packed, PackedCodecTest, ::testing::ValuesIn(kCodecCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PackedCodec, PlainTextCostsItsCharactersAndAFewBytes) {
    std::vector<Cell> cells;
    for (char c : std::string("make[2]: Leaving directory '/src/build'")) cells.push_back(narrow(std::uint8_t(c)));
    std::vector<std::uint8_t> packed(packed_cells::mostBytes(int(cells.size())));
    EXPECT_LE(packed_cells::pack(cells.data(), int(cells.size()), packed.data()), cells.size() + 3);
}

// Lines of a few hundred bytes come and go, the oldest first or the newest
// first, with one larger than a chunk among them: every line keeps its own
// bytes, no handle repeats, and chunks are freed as their lines go.
TEST(PackedArena, KeepsEachLineAndFreesChunksAsTheirLinesGo) {
    for (const bool oldestFirst : {true, false}) {
        PackedArena arena;
        std::deque<std::pair<PackedRef, std::string>> held;
        std::set<std::uint64_t> handles;
        for (int n = 0; n < 3000; ++n) {
            const std::size_t size = n == 1500 ? PackedArena::kChunkBytes + 17 : 100 + std::size_t(n % 300);
            const std::string bytes(size, char('a' + n % 26));
            std::uint8_t* out = arena.reserve(size + 9);  // more room than taken
            std::copy(bytes.begin(), bytes.end(), out);
            PackedRef ref(arena, arena.commit(size));
            EXPECT_TRUE(handles.insert(ref.handle()).second) << n;
            held.emplace_back(std::move(ref), bytes);
            if (held.size() > 400) {
                if (oldestFirst) held.pop_front(); else held.erase(held.end() - 2);
            }
            ASSERT_EQ(arena.lineCount(), held.size());
        }
        for (const auto& [ref, bytes] : held)
            ASSERT_EQ(std::string(reinterpret_cast<const char*>(ref.bytes()), bytes.size()), bytes);
        // 400 lines of at most 400 bytes: a few chunks, however many came and went.
        EXPECT_LE(arena.heldBytes(), 6 * PackedArena::kChunkBytes) << oldestFirst;
        held.clear();
        EXPECT_EQ(arena.lineCount(), 0u);
        EXPECT_LE(arena.heldBytes(), 2 * PackedArena::kChunkBytes) << "the newest chunk and one spare";
    }
}

// Scripts that fill the 4 rows of a screen; they then scroll into the
// scrollback and come back when the screen grows.
struct LineCase {
    const char* name;
    int columns;
    std::string bytes;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

const LineCase kLineCases[] = {
    {"Renditions", 20,
     CSI "1;3;4;31;42mbold" CSI "0;38;5;200midx" CSI "38;2;1;2;3;48;2;250;0;7mrgb" CSI "m plain" CSI "7m  " CSI
         "m\r\n" CSI "2;9;53mdim" CSI "21mdu" CSI "m"},
    {"ColouredErase", 10, "a" CSI "44m" CSI "K" CSI "m\r\n" CSI "41m" CSI "2K" CSI "m\r\n" CSI "42m" CSI "3X"},
    {"WideCharacters", 5, "a" WIDE "b" WIDE WIDE "\r\n" WIDE "\b" CSI "1Px\r\n" CSI "2@" WIDE},
    {"CombiningMarks", 8, "e\xcc\x81\xcc\xa3" "a\xe2\x83\x9d" WIDE "\xcc\x88 \r\nz\xf0\x9d\x85\xa5"},
    {"Links", 12, OSC "8;;http://a/" ST "link" OSC "8;;" ST " " OSC "8;id=1;file:///x" ST "xy\r\n" WIDE OSC "8;;" ST},
    {"Decorations", 12, CSI "4:3;58;2;10;20;30mcurly" CSI "4:4;58;5;9mdot" CSI "m plain" CSI "4:5mdash" CSI "m"},
    {"ShellMarks", 10,
     OSC "133;A" ST "$ " OSC "133;B" ST "ls\r\n" OSC "133;C" ST "out\r\n" OSC "133;D;1" ST OSC "133;A" ST "$ "},
    {"SoftWraps", 6, "0123456789abcdefghij"},
};

class PackedLinesTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(PackedLinesTest, ScrollbackKeepsLinesExactlyAndGivesThemBack) {
    const LineCase& c = GetParam();
    Terminal t(c.columns, 4, 100);
    t.feed(c.bytes);
    const Snapshot onScreen = t.snapshot();
    ASSERT_EQ(onScreen.firstLine, 0);
    t.feed(CSI "m" CSI "4;1H\n\n\n\n");  // every row into the scrollback
    ASSERT_EQ(t.screen.scrollbackLineCount(), 4);
    const Snapshot scrolled = t.snapshot();
    for (std::size_t line = 0; line < 4; ++line) {
        EXPECT_EQ(scrolled.lines[line], onScreen.lines[line]) << "line " << line;
        EXPECT_EQ(scrolled.extras[line], onScreen.extras[line]) << "line " << line;
        // The text read from the packed bytes is the line's text; only a line
        // with marks, links or decorations must be read whole.
        std::vector<char> text(3);
        std::size_t used = 3;
        const bool read = t.screen.packedLineText(int(line), text, used, c.columns);
        const std::string& extras = scrolled.extras[line];
        if (extras.empty() || extras == "wrapped") {
            EXPECT_TRUE(read) << "line " << line;
        }
        if (read) {
            EXPECT_EQ(std::string(text.data() + 3, used - 3), t.screen.lineText(int(line))) << "line " << line;
        }
    }
    // Growing the screen brings them back as screen rows (rows 0-3).
    t.screen.resize(c.columns, 8);
    t.screen.checkInvariants();
    ASSERT_EQ(t.screen.screenTopLine(), 0);
    const Snapshot back = t.snapshot();
    EXPECT_EQ(back.lines, scrolled.lines);
    EXPECT_EQ(back.extras, scrolled.extras);
    // Writing one cell of a returned row leaves the others as they were.
    t.feed(CSI "2;1H" CSI "m#");
    Snapshot written = t.snapshot();
    EXPECT_EQ(written.lines[1][0].codePoint(), std::uint32_t('#'));
    written.lines[1][0] = back.lines[1][0];
    EXPECT_EQ(written.lines, back.lines);
}

INSTANTIATE_TEST_SUITE_P(Packed, PackedLinesTest, ::testing::ValuesIn(kLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Once the scrollback is full, each line feed hands the entering row's
// cells to the new bottom row and packs the row in the same step: the lines
// kept, and the rows written after it, are those of a scrollback that is
// still growing.  Short lines of every kind, each fed as the row that
// scrolls next.
TEST(PackedLines, AFullScrollbackKeepsLinesAsAGrowingOneDoes) {
    const std::string lines[] = {
        "y", "ab", "xyz", WIDE, "a" CSI "31mb" CSI "m", CSI "41mr" CSI "m", "t" CSI "44m" CSI "K" CSI "m",
        "", "\xc3\xa9", "a" CSI "4:3mc" CSI "m", "a\xcc\x81", OSC "8;;http://a/" ST "l" OSC "8;;" ST,
        "0123456789abcdef", "0123456789abcdefg", "0123456789abcdefghijklmno", "w" CSI "42m" CSI "2K" CSI "m",
        "e" CSI "45m" CSI "3X" CSI "m", "y"};
    Terminal full(20, 3, 2), growing(20, 3, 1000);
    for (int warm = 0; warm < 4; ++warm) {
        full.feed("warm\r\n");
        growing.feed("warm\r\n");
    }
    for (const std::string& line : lines) {
        full.feed(line + "\r\n");
        growing.feed(line + "\r\n");
        full.screen.checkInvariants();
        const Snapshot a = full.snapshot(), b = growing.snapshot();
        ASSERT_EQ(a.lines.size(), 5u);
        for (std::size_t k = 0; k < 5; ++k) {
            const std::size_t other = b.lines.size() - 5 + k;
            EXPECT_EQ(a.lines[k], b.lines[other]) << testing::PrintToString(line) << ", line " << k;
            EXPECT_EQ(a.extras[k], b.extras[other]) << testing::PrintToString(line) << ", line " << k;
        }
    }
}

// A packed line read through many others (a search, a text extraction)
// still reads right: the expanded-line cache gives back its own cells.
TEST(PackedLines, ReadingManyLinesKeepsEachOneItsOwn) {
    Terminal t(8, 2, 1000);
    for (int i = 0; i < 600; ++i) t.feed("L" + std::to_string(i) + "\r\n");
    const LineStore& store = t.screen.lineStore();
    for (int round = 0; round < 2; ++round)
        for (int line = store.firstLine(); line < store.screenTopLine(); line += 7)
            ASSERT_EQ(rtrim(t.screen.lineText(line)), "L" + std::to_string(line)) << line;
    const LineView a = store.line(3), b = store.line(3 + 128);  // same cache set
    EXPECT_EQ(a[1].codePoint(), std::uint32_t('3'));
    EXPECT_EQ(b[2].codePoint(), std::uint32_t('3'));
}

}  // namespace
}  // namespace vesper::test
