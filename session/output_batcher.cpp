#include "session/output_batcher.h"

#include <algorithm>

namespace vesper {

namespace {

// Batches this small are mostly the fixed cost of a pass, not of their bytes.
constexpr qsizetype minMeasuredBytes = 4096;

} // namespace

QByteArray OutputBatcher::take(const std::function<bool(QByteArray &)> &pop)
{
    QByteArray batch = std::exchange(rest_, QByteArray());
    QByteArray chunk;
    while (batch.size() < budget_ && pop(chunk)) {
        if (batch.isEmpty())
            batch = std::move(chunk); // the common single chunk: no copy
        else
            batch.append(chunk);
        chunk = QByteArray();
    }
    if (batch.size() > budget_) {
        rest_ = batch.sliced(budget_);
        batch.truncate(budget_);
    }
    return batch;
}

void OutputBatcher::record(qsizetype bytes, std::int64_t nanoseconds)
{
    if (bytes < minMeasuredBytes)
        return;
    const double sample = double(std::max<std::int64_t>(nanoseconds, 0)) / double(bytes);
    // A pass that became dearer counts at once; cheaper ones are trusted
    // slowly, so one quick pass does not lead to a long one.
    if (cost_ < 0)
        cost_ = sample;
    else
        cost_ += (sample - cost_) * (sample > cost_ ? 0.5 : 0.25);
    const double fits = cost_ > 0 ? double(targetNanoseconds) / cost_ : double(maxBudget);
    budget_ = qsizetype(std::clamp(fits, double(minBudget), double(maxBudget)));
}

} // namespace vesper
