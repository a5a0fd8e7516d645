// OutputBatcher: batches keep every byte in order whatever the chunk sizes and
// budget, and the budget follows the measured cost towards the target time.
#include "session/output_batcher.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace vesper {
namespace {

QByteArray pattern(qsizetype size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 31 + seed * 7) & 0xff);
    return bytes;
}

struct Source {
    std::deque<QByteArray> chunks;
    bool pop(QByteArray &out)
    {
        if (chunks.empty())
            return false;
        out = std::move(chunks.front());
        chunks.pop_front();
        return true;
    }
};

// Cost per byte in nanoseconds given to record() before batching, and the
// chunk sizes that arrive.
struct BatchCase {
    const char *name;
    double nsPerByte;
    std::vector<qsizetype> chunks;
};

class Batches : public ::testing::TestWithParam<BatchCase> {};

TEST_P(Batches, KeepEveryByteInOrderWithinTheBudget)
{
    const BatchCase &c = GetParam();
    OutputBatcher batcher;
    for (int i = 0; i < 8; ++i) // settle the budget at this cost
        batcher.record(1 << 20, std::int64_t(c.nsPerByte * (1 << 20)));
    const qsizetype budget = batcher.budget();

    Source source;
    QByteArray sent;
    for (std::size_t i = 0; i < c.chunks.size(); ++i) {
        source.chunks.push_back(pattern(c.chunks[i], int(i)));
        sent += source.chunks.back();
    }
    QByteArray received;
    int batches = 0;
    while (true) {
        const QByteArray batch = batcher.take([&](QByteArray &out) { return source.pop(out); });
        if (batch.isEmpty())
            break;
        ++batches;
        EXPECT_LE(batch.size(), budget);
        // A batch is short of the budget only when nothing more was waiting.
        if (batch.size() < budget)
            EXPECT_TRUE(source.chunks.empty() && !batcher.hasRest());
        received += batch;
    }
    EXPECT_EQ(received, sent);
    EXPECT_FALSE(batcher.hasRest());
    EXPECT_GE(batches, int((sent.size() + budget - 1) / budget));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Batches,
    ::testing::Values(
        BatchCase{"NothingQueued", 1.0, {}},
        BatchCase{"OneSmallChunk", 1.0, {10}},
        BatchCase{"ManySmallChunksJoin", 1.0, {1, 2, 3, 100, 4096, 7}},
        BatchCase{"FastReceiverTakesSeveralReadChunks", 1.0, {65536, 65536, 65536, 65536, 100}},
        BatchCase{"SlowReceiverSplitsReadChunks", 1000.0, {65536, 65536, 3}},
        BatchCase{"ChunkSplitAcrossManyBatches", 500.0, {1 << 20}},
        BatchCase{"BudgetAtTheUpperBound", 0.0, {4 << 20, 4 << 20, 1}}),
    [](const auto &info) { return std::string(info.param.name); });

// Measured cost per byte in nanoseconds -> the budget it settles at.
struct BudgetCase {
    const char *name;
    double nsPerByte;
    qsizetype expected;
};

class Budget : public ::testing::TestWithParam<BudgetCase> {};

TEST_P(Budget, SettlesWhereOnePassTakesTheTargetTime)
{
    const BudgetCase &c = GetParam();
    OutputBatcher batcher;
    for (int i = 0; i < 40; ++i) {
        const qsizetype bytes = batcher.budget();
        batcher.record(bytes, std::int64_t(c.nsPerByte * double(bytes)));
    }
    EXPECT_NEAR(double(batcher.budget()), double(c.expected), double(c.expected) * 0.02);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Budget,
    ::testing::Values(BudgetCase{"TenMBps", 100.0, 50'000},       // 5 ms of 10 MB/s
                      BudgetCase{"HundredMBps", 10.0, 500'000},   // 5 ms of 100 MB/s
                      BudgetCase{"VerySlowFloor", 1e6, OutputBatcher::minBudget},
                      BudgetCase{"FreeReceiverCeiling", 0.0, OutputBatcher::maxBudget}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(BudgetChange, ADearerPassShrinksTheNextBatchAtOnceAndSmallBatchesAreNotMeasured)
{
    OutputBatcher batcher;
    for (int i = 0; i < 20; ++i)
        batcher.record(500'000, 5'000'000); // 10 ns per byte
    const qsizetype settled = batcher.budget();
    batcher.record(100, 50'000'000); // a tiny batch with a long pass: fixed cost, ignored
    EXPECT_EQ(batcher.budget(), settled);
    batcher.record(500'000, 50'000'000); // ten times dearer
    EXPECT_LT(batcher.budget(), settled / 4);
}

} // namespace
} // namespace vesper
