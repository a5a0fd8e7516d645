// The single-producer/single-consumer queue on its own: a producer and a
// consumer thread racing (order, completeness, whole values; run under the
// thread sanitizer too), and ownership of elements left in the queue.
#include "session/spsc_queue.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

namespace vesper {
namespace {

// Element i: a length that varies with i, every byte derived from i, so a
// value read before it was fully written, a lost or a repeated element shows.
QByteArray element(int i)
{
    QByteArray value(1 + i % 97, Qt::Uninitialized);
    for (qsizetype k = 0; k < value.size(); ++k)
        value[k] = static_cast<char>((i * 31 + k) & 0xff);
    return value;
}

struct Race {
    int count;
    // How often the producer yields: 0 never (the consumer mostly finds the
    // queue non-empty), otherwise every n-th push (it often finds it empty).
    int yieldEvery;
};

class SpscQueueRace : public ::testing::TestWithParam<Race> {};

TEST_P(SpscQueueRace, ConsumerGetsEveryElementOnceInOrder)
{
    const Race race = GetParam();
    SpscQueue<QByteArray> queue;
    std::thread producer([&] {
        for (int i = 0; i < race.count; ++i) {
            queue.push(element(i));
            if (race.yieldEvery && i % race.yieldEvery == 0)
                std::this_thread::yield();
        }
    });
    int next = 0;
    int mismatches = 0;
    int firstMismatch = -1;
    QByteArray value;
    while (next < race.count) {
        if (!queue.pop(value)) {
            std::this_thread::yield();
            continue;
        }
        if (value != element(next) && mismatches++ == 0)
            firstMismatch = next;
        ++next;
    }
    producer.join();
    EXPECT_EQ(mismatches, 0) << "first at element " << firstMismatch;
    // Nothing beyond what was pushed.
    EXPECT_TRUE(queue.empty());
    EXPECT_FALSE(queue.pop(value));
}

INSTANTIATE_TEST_SUITE_P(Table, SpscQueueRace,
                         ::testing::Values(Race{200000, 0}, Race{5000, 1}, Race{50000, 64}),
                         [](const ::testing::TestParamInfo<Race> &info) {
                             return "count" + std::to_string(info.param.count) + "_yield" +
                                    std::to_string(info.param.yieldEvery);
                         });

TEST(SpscQueue, EmptyPopLeavesTargetAloneAndOrderHoldsAcrossRefills)
{
    SpscQueue<QByteArray> queue;
    QByteArray out("untouched");
    EXPECT_TRUE(queue.empty());
    EXPECT_FALSE(queue.pop(out));
    EXPECT_EQ(out, "untouched");
    // Drained to empty and refilled repeatedly: the dummy node moves along.
    int pushed = 0;
    int popped = 0;
    for (int round = 1; round <= 5; ++round) {
        for (int i = 0; i < round; ++i)
            queue.push(element(pushed++));
        EXPECT_FALSE(queue.empty());
        while (queue.pop(out))
            ASSERT_EQ(out, element(popped++));
    }
    EXPECT_EQ(popped, pushed);
}

TEST(SpscQueue, DestructionReleasesElementsStillQueued)
{
    auto probe = std::make_shared<int>(7);
    {
        SpscQueue<std::shared_ptr<int>> queue;
        for (int i = 0; i < 10; ++i)
            queue.push(probe);
        std::shared_ptr<int> out;
        ASSERT_TRUE(queue.pop(out));
        out.reset();
        EXPECT_EQ(probe.use_count(), 10);
    }
    EXPECT_EQ(probe.use_count(), 1);
}

} // namespace
} // namespace vesper
