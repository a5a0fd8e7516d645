// Ring against std::deque as the model: the same random mix of pushes,
// drops, front-to-back moves, rotations and fits must leave the same
// sequence, across growth, wrap-around of the head and capacities that are
// not powers of two.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <string>

#include "core/ring.h"

namespace vesper {
namespace {

void expectSame(const Ring<std::string>& ring, const std::deque<std::string>& model, int step) {
    ASSERT_EQ(ring.size(), model.size()) << "step " << step;
    for (std::size_t i = 0; i < model.size(); ++i) ASSERT_EQ(ring[i], model[i]) << "step " << step << " index " << i;
}

TEST(Ring, RandomOperationsMatchADeque) {
    std::mt19937 random(12345);
    Ring<std::string> ring;
    std::deque<std::string> model;
    int next = 0;
    for (int step = 0; step < 20000; ++step) {
        const int op = int(random() % 7);
        // Strings own heap memory: a slot copied instead of moved or a
        // stale slot reused would show up as a wrong value (or under ASan).
        const std::string value = "line " + std::to_string(next++) + std::string(20, 'x');
        if (op == 0 || (op == 1 && model.size() < 4)) {
            ring.pushBack(value);
            model.push_back(value);
        } else if (op == 1) {
            ring.pushFront(value);
            model.push_front(value);
        } else if (op == 2 && !model.empty()) {
            const std::string* moved = ring.moveFrontToBack();
            ASSERT_EQ(moved, &ring[ring.size() - 1]) << step;
            std::rotate(model.begin(), model.begin() + 1, model.end());
        } else if (op == 3 && !model.empty()) {
            const std::size_t count = random() % (model.size() / 4 + 2);
            if (count % 2) {
                ring.popBack(count);
                model.erase(model.end() - std::ptrdiff_t(std::min(count, model.size())), model.end());
            } else {
                ring.popFront(count);
                model.erase(model.begin(), model.begin() + std::ptrdiff_t(std::min(count, model.size())));
            }
        } else if (op == 6) {
            ring.fit();  // then moves of the front only step the head
            EXPECT_EQ(ring.capacity(), model.size());
        } else if (op >= 4 && model.size() >= 2) {
            std::size_t first = random() % model.size();
            std::size_t last = random() % (model.size() + 1);
            if (first > last) std::swap(first, last);
            const std::size_t middle = first + (last > first ? random() % (last - first + 1) : 0);
            ring.rotate(first, middle, last);
            if (first < middle && middle < last)
                std::rotate(model.begin() + std::ptrdiff_t(first), model.begin() + std::ptrdiff_t(middle),
                            model.begin() + std::ptrdiff_t(last));
        }
        expectSame(ring, model, step);
    }
}

TEST(Ring, MoveFrontToBackWhenFullAndAssign) {
    Ring<int> ring;
    ring.assign(8, 7);  // exactly the first capacity: moving only advances the head
    for (int i = 0; i < 8; ++i) ring[std::size_t(i)] = i;
    ring.moveFrontToBack();
    const int* moved = ring.moveFrontToBack();
    EXPECT_EQ(moved, &ring[7]);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(ring[std::size_t(i)], (i + 2) % 8);
    ring.popFront(100);  // more than held: empties
    EXPECT_EQ(ring.size(), 0u);
    EXPECT_EQ(ring.moveFrontToBack(), nullptr);  // on an empty ring: nothing
    EXPECT_EQ(ring.size(), 0u);
}

}  // namespace
}  // namespace vesper
