// Smoke test of the Win32 pseudo-console backend, run under Wine by run.sh
// (and runnable as is on Windows).  Every check drives ConPtyBackend for real
// with cmd.exe or test_child.exe on a pseudo console.  Console output is
// compared with escape sequences and carriage returns stripped, since the
// console host re-renders text with cursor movements of its own choosing.
//
// usage: conpty_smoke.exe RESULTS-FILE   (one PASS/FAIL/SKIP line per check)
#include "conpty_backend.h"
#include "win32_support.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

using namespace std::chrono_literals;
using vesper::PtyLaunch;
using vesper::win::ConPtyBackend;

namespace {

FILE *results = nullptr;
int failures = 0;
std::atomic<const char *> currentCheck{"start-up"};

void report(const char *status, const char *name, const std::string &detail = {})
{
    std::fprintf(results, "%s %s%s%s\n", status, name, detail.empty() ? "" : ": ", detail.c_str());
    std::fflush(results);
}

// Drops CSI and OSC sequences, two-byte escapes and carriage returns.
std::string stripEscapes(const std::string &in)
{
    std::string out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const char c = in[i];
        if (c == '\r')
            continue;
        if (c != '\x1b') {
            out.push_back(c);
            continue;
        }
        if (++i >= in.size())
            break;
        if (in[i] == '[') {
            while (++i < in.size() && !(in[i] >= 0x40 && in[i] <= 0x7e)) {
            }
        } else if (in[i] == ']') {
            while (++i < in.size() && in[i] != '\a' && !(in[i] == '\x1b' && i + 1 < in.size() && in[i + 1] == '\\')) {
            }
            if (i < in.size() && in[i] == '\x1b')
                ++i;
        }
    }
    return out;
}

// Reads the backend's output on its own thread until read() returns 0, as
// the session's reader does (it keeps draining after the session stops it).
class Capture {
public:
    explicit Capture(ConPtyBackend &backend)
        : thread_([this, &backend] {
              char buffer[65536];
              while (const std::size_t n = backend.read(buffer, sizeof buffer)) {
                  std::lock_guard lock(mutex_);
                  bytes_.append(buffer, n);
              }
              done_ = true;
          })
    {
    }
    ~Capture()
    {
        if (thread_.joinable())
            thread_.join();
    }
    std::string text()
    {
        std::lock_guard lock(mutex_);
        return stripEscapes(bytes_);
    }
    bool waitForText(const std::string &needle, std::chrono::milliseconds limit)
    {
        return poll([&] { return text().find(needle) != std::string::npos; }, limit);
    }
    bool waitDone(std::chrono::milliseconds limit)
    {
        const bool done = poll([&] { return done_.load(); }, limit);
        if (done)
            thread_.join();
        return done;
    }

private:
    static bool poll(const std::function<bool()> &ready, std::chrono::milliseconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!ready()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }

