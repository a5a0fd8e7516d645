// What runs in the foreground of a pseudo terminal: the process group that
// tcgetpgrp reports on the master side, and a process's name from the
// system's process table (Linux /proc, macOS libproc; nothing elsewhere).
#pragma once

#include <cstdint>
#include <string>

namespace vesper {

// The foreground process group of the terminal whose master is `masterFd`
// (its leader's process id); 0 when there is none or it cannot be asked.
std::int64_t foregroundProcessGroup(int masterFd);

// The short name of process `pid` (what ps shows as its command); empty when
// it is gone or the platform offers no way to ask.
std::string processName(std::int64_t pid);

} // namespace vesper
