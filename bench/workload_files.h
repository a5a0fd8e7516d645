// The five synthetic workloads the engine comparison feeds to every terminal
// (ascii, sgr, cursor, unicode, scroll), loaded from the folder where the
// comparison's seeded generator writes them, generated there when absent.
#pragma once

#include <string>
#include <vector>

namespace vesper::bench {

// ascii, sgr, cursor, unicode, scroll.
const std::vector<std::string>& workloadNames();

// The file of one workload, generated when absent (aborts when it cannot be).
std::string workloadPath(const std::string& name);

// The bytes of one workload.  Aborts with a message when it can be neither
// found nor generated: a benchmark without its input must not report a figure.
const std::string& workload(const std::string& name);

}  // namespace vesper::bench
