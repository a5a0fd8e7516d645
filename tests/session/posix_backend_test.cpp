// The POSIX backend driven directly, as the shared session drives it, with
// both ways of noticing the child's end: output read to the end, exit codes,
// interrupt() unblocking a reader and a writer that wait on a silent child.
#include "session/posix/posix_pty_backend.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/wait.h>
#include <thread>

namespace vesper {
namespace {

using Watch = PosixPtyBackend::ExitWatch;

class PosixBackend : public ::testing::TestWithParam<Watch> {
protected:
    PosixPtyBackend backend{GetParam()};

    bool startShell(const std::string &script)
    {
        PtyLaunch launch;
        launch.program = "sh";
        launch.args = {"-c", script};
        return backend.start(launch);
    }
    std::string readAll()
    {
        std::string all;
        char buffer[65536];
        while (const std::size_t got = backend.read(buffer, sizeof buffer))
            all.append(buffer, got);
        return all;
    }
};

bool noChildren()
{
    int status;
    return ::waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

TEST_P(PosixBackend, ReadsToTheEndAndReportsExitCode)
{
    ASSERT_TRUE(startShell("echo out; exit 4")) << backend.errorText();
    EXPECT_EQ(readAll(), "out\r\n");
    ASSERT_TRUE(backend.waitForExit(10000));
    EXPECT_EQ(backend.exitCode(), 4);
    EXPECT_EQ(backend.exitCode(), 4); // stays known after the reap
    backend.interrupt();
    backend.release();
    EXPECT_TRUE(noChildren());
}

TEST_P(PosixBackend, WaitTimesOutWhileChildRunsThenHangUpEndsIt)
{
    ASSERT_TRUE(startShell("sleep 30"));
    EXPECT_FALSE(backend.waitForExit(50));
    EXPECT_EQ(backend.exitCode(), std::nullopt);
    backend.hangUp();
    ASSERT_TRUE(backend.waitForExit(10000));
    EXPECT_EQ(backend.exitCode(), 128 + SIGHUP);
    backend.interrupt();
    backend.release();
    EXPECT_TRUE(noChildren());
}

TEST_P(PosixBackend, InterruptUnblocksReaderAndWriter)
{
    ASSERT_TRUE(startShell("exec sleep 30"));
    std::size_t readResult = 1, writeResult = 1;
    std::thread reader([&] {
        // The terminal echoes what the writer sends; read until the end.
        char buffer[256];
        while ((readResult = backend.read(buffer, sizeof buffer)) != 0) {
        }
    });
    std::thread writer([&] {
        // sleep never reads: the terminal's input fills and the write blocks.
        const std::string block(4096, 'x');
        while ((writeResult = backend.write(block.data(), block.size())) != 0) {
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    backend.interrupt();
    reader.join();
    writer.join();
    EXPECT_EQ(readResult, 0u);
    EXPECT_EQ(writeResult, 0u);
    backend.kill();
    ASSERT_TRUE(backend.waitForExit(10000));
    EXPECT_EQ(backend.exitCode(), 128 + SIGKILL);
    backend.release();
    EXPECT_TRUE(noChildren());
}

TEST_P(PosixBackend, ReleaseOfRunningChildLeavesNoZombieAndAllowsRestart)
{
    ASSERT_TRUE(startShell("trap '' HUP; sleep 30"));
    backend.interrupt();
    backend.release();
    EXPECT_TRUE(noChildren());
    ASSERT_TRUE(startShell("echo second"));
    EXPECT_EQ(readAll(), "second\r\n");
    ASSERT_TRUE(backend.waitForExit(10000));
    EXPECT_EQ(backend.exitCode(), 0);
    backend.release();
}

INSTANTIATE_TEST_SUITE_P(ExitWatch, PosixBackend, ::testing::Values(Watch::Automatic, Watch::WaiterThread),
                         [](const auto &info) {
                             return info.param == Watch::Automatic ? std::string("automatic")
                                                                   : std::string("waiter_thread");
                         });

} // namespace
} // namespace vesper
