// OutputBatcher: sizes what a session hands on in one event-loop pass.  The
// reader queues chunks as the pty gives them; each pass takes everything
// queued, concatenated, up to a byte budget that keeps the receivers' work in
// one pass near a target time (about 5 ms), so input events, timers and the
// paint get their turn between batches.  The budget follows the measured cost
// per byte of the passes before.  A chunk that does not fit is split and its
// rest opens the next batch: nothing is lost or reordered, and a batch never
// waits for more data.  Used only on the session's thread.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <functional>

namespace vesper {

class OutputBatcher {
public:
    static constexpr std::int64_t targetNanoseconds = 5'000'000;
    static constexpr qsizetype minBudget = 4 << 10;
    static constexpr qsizetype maxBudget = 4 << 20;

    // Bytes the next batch may hold.
    qsizetype budget() const { return budget_; }

    // The next batch: the rest of a split chunk first, then chunks from `pop`
    // (which returns false when nothing is queued) until the budget is spent.
    // Empty when nothing is waiting.
    QByteArray take(const std::function<bool(QByteArray &)> &pop);

    // A split chunk's rest is waiting for the next batch.
    bool hasRest() const { return !rest_.isEmpty(); }

    // Handing on a batch of `bytes` took `nanoseconds`: adjusts the budget.
    void record(qsizetype bytes, std::int64_t nanoseconds);

private:
    qsizetype budget_ = 64 << 10;
    // Nanoseconds per byte, smoothed; negative until the first measurement.
    double cost_ = -1;
    QByteArray rest_;
};

} // namespace vesper