    std::mutex mutex_;
    std::string bytes_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

std::string childPath()
{
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring wide(path, length);
    wide = wide.substr(0, wide.find_last_of(L"\\/") + 1) + L"test_child.exe";
    return vesper::win::toUtf8(std::u16string(wide.begin(), wide.end()));
}

PtyLaunch launch(std::string program, std::vector<std::string> args, std::vector<std::string> env = {})
{
    PtyLaunch l;
    l.program = std::move(program);
    l.args = std::move(args);
    l.env = std::move(env);
    return l;
}

// Ends a run the way the session does: stop, let the reader drain to the
// end, then release.  False when the reader did not finish.
bool finish(ConPtyBackend &backend, Capture &capture)
{
    backend.interrupt();
    const bool drained = capture.waitDone(10s);
    if (drained)
        backend.release();
    return drained;
}

struct Check {
    const char *name;
    std::function<std::string()> run; // empty string: passed; "SKIP ...": skipped
};

std::string exitsWithCodeAndText()
{
    ConPtyBackend backend;
    if (!backend.start(launch("cmd.exe", {"/c", "echo hello & exit 3"})))
        return "start failed: " + backend.errorText();
    Capture capture(backend);
    std::string problem;
    if (!backend.waitForExit(10000))
        problem = "child did not exit";
    else if (backend.exitCode() != 3)
        problem = "exit code " + std::to_string(backend.exitCode().value_or(-1));
    if (problem.empty() && !capture.waitForText("hello", 5s))
        problem = "no hello in: " + capture.text();
    if (!finish(backend, capture))
        problem += " (reader did not end after interrupt)";
    return problem;
}

std::string floodArrivesInOrder()
{
    constexpr int lines = 1600; // 1600 x 66 bytes: just over 100 KB
    ConPtyBackend backend;
    if (!backend.start(launch(childPath(), {"flood", std::to_string(lines), "7"})))
        return "start failed: " + backend.errorText();
    Capture capture(backend);
    std::string problem;
    if (!backend.waitForExit(20000))
        problem = "child did not exit";
    else if (backend.exitCode() != 7)
        problem = "exit code " + std::to_string(backend.exitCode().value_or(-1));
    char last[16];
    std::snprintf(last, sizeof last, "L%05d ", lines - 1);
    capture.waitForText(last, 20s);
    const std::string text = capture.text();
    std::size_t at = 0;
    for (int i = 0; i < lines && problem.empty(); ++i) {
        char line[80];
        std::snprintf(line, sizeof line, "L%05d %s", i, std::string(56, static_cast<char>('a' + i % 26)).c_str());
        const std::size_t found = text.find(line, at);
        if (found == std::string::npos)
            problem = "line " + std::to_string(i) + " missing or out of order";
        else
            at = found + 1;
    }
    if (!finish(backend, capture))
        problem += " (reader did not end after interrupt)";
    return problem;
}

std::string writeReachesChild()
{
    ConPtyBackend backend;
    if (!backend.start(launch(childPath(), {"echo"})))
        return "start failed: " + backend.errorText();
    Capture capture(backend);
    const std::string input = "ping 42\r";
    std::size_t sent = 0;
    while (sent < input.size()) {
        const std::size_t n = backend.write(input.data() + sent, input.size() - sent);
        if (n == 0)
            break;
        sent += n;
    }
    std::string problem;
    if (sent != input.size())
        problem = "write stopped after " + std::to_string(sent) + " bytes";
    else if (!capture.waitForText("got:ping 42", 10s))
        problem = "no echo in: " + capture.text();
    else if (!backend.waitForExit(5000) || backend.exitCode() != 0)
        problem = "child did not exit with 0";
    if (!finish(backend, capture))
        problem += " (reader did not end after interrupt)";
    return problem;
}

std::string terminateEndsChild()
{
    ConPtyBackend backend;
    if (!backend.start(launch(childPath(), {"sleep"})))
        return "start failed: " + backend.errorText();
    Capture capture(backend);
    std::string problem;
    if (backend.exitCode().has_value())
        problem = "sleeping child reported as ended";
    backend.hangUp();
    if (!backend.waitForExit(2000))
        problem = "child still runs 2 s after TerminateProcess";
    else if (backend.exitCode() != 1)
        problem = "exit code " + std::to_string(backend.exitCode().value_or(-1)) + " instead of 1";
    if (!finish(backend, capture))
        problem += " (reader did not end after interrupt)";
    return problem;
}

std::string closeUnblocksReader()
{
    ConPtyBackend backend;
    if (!backend.start(launch(childPath(), {"sleep"})))
        return "start failed: " + backend.errorText();
    Capture capture(backend);
    std::this_thread::sleep_for(300ms); // the reader is now blocked in ReadFile
    std::string problem;
    backend.interrupt();
    if (!capture.waitDone(10s))
        return "reader still blocked 10 s after ClosePseudoConsole";
    // The child may survive its console; end it before releasing.
    backend.kill();
    backend.waitForExit(2000);
    backend.release();
    return problem;
}

std::string closeWhileOutputPending()
{
    // A child that writes far more than a pipe holds while nobody reads: the
    // console host blocks on the full pipe, and closing the console completes
    // only because the reader, started late, drains to the end.
    ConPtyBackend backend;
    if (!backend.start(launch(childPath(), {"flood", "40000", "0"})))
        return "start failed: " + backend.errorText();
    std::this_thread::sleep_for(1s);
    Capture capture(backend);
    std::thread closer([&] { backend.interrupt(); });
    const bool drained = capture.waitDone(30s);
    closer.join();
    if (!drained)
        return "reader did not end after ClosePseudoConsole";
    backend.kill();
    backend.waitForExit(2000);
    backend.release();
    return {};
}

std::string blockedWriteEndsOnInterrupt()
{
    ConPtyBackend backend;
    if (!backend.start(launch(childPath(), {"sleep"})))
        return "start failed: " + backend.errorText();
    Capture capture(backend);
    std::atomic<bool> writerDone{false};
    std::thread writer([&] {
        const std::string block(1 << 16, 'x');
        for (int i = 0; i < 256 && backend.write(block.data(), block.size()) > 0; ++i) {
        }
        writerDone = true;
    });
    std::this_thread::sleep_for(500ms);
    backend.interrupt();
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!writerDone && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    if (!writerDone) {
        // Leaving the thread blocked would hang the whole test program.
        std::fprintf(results, "FAIL blocked-write-ends-on-interrupt: writer still blocked\n");
        std::fflush(results);
        std::_Exit(1);
    }
    writer.join();
    std::string problem;
    if (backend.write("y", 1) != 0)
        problem = "write accepted bytes after interrupt";
    if (!capture.waitDone(10s))
        problem += " (reader did not end after interrupt)";
    backend.kill();
    backend.waitForExit(2000);
    backend.release();
    return problem;
}

std::string environmentReachesChild()
{
    // "grüß 世界" with a character outside the BMP: UTF-8 in, UTF-16 in the block.
    const std::string value = "gr\xc3\xbc\xc3\x9f \xe4\xb8\x96\xe7\x95\x8c \xf0\x9f\x98\x80";
    ConPtyBackend backend;
    if (!backend.start(launch(childPath(), {"env", "LUMENVALE_GREETING"}, {"LUMENVALE_GREETING=" + value})))
        return "start failed: " + backend.errorText();
    Capture capture(backend);
    const std::string expected = "env:0067 0072 00fc 00df 0020 4e16 754c 0020 d83d de00 end";
    std::string problem;
    if (!capture.waitForText(expected, 10s))
        problem = "value differs: " + capture.text();
    if (!finish(backend, capture))
        problem += " (reader did not end after interrupt)";
    backend.waitForExit(2000);
    return problem;
}

std::string terminalVariablesSet()
{
    ConPtyBackend backend;
    if (!backend.start(launch("cmd.exe", {"/c", "echo [%TERM%] [%COLORTERM%]"})))
        return "start failed: " + backend.errorText();
    Capture capture(backend);
    std::string problem;
    if (!capture.waitForText("[xterm-256color] [truecolor]", 10s))
        problem = "not found in: " + capture.text();
    backend.waitForExit(5000);
    if (!finish(backend, capture))
        problem += " (reader did not end after interrupt)";
    return problem;
}

std::string missingProgramFails()
{
    ConPtyBackend backend;
    if (backend.start(launch("no-such-program-lumenvale.exe", {})))
        return "start succeeded";
    const std::string error = backend.errorText();
    // Only the call's name is checked: Wine's message texts differ.
    if (error.rfind("CreateProcess: ", 0) != 0)
        return "error text: " + error;
    // The backend released itself: it can be started again at once.
    if (!backend.start(launch("cmd.exe", {"/c", "exit 5"})))
        return "restart after failure: " + backend.errorText();
    Capture capture(backend);
    std::string problem;
    if (!backend.waitForExit(10000) || backend.exitCode() != 5)
        problem = "restarted child did not exit with 5";
    if (!finish(backend, capture))
        problem += " (reader did not end after interrupt)";
    return problem;
}

std::string restartAfterRelease()
{
    // Each run must read and write like the first: nothing of the last run's
    // stop may carry over.
    ConPtyBackend backend;
    for (int run = 0; run < 3; ++run) {
        const std::string word = "run" + std::to_string(run);
        if (!backend.start(launch(childPath(), {"echo"})))
            return "start " + word + " failed: " + backend.errorText();
        Capture capture(backend);
        const std::string input = word + "\r";
        const bool written = backend.write(input.data(), input.size()) == input.size();
        const bool seen = written && capture.waitForText("got:" + word, 10s);
        backend.waitForExit(5000);
        if (!finish(backend, capture))
            return word + ": reader did not end after interrupt";
        if (!written)
            return word + ": write refused";
        if (!seen)
            return word + ": echo missing in: " + capture.text();
    }
    return {};
}

std::string resizeAccepted()
{
    if (vesper::win::runningUnderWine())
        return "SKIP ResizePseudoConsole is not implemented in Wine";
    ConPtyBackend backend;
    if (!backend.start(launch("cmd.exe", {"/c", "mode con"})))
        return "start failed: " + backend.errorText();
    Capture capture(backend);
    backend.resize(0, 0, 0, 0); // clamped to 1 x 1, must not fail
    backend.resize(100, 30, 0, 0);
    backend.waitForExit(5000);
    const bool drained = finish(backend, capture);
    return drained ? std::string() : "reader did not end after interrupt";
}

} // namespace

