// Counts what the program holds on the heap: the benchmarks replace the
// global operator new and delete to measure the bytes a Screen holds per
// cell, its peak, and the allocations made while feeding.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vesper::bench {

struct HeapCounters {
    std::int64_t liveBytes;    // bytes currently allocated through operator new
    std::int64_t peakBytes;    // highest liveBytes since the last resetPeak()
    std::int64_t allocations;  // operator new calls since program start
};

HeapCounters heapCounters();
void resetHeapPeak();  // the peak starts again from the current live bytes

}  // namespace vesper::bench
