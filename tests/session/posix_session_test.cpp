// The POSIX session with real children: exit codes, failures to start, the
// terminal's size, what the child inherits, large transfers in both
// directions, termination and the absence of leftovers (zombies, descriptors,
// threads) after many sessions.
#include "lumenvale/pty_session.h"
#include "session_test_support.h"
#include "tests/support/resident_memory.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace vesper {
namespace {

using testing::Recorder;
using testing::waitFor;

class PosixSession : public testing::ApplicationTest {
protected:

    std::unique_ptr<PtySession> session{PtySession::create()};
    Recorder recorder{session.get()};

    bool startShell(const QString &script, int cols = 80, int rows = 24, const QStringList &env = {})
    {
        return session->start("sh", {"-c", script}, env, cols, rows);
    }
    bool waitForOutput(const QByteArray &needle, int timeoutMs = 10000)
    {
        return waitFor([&] { return recorder.text().contains(needle); }, timeoutMs);
    }
    bool waitForFinished(int timeoutMs = 10000)
    {
        return waitFor([&] { return !recorder.exitCodes.empty(); }, timeoutMs);
    }
};

// True when this process has no child left, running or zombie.
bool noChildren()
{
    int status;
    return ::waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

// How long the long-running cases run; scaled up to measure figures by hand.
int longCaseSeconds()
{
    const QByteArray value = qgetenv("LUMENVALE_SESSION_SECONDS");
    return value.isEmpty() ? 2 : value.toInt();
}

struct ExitCase {
    const char *name;
    const char *script;
    int code;
};

class SessionExit : public PosixSession, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(SessionExit, ReportsCodeOnceThenTerminateAddsNothing)
{
    ASSERT_TRUE(startShell(GetParam().script)) << session->error().toStdString();
    ASSERT_TRUE(waitForFinished());
    EXPECT_EQ(recorder.exitCodes, std::vector<int>{GetParam().code});
    EXPECT_FALSE(session->running());
    session->terminate();
    QTest::qWait(50);
    EXPECT_EQ(recorder.exitCodes.size(), 1u);
    EXPECT_TRUE(noChildren());
}

INSTANTIATE_TEST_SUITE_P(Table, SessionExit,
                         ::testing::Values(ExitCase{"success", "exit 0", 0}, ExitCase{"status", "exit 3", 3},
                                           ExitCase{"killed", "kill -9 $$", 128 + 9},
                                           ExitCase{"terminated", "kill -TERM $$", 128 + 15}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(PosixSession, ProgramThatCannotStartFailsWithoutFinished)
{
    QTemporaryDir dir;
    const QString notExecutable = dir.filePath("plain.txt");
    std::ofstream(notExecutable.toStdString()) << "echo never\n";

    const struct {
        QString program;
        const char *error;
    } cases[] = {{"lumenvale-no-such-program", "exec: No such file or directory"},
                 {"/nonexistent/dir/program", "exec: No such file or directory"},
                 {notExecutable, "exec: Permission denied"},
                 {"", "exec: No such file or directory"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.program.toStdString());
        EXPECT_FALSE(session->start(c.program, {}, {}, 80, 24));
        EXPECT_EQ(session->error().toStdString(), c.error);
        EXPECT_FALSE(session->running());
    }
    QTest::qWait(100);
    EXPECT_TRUE(recorder.exitCodes.empty());
    EXPECT_TRUE(recorder.output.isEmpty());
    EXPECT_TRUE(noChildren());

    // The same object starts normally afterwards.
    ASSERT_TRUE(startShell("echo started"));
    ASSERT_TRUE(waitForOutput("started\n"));
    ASSERT_TRUE(waitForFinished());
    EXPECT_EQ(recorder.exitCodes, std::vector<int>{0});
}

TEST_F(PosixSession, SecondStartFailsAndLeavesFirstChildAlone)
{
    ASSERT_TRUE(startShell("read line; echo got $line"));
    EXPECT_FALSE(session->start("true", {}, {}, 80, 24));
    EXPECT_EQ(session->error(), "session already started");
    EXPECT_TRUE(session->running());
    session->write("first\n");
    ASSERT_TRUE(waitForOutput("got first\n"));
    ASSERT_TRUE(waitForFinished());
    // Exited but not released: still refused.
    EXPECT_FALSE(session->start("true", {}, {}, 80, 24));
    EXPECT_EQ(session->error(), "session already started");
}

TEST_F(PosixSession, TerminateHangsUpThenKillsChildIgnoringHangUp)
{
    ASSERT_TRUE(startShell("trap '' HUP; echo ready; sleep 30"));
    ASSERT_TRUE(waitForOutput("ready"));
    session->terminate();
    EXPECT_FALSE(session->running());
    // The reaper kills it after the grace period; `finished` follows.
    ASSERT_TRUE(waitForFinished());
    EXPECT_EQ(recorder.exitCodes, std::vector<int>{128 + 9});
    EXPECT_TRUE(waitFor(noChildren));
    session->terminate();
    QTest::qWait(50);
    EXPECT_EQ(recorder.exitCodes.size(), 1u);
}

TEST_F(PosixSession, TerminateThenStartBehavesLikeNewSession)
{
    ASSERT_TRUE(startShell("echo ready; sleep 30"));
    ASSERT_TRUE(waitForOutput("ready"));
    session->terminate();
    ASSERT_TRUE(waitForFinished());
    EXPECT_EQ(recorder.exitCodes, std::vector<int>{128 + 1});
    session->write("ignored after terminate\n");

    ASSERT_TRUE(startShell("read line; echo again $line; exit 5"));
    session->write("x\n");
    ASSERT_TRUE(waitFor([&] { return recorder.exitCodes.size() == 2; }));
    EXPECT_EQ(recorder.exitCodes[1], 5);
    EXPECT_TRUE(recorder.text().contains("again x\n"));
}

TEST_F(PosixSession, TerminateWithWritesQueuedStopsWriterAndNewRunGetsNoneOfThem)
{
    ASSERT_TRUE(startShell("stty raw -echo; echo ready; sleep 30"));
    ASSERT_TRUE(waitForOutput("ready"));
    // The child never reads: the writer blocks on a full terminal with most
    // of these still queued behind it.
    for (int i = 0; i < 64; ++i)
        session->write(QByteArray(64 * 1024, 'x'));
    QTest::qWait(100);
    QElapsedTimer terminateTime;
    terminateTime.start();
    session->terminate();
    EXPECT_LT(terminateTime.elapsed(), 1500); // the writer does not hold it up
    ASSERT_TRUE(waitForFinished());
    EXPECT_EQ(recorder.exitCodes, std::vector<int>{128 + 1});

    ASSERT_TRUE(startShell("read line; echo got \"$line\"; exit 4"));
    session->write("fresh\n");
    ASSERT_TRUE(waitFor([&] { return recorder.exitCodes.size() == 2; }));
    EXPECT_EQ(recorder.exitCodes[1], 4);
    EXPECT_TRUE(recorder.text().contains("got fresh\n")) << recorder.text().right(200).toStdString();
}

TEST_F(PosixSession, BackgroundProcessHoldingTerminalDoesNotDelayFinishedLong)
{
    ASSERT_TRUE(startShell("sleep 30 & echo started; exit 6"));
    ASSERT_TRUE(waitForFinished(5000));
    EXPECT_EQ(recorder.exitCodes, std::vector<int>{6});
    EXPECT_TRUE(recorder.text().contains("started\n"));
    session->terminate();
    EXPECT_EQ(recorder.exitCodes.size(), 1u);
}

TEST_F(PosixSession, TerminateBeforeStartEmitsZeroOnce)
{
    session->terminate();
    session->terminate();
    EXPECT_EQ(recorder.exitCodes, std::vector<int>{0});
    session->write("nowhere");
    session->resize(10, 10);
}

TEST_F(PosixSession, TerminalSizeAtStartAndAfterResize)
{
    // SIGWINCH may cut a `read` short, so every line (or signal) re-reports.
    ASSERT_TRUE(startShell("trap 'echo winch' WINCH; stty size; while :; do read line; stty size; done", 100, 30));
    ASSERT_TRUE(waitForOutput("30 100\n"));
    session->resize(132, 50);
    session->write("\n");
    ASSERT_TRUE(waitForOutput("50 132\n"));
    EXPECT_TRUE(recorder.text().contains("winch\n"));
    session->resize(0, -3);
    session->write("\n");
    ASSERT_TRUE(waitForOutput("1 1\n")) << recorder.text().toStdString();
    session->terminate();
}

TEST_F(PosixSession, SizeBelowOneBecomesOne)
{
    ASSERT_TRUE(startShell("stty size", 0, -5));
    ASSERT_TRUE(waitForFinished());
    EXPECT_EQ(recorder.text(), "1 1\n");
}

TEST_F(PosixSession, ChildGetsEnvironmentTerminalAndCleanProcessState)
{
    // Things the host does that must not reach the child: ignored SIGPIPE,
    // a blocked signal, a descriptor without close-on-exec.
    const auto oldPipe = std::signal(SIGPIPE, SIG_IGN);
    sigset_t usr1, oldMask;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    ::pthread_sigmask(SIG_BLOCK, &usr1, &oldMask);
    const int stray = ::open("/dev/null", O_RDONLY);

    const bool started = startShell(
        "echo \"env $TERM $COLORTERM [$LV_A] [$LV_EMPTY] [${LV_BAD-unset}]\"; "
        "echo cwd $(pwd); ls /proc/self/fd | tr '\\n' ' '; echo; "
        "grep -E '^Sig(Blk|Ign)' /proc/self/status; "
        "exec 3</dev/tty && echo controlling tty; "
        "read -r pid comm state ppid pgrp sid rest </proc/$$/stat; echo ids $pid $pgrp $sid",
        80, 24, {"LV_A=x=y", "LV_EMPTY=", "LV_BAD", "=LV_BAD=1"});

    ::close(stray);
    ::pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    std::signal(SIGPIPE, oldPipe);
    ASSERT_TRUE(started) << session->error().toStdString();
    ASSERT_TRUE(waitForFinished());
    const QString text = QString::fromUtf8(recorder.text());

    EXPECT_TRUE(text.contains("env xterm-256color truecolor [x=y] [] [unset]\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("cwd " + QDir::currentPath() + "\n")) << text.toStdString();
    // ls itself holds 0-2 and its directory; nothing else came along.
    EXPECT_TRUE(text.contains("\n0 1 2 3 \n")) << text.toStdString();
    EXPECT_TRUE(text.contains("SigBlk:\t0000000000000000\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("SigIgn:\t0000000000000000\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("controlling tty\n")) << text.toStdString();
    // A session leader: session id and process group are its own pid.
    EXPECT_TRUE(QRegularExpression("\nids (\\d+) \\1 \\1\n").match(text).hasMatch()) << text.toStdString();
}

TEST_F(PosixSession, LargeOutputArrivesCompleteAndInOrder)
{
    constexpr int lines = 1400000; // about 10 MB with the terminal's CR LF
    ASSERT_TRUE(session->start("seq", {"1", QString::number(lines)}, {}, 80, 24));
    ASSERT_TRUE(waitForFinished(120000));
    // Everything the child wrote came before `finished`.
    ASSERT_TRUE(recorder.output.endsWith(QByteArray::number(lines) + "\r\n"));
    const QByteArray text = recorder.text();
    EXPECT_GT(text.size(), 9'000'000);
    EXPECT_GT(recorder.chunks, 1);
    int expected = 1;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype end = text.indexOf('\n', at);
        ASSERT_NE(end, -1);
        ASSERT_EQ(text.mid(at, end - at), QByteArray::number(expected)) << "at line " << expected;
        ++expected;
        at = end + 1;
    }
    EXPECT_EQ(expected, lines + 1);
}

TEST_F(PosixSession, LargeWriteToSlowReaderKeepsEventLoopRunning)
{
    constexpr int size = 10 << 20;
    QByteArray data(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        data[i] = static_cast<char>((i * 7 + i / 4096) & 0xff);
    const QByteArray digest = QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex();

    ASSERT_TRUE(startShell(QString("stty raw -echo; echo ready; sleep 2; head -c %1 | md5sum").arg(size)));
    ASSERT_TRUE(waitForOutput("ready"));

    qint64 longestGap = 0;
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    ticker.start(5);

    QElapsedTimer writeTime;
    writeTime.start();
    // Split so that the order of queued writes matters too.
    session->write(data.left(size / 3));
    session->write(data.mid(size / 3));
    // A write that waited for the child would take the child's 2 s sleep.
    EXPECT_LT(writeTime.elapsed(), 1500);

    ASSERT_TRUE(waitForOutput(digest, 120000)) << recorder.text().right(200).toStdString();
    std::printf("longest event-loop gap during a 10 MB write: %lld ms\n", static_cast<long long>(longestGap));
}

TEST_F(PosixSession, ManySmallWritesArriveInOrderWhileWriterSleepsAndWakes)
{
    std::vector<QByteArray> lines;
    QByteArray all;
    for (int i = 0; i < 3000; ++i) {
        lines.push_back("line " + QByteArray::number(i) + "\n");
        all += lines.back();
    }
    const QByteArray digest = QCryptographicHash::hash(all, QCryptographicHash::Md5).toHex();
    ASSERT_TRUE(startShell(QString("stty raw -echo; echo ready; head -c %1 | md5sum").arg(all.size())));
    ASSERT_TRUE(waitForOutput("ready"));
    // Bursts with pauses between them, so that the writer runs dry and goes
    // to sleep many times and each burst must wake it again.
    for (std::size_t i = 0; i < lines.size(); ++i) {
        session->write(lines[i]);
        if (i % 100 == 99)
            QTest::qWait(i % 300 == 299 ? 20 : 1);
    }
    EXPECT_TRUE(waitForOutput(digest, 30000)) << recorder.text().right(200).toStdString();
}

TEST(PosixSessionBound, EndlessOutputKeepsBytesInFlightBounded)
{
    testing::ensureApplication();
    std::unique_ptr<PtySession> session(PtySession::create());
    qint64 received = 0;
    QObject::connect(session.get(), &PtySession::dataReceived,
                     [&](const QByteArray &data) { received += data.size(); });
    const long before = residentKiB();
    ASSERT_TRUE(session->start("yes", {}, {}, 80, 24));
    // The session's thread stalls: without the bound, `yes` would pile up
    // megabytes of queued chunks every second it lasts.
    QThread::sleep(std::chrono::seconds(longCaseSeconds()));
    const long stalled = residentKiB();
    session->terminate();
    // The reader is joined now; what it read is still queued and arrives
    // next: never more than the bound plus the last read.
    qint64 previous;
    do {
        previous = received;
        QTest::qWait(100);
    } while (received != previous);
    std::printf("yes with the event loop stalled %d s: %lld bytes queued, resident growth %ld KiB\n",
                longCaseSeconds(), static_cast<long long>(received), stalled - before);
    EXPECT_GT(received, 1 << 20);
    EXPECT_LE(received, 4 * 1024 * 1024 + 65536);
#ifndef __SANITIZE_ADDRESS__
    // (ASan keeps freed memory in quarantine, so resident size says little there.)
    EXPECT_LT(stalled - before, 32 * 1024);
#endif
}

TEST(PosixSessionLeftovers, ManyDestroyedSessionsLeaveNothingBehind)
{
    testing::ensureApplication();
    // One session first, so that whatever Qt sets up once is in the baseline.
    {
        std::unique_ptr<PtySession> warmUp(PtySession::create());
        ASSERT_TRUE(warmUp->start("true", {}, {}, 80, 24));
        QTest::qWait(50);
    }
    QTest::qWait(50);
    const int fds = testing::openDescriptors();
    const int threads = testing::threadCount();

    for (int i = 0; i < 200; ++i) {
        std::unique_ptr<PtySession> session(PtySession::create());
        bool finished = false;
        QObject::connect(session.get(), &PtySession::finished, [&] { finished = true; });
        switch (i % 4) {
        case 0: // running while destroyed
            ASSERT_TRUE(session->start("sleep", {"30"}, {}, 80, 24));
            break;
        case 1: // exited and reported
            ASSERT_TRUE(session->start("true", {}, {}, 80, 24));
            ASSERT_TRUE(waitFor([&] { return finished; }));
            break;
        case 2: // exited, not yet noticed
            ASSERT_TRUE(session->start("true", {}, {}, 80, 24));
            break;
        case 3: // writing into a child that does not read
            ASSERT_TRUE(session->start("sleep", {"30"}, {}, 80, 24));
            session->write(QByteArray(256 * 1024, 'x'));
            break;
        }
        session.reset();
        EXPECT_FALSE(finished && i % 4 != 1) << "destruction emitted finished, iteration " << i;
    }
    // The reapers of the children that were still running end with them.
    EXPECT_TRUE(waitFor([&] { return noChildren() && testing::threadCount() == threads; }));
    EXPECT_TRUE(noChildren());
    EXPECT_EQ(testing::openDescriptors(), fds);
    EXPECT_EQ(testing::threadCount(), threads);
}

} // namespace
} // namespace vesper
