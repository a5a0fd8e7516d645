// The pty limit: fork a child on a fresh pty, read its master as fast as
// the kernel gives the bytes, keep none of them.
#include "bench/e2e/pty_limit.h"

#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "bench/e2e/e2e_support.h"

namespace vesper::bench {

PtyLimit measurePtyLimit(const QString &program, const QStringList &args, int columns, int rows,
                         const QByteArray &marker, double seconds)
{
    std::vector<std::string> argv{program.toStdString()};
    for (const QString &a : args)
        argv.push_back(a.toStdString());
    std::vector<char *> cargv;
    for (std::string &a : argv)
        cargv.push_back(a.data());
    cargv.push_back(nullptr);

    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    int master = -1;
    PtyLimit limit;
    const MachineTicks ticks0 = machineTicks();
    const double t0 = nowSeconds();
    const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
    if (pid < 0)
        return limit;
    if (pid == 0) {
        execvp(cargv[0], cargv.data());
        _exit(127);
    }
    std::vector<char> buffer(64 << 10);
    std::string carry; // the last bytes, for a marker split across reads
    const double deadline = seconds > 0 ? t0 + seconds : 0;
    for (;;) {
        const ssize_t got = ::read(master, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // EIO: the child closed the slave
        limit.bytes += got;
        if (!marker.isEmpty()) {
            const std::string_view chunk(buffer.data(), std::size_t(got));
            const std::string_view wanted(marker.constData(), std::size_t(marker.size()));
            const std::size_t keep = wanted.size() - 1;
            const std::string seam = carry + std::string(chunk.substr(0, keep));
            if (chunk.find(wanted) != std::string_view::npos || seam.find(wanted) != std::string::npos)
                break;
            carry += chunk.substr(chunk.size() - std::min(chunk.size(), keep));
            carry.erase(0, carry.size() - std::min(carry.size(), keep));
        }
        if (deadline > 0 && nowSeconds() >= deadline)
            break;
    }
    limit.seconds = nowSeconds() - t0;
    const MachineTicks ticks1 = machineTicks();
    limit.idleShare = ticks1.idleSince(ticks0);
    limit.stolenShare = ticks1.stolenSince(ticks0);
    ::kill(pid, SIGKILL);
    ::close(master);
    ::waitpid(pid, nullptr, 0);
    return limit;
}

} // namespace vesper::bench
