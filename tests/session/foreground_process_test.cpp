// The foreground process and XON/XOFF flow control of sessions with real
// children: the child itself, a program it exec'd, a job an interactive
// shell put in the foreground, nothing once the run ended; flow control as
// the terminal holds it, and XOFF typed while it is on holding the output
// until XON.
#include "lumenvale/pty_session.h"
#include "session_test_support.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace vesper {
namespace {

using testing::Recorder;
using testing::waitFor;

class Foreground : public testing::ApplicationTest {
protected:
    std::unique_ptr<PtySession> session{PtySession::create()};
    Recorder recorder{session.get()};
};

TEST_F(Foreground, IsTheChildThenWhatItExecs)
{
    EXPECT_EQ(session->foregroundProcessId(), 0);
    ASSERT_TRUE(session->start("/bin/sh", {"-c", "read line; exec sleep 5"}, {}, 80, 24));
    const qint64 pid = session->processId();
    ASSERT_TRUE(waitFor([&] { return session->foregroundProcessId() == pid; }));
    EXPECT_EQ(session->foregroundProcessName(), "sh");
    session->write("go\n");
    ASSERT_TRUE(waitFor([&] { return session->foregroundProcessName() == "sleep"; }));
    EXPECT_EQ(session->foregroundProcessId(), pid) << "exec keeps the process";
    session->terminate();
    ASSERT_TRUE(waitFor([&] { return !recorder.exitCodes.empty(); }));
    EXPECT_EQ(session->foregroundProcessId(), 0);
    EXPECT_EQ(session->foregroundProcessName(), "");
}

// An interactive shell runs each job in a process group of its own and
// hands it the terminal; the shell is in the foreground again afterwards.
TEST_F(Foreground, IsTheJobAnInteractiveShellRuns)
{
    ASSERT_TRUE(session->start("/bin/sh", {"-i"}, {"PS1=$ ", "ENV="}, 80, 24));
    const qint64 shell = session->processId();
    ASSERT_TRUE(waitFor([&] { return recorder.output.contains("$ "); }));
    session->write("sleep 30\n");
    ASSERT_TRUE(waitFor([&] { return session->foregroundProcessName() == "sleep"; }));
    EXPECT_NE(session->foregroundProcessId(), shell);
    session->write("\x03");
    ASSERT_TRUE(waitFor([&] { return session->foregroundProcessId() == shell; }));
    EXPECT_EQ(session->foregroundProcessName(), "sh");
    session->terminate();
}

TEST_F(Foreground, FlowControlFollowsTheTerminal)
{
    EXPECT_TRUE(session->flowControl()) << "on until set, as terminals start";
    session->setFlowControl(false);
    EXPECT_FALSE(session->flowControl());
    ASSERT_TRUE(session->start("/bin/sh", {"-c", "stty -a; read line"}, {}, 80, 24));
    ASSERT_TRUE(waitFor([&] { return recorder.text().contains("-ixon"); })) << recorder.text().constData();
    EXPECT_TRUE(recorder.text().contains("-ixoff"));
    EXPECT_FALSE(session->flowControl());
    session->setFlowControl(true);
    EXPECT_TRUE(session->flowControl());
    session->terminate();
}

// XOFF holds the program's output and says so; XON releases both.  Off,
// XOFF is a byte like any other.
TEST_F(Foreground, TypedXoffSuspendsTheOutputUntilXon)
{
    ASSERT_TRUE(session->start("/bin/sh", {"-c", "stty -echo; while read line; do echo \"got $line\"; done"}, {}, 80,
                               24));
    QSignalSpy suspended(session.get(), &PtySession::outputSuspendedChanged);
    session->write("a\n");
    ASSERT_TRUE(waitFor([&] { return recorder.text().contains("got a"); }));
    session->write("\x13");
    EXPECT_TRUE(session->outputSuspended());
    session->write("b\n");
    QTest::qWait(300);
    EXPECT_FALSE(recorder.text().contains("got b")) << "output is held";
    session->write("\x11");
    EXPECT_FALSE(session->outputSuspended());
    ASSERT_TRUE(waitFor([&] { return recorder.text().contains("got b"); }));
    ASSERT_EQ(suspended.count(), 2);
    EXPECT_EQ(suspended.at(0).at(0).toBool(), true);
    EXPECT_EQ(suspended.at(1).at(0).toBool(), false);

    session->setFlowControl(false);
    session->write("\x13" "c\n");
    EXPECT_FALSE(session->outputSuspended());
    session->terminate();
}

} // namespace
} // namespace vesper
