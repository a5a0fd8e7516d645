// Foreground process group and process names.  The name of a process on
// Linux is /proc/<pid>/comm (at most 15 bytes, what the program was exec'd
// as); macOS answers proc_name; other systems give no name.
#include "session/posix/foreground_process.h"

#include <cstdio>
#include <unistd.h>

#if defined(__APPLE__)
#include <libproc.h>
#endif

namespace vesper {

std::int64_t foregroundProcessGroup(int masterFd)
{
    if (masterFd < 0)
        return 0;
    const pid_t group = ::tcgetpgrp(masterFd);
    return group > 0 ? group : 0;
}

std::string processName(std::int64_t pid)
{
    if (pid <= 0)
        return {};
#if defined(__linux__)
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%lld/comm", static_cast<long long>(pid));
    std::FILE *file = std::fopen(path, "re");
    if (!file)
        return {};
    char name[64] = {};
    const bool read = std::fgets(name, sizeof name, file) != nullptr;
    std::fclose(file);
    std::string text = read ? std::string(name) : std::string();
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
#elif defined(__APPLE__)
    char name[2 * MAXCOMLEN + 1] = {};
    return ::proc_name(static_cast<int>(pid), name, sizeof name) > 0 ? std::string(name) : std::string();
#else
    return {};
#endif
}

} // namespace vesper
