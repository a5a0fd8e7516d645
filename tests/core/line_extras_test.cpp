// The pooled marks of one line against a plain model (one string per
// column): marks of every encoded width, moves to the pool's end, erasures,
// shifts and the compactions they bring on must never change what a cell
// reads; and the line's bound drops marks without losing room for good.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/line_extras.h"

namespace vesper::test {
namespace {

std::u32string marksOf(const LineExtras& extras, int column) {
    const CellMarks marks = extras.marksAt(column);
    return std::u32string(marks.view());
}

TEST(LineExtrasMarks, FollowAModelThroughEveryOperation) {
    constexpr int kColumns = 40;
    // One, two and three encoded bytes; the edges of each form.
    const char32_t kMarks[] = {0x300, 0x301, 0x37F, 0x380, 0x200D, 0x20D0, 0x3FFF, 0x4000, 0xFE0F, 0xE0100, 0x10FFFF};
    LinkTable links;
    LineExtras extras(links, kColumns);
    std::vector<std::u32string> model(kColumns);
    std::mt19937 random(7);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    for (int step = 0; step < 20000; ++step) {
        const int op = pick(10);
        if (op < 7) {
            const int column = pick(kColumns);
            const char32_t mark = kMarks[pick(int(std::size(kMarks)))];
            extras.addMark(column, mark);
            if (model[std::size_t(column)].size() < LineExtras::kMaxMarksPerCell) model[std::size_t(column)] += mark;
        } else if (op == 7) {
            const int from = pick(kColumns), to = from + pick(4);
            extras.overwrite(from, to, 0);
            for (int c = from; c < std::min(to, kColumns); ++c) model[std::size_t(c)].clear();
        } else {
            const int from = pick(kColumns), by = pick(7) - 3;
            extras.shift(from, by);
            std::vector<std::u32string> moved(kColumns);
            for (int c = 0; c < kColumns; ++c) {
                const int source = c < from ? c : c - by;  // columns left behind stay empty
                if (c < from || (source >= from && source < kColumns)) moved[std::size_t(c)] = model[std::size_t(source)];
            }
            model = moved;
        }
        ASSERT_NO_THROW(extras.checkInvariants()) << "step " << step;
        for (int c = 0; c < kColumns; ++c) {
            ASSERT_EQ(marksOf(extras, c), model[std::size_t(c)]) << "step " << step << " column " << c;
            ASSERT_EQ(extras.hasMarks(c), !model[std::size_t(c)].empty());
        }
    }
}

// Fifteen three-byte marks on each of 2000 cells would take 90 000 bytes:
// the line keeps 65 535 (21 845 marks) and drops the rest; erased cells give
// their room back to later marks.
TEST(LineExtrasMarks, LineBoundDropsMarksAndErasingFreesRoom) {
    constexpr int kColumns = 2000;
    LinkTable links;
    LineExtras extras(links, kColumns);
    auto heldMarks = [&] {
        std::size_t n = 0;
        for (int c = 0; c < kColumns; ++c) n += extras.marksAt(c).size();
        return n;
    };
    for (int c = 0; c < kColumns; ++c)
        for (int k = 0; k < 15; ++k) extras.addMark(c, 0xE0100 + char32_t(k));
    EXPECT_EQ(heldMarks(), LineExtras::kMaxMarkBytes / 3);
    EXPECT_EQ(extras.marksAt(kColumns - 1).size(), 0u);
    extras.overwrite(0, 100, 0);
    for (int k = 0; k < 15; ++k) extras.addMark(kColumns - 1, 0x301);
    EXPECT_EQ(marksOf(extras, kColumns - 1), std::u32string(15, U'\u0301'));
    EXPECT_NO_THROW(extras.checkInvariants());
}

}  // namespace
}  // namespace vesper::test
