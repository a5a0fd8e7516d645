// The process's resident memory as Linux reports it, shared by the session
// tests and benchmarks that watch memory while a child floods them.
#pragma once

#include <fstream>
#include <string>

namespace vesper {

// VmRSS of /proc/self/status in KiB; 0 where there is no such file.
inline long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

} // namespace vesper
