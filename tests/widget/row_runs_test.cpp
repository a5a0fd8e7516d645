// Splitting a view row into runs of equal attributes, checked without a
// paint device: run boundaries, widths with continuation cells, texts.
#include "control/paint/row_runs.h"

#include "core/parser.h"
#include "core/screen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vesper::AttributeRun;
using vesper::Parser;
using vesper::RowRuns;
using vesper::Screen;

struct ExpectedRun {
    int start;
    int width;
    std::u16string text;
    bool fastPathText; // printable ASCII, one unit per cell
};

struct RunCase {
    const char *name;
    int columns;
    std::string bytes;
    std::vector<ExpectedRun> runs;
};

std::string describe(const RowRuns &row)
{
    std::string out;
    for (const AttributeRun &r : row.runs) {
        out += "[" + std::to_string(r.startColumn) + "+" + std::to_string(r.width) + " '";
        for (int i = 0; i < r.textLength; ++i) {
            const char16_t u = row.text[std::size_t(r.textStart + i)];
            out += u < 0x80 ? std::string(1, char(u)) : "?";
        }
        out += "']";
    }
    return out;
}

const RunCase kCases[] = {
    {"blank row is one run", 6, "", {{0, 6, u"      ", true}}},
    {"one colour one run", 6, "ABC", {{0, 6, u"ABC   ", true}}},
    {"colour change splits", 6, "A\x1b[31mB\x1b[0mC",
     {{0, 1, u"A", true}, {1, 1, u"B", true}, {2, 4, u"C   ", true}}},
    {"same attributes rejoin nothing", 4, "\x1b[1mA\x1b[0m\x1b[1mB",
     {{0, 2, u"AB", true}, {2, 2, u"  ", true}}},
    {"wide character counts two cells", 6, "a\xe4\xb8\xad" "b",
     {{0, 6, u"a\u4e2db  ", false}}},
    {"continuation joins its run across a colour change", 5, "\x1b[32m\xe4\xb8\xad\x1b[0mx",
     {{0, 2, u"\u4e2d", false}, {2, 3, u"x  ", true}}},
    {"astral wide character is two units", 4, "\xf0\x9f\x98\x80",
     {{0, 4, u"\U0001F600  ", false}}},
    {"non-ascii narrow leaves fast path", 3, "\xc3\xa9", {{0, 3, u"\u00e9  ", false}}},
    {"background run", 4, "\x1b[44m  \x1b[0m", {{0, 2, u"  ", true}, {2, 2, u"  ", true}}},
};

TEST(RowRuns, SplitsRowsByAttributes)
{
    for (const RunCase &c : kCases) {
        Screen screen(c.columns, 2, 10);
        Parser parser(screen);
        parser.feed(c.bytes.data(), static_cast<std::int64_t>(c.bytes.size()));
        RowRuns row;
        vesper::splitRowIntoRuns(screen, 0, row);
        ASSERT_EQ(row.runs.size(), c.runs.size()) << c.name << ": " << describe(row);
        for (std::size_t i = 0; i < c.runs.size(); ++i) {
            const AttributeRun &got = row.runs[i];
            const ExpectedRun &want = c.runs[i];
            EXPECT_EQ(got.startColumn, want.start) << c.name << " run " << i;
            EXPECT_EQ(got.width, want.width) << c.name << " run " << i;
            EXPECT_EQ(row.text.substr(std::size_t(got.textStart), std::size_t(got.textLength)), want.text)
                << c.name << " run " << i;
            EXPECT_EQ(got.printableAscii && got.textLength == got.width, want.fastPathText)
                << c.name << " run " << i;
        }
    }
}

TEST(RowRuns, BlankRunsAndAttributes)
{
    Screen screen(8, 2, 10);
    Parser parser(screen);
    const std::string bytes = "\x1b[4m  \x1b[0m \x1b[7mx";
    parser.feed(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    RowRuns row;
    vesper::splitRowIntoRuns(screen, 0, row);
    // underlined blanks, one default blank, reversed x, default blanks
    ASSERT_EQ(row.runs.size(), 4u) << describe(row);
    EXPECT_TRUE(row.runs[0].blank);
    EXPECT_TRUE(row.runs[0].attributes.underline());
    EXPECT_TRUE(row.runs[1].blank);
    EXPECT_FALSE(row.runs[2].blank);
    EXPECT_TRUE(row.runs[2].attributes.reverse());
    EXPECT_TRUE(row.runs[3].blank);
    EXPECT_EQ(row.runs[3].width, 4);
}

TEST(RowRuns, ReadsTheScrolledBackView)
{
    Screen screen(4, 2, 10);
    Parser parser(screen);
    const std::string bytes = "old\r\nmid\r\nnew";
    parser.feed(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    screen.scrollViewUp(1);
    RowRuns row;
    vesper::splitRowIntoRuns(screen, 0, row);
    ASSERT_EQ(row.runs.size(), 1u);
    EXPECT_EQ(row.text, u"old ");
}

TEST(RowRuns, ReusesBuffersAcrossRows)
{
    Screen screen(4, 2, 10);
    Parser parser(screen);
    parser.feed("\x1b[31mAB\r\nCD", 11);
    RowRuns row;
    vesper::splitRowIntoRuns(screen, 0, row);
    EXPECT_EQ(row.runs.size(), 2u);
    vesper::splitRowIntoRuns(screen, 1, row);
    ASSERT_EQ(row.runs.size(), 2u) << describe(row);
    EXPECT_EQ(row.text, u"CD  ");
    EXPECT_EQ(row.runs[0].textStart, 0);
}

} // namespace