int main(int argc, char **argv)
{
    results = argc > 1 ? std::fopen(argv[1], "w") : stdout;
    if (!results)
        return 2;
    std::thread([] {
        std::this_thread::sleep_for(150s);
        std::fprintf(results, "FAIL watchdog: %s did not finish\n", currentCheck.load());
        std::fflush(results);
        std::_Exit(3);
    }).detach();

    report("INFO", "wine", vesper::win::runningUnderWine() ? "yes" : "no");
    const Check checks[] = {
        {"exit-code-and-text", exitsWithCodeAndText},
        {"flood-in-order", floodArrivesInOrder},
        {"write-reaches-child", writeReachesChild},
        {"terminate-ends-child", terminateEndsChild},
        {"close-unblocks-reader", closeUnblocksReader},
        {"close-while-output-pending", closeWhileOutputPending},
        {"blocked-write-ends-on-interrupt", blockedWriteEndsOnInterrupt},
        {"environment-reaches-child", environmentReachesChild},
        {"terminal-variables-set", terminalVariablesSet},
        {"missing-program-fails", missingProgramFails},
        {"restart-after-release", restartAfterRelease},
        {"resize", resizeAccepted},
    };
    for (const Check &check : checks) {
        currentCheck = check.name;
        const std::string problem = check.run();
        if (problem.empty()) {
            report("PASS", check.name);
        } else if (problem.rfind("SKIP ", 0) == 0) {
            report("SKIP", check.name, problem.substr(5));
        } else {
            report("FAIL", check.name, problem.substr(0, 400));
            ++failures;
        }
    }
    std::fprintf(results, "%s %d failed\n", failures ? "FAILED" : "OK", failures);
    std::fflush(results);
    std::_Exit(failures ? 1 : 0);
}
