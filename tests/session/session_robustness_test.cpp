// The POSIX session against hostile or careless use: arguments that C strings
// would cut short, UTF-8 line editing in the terminal's canonical mode,
// children that ignore the hang-up, slots that delete the session.
#include "lumenvale/pty_session.h"
#include "session_test_support.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/wait.h>

namespace vesper {
namespace {

using testing::Recorder;
using testing::waitFor;

class SessionRobustness : public testing::ApplicationTest {
protected:
    std::unique_ptr<PtySession> session{PtySession::create()};
    Recorder recorder{session.get()};

    bool runToEnd(const QString &script, const QByteArray &input = {})
    {
        if (!session->start("sh", {"-c", script}, {}, 80, 24))
            return false;
        if (!input.isEmpty())
            session->write(input);
        return waitFor([&] { return !recorder.exitCodes.empty(); });
    }
};

bool noChildren()
{
    int status;
    return ::waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

TEST_F(SessionRobustness, NulInProgramArgumentOrEnvironmentFailsBeforeStarting)
{
    const QString nul(QChar(u'\0'));
    const struct {
        const char *name;
        QString program;
        QStringList args;
        QStringList env;
    } cases[] = {
        {"program", "sh" + nul + "x", {"-c", "exit 0"}, {}},
        {"argument", "sh", {"-c", "touch never" + nul + "ls"}, {}},
        {"first argument", "sh", {nul}, {}},
        {"environment name", "true", {}, {"A" + nul + "B=1"}},
        {"environment value", "true", {}, {"A=1" + nul}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(session->start(c.program, c.args, c.env, 80, 24));
        EXPECT_EQ(session->error().toStdString(), "start: program, argument or environment contains a NUL character");
        EXPECT_FALSE(session->running());
        EXPECT_TRUE(noChildren());
    }
    QTest::qWait(50);
    EXPECT_TRUE(recorder.exitCodes.empty());
    // Nothing was left half started: the same object runs a program next.
    ASSERT_TRUE(runToEnd("exit 6"));
    EXPECT_EQ(recorder.exitCodes, std::vector<int>{6});
}

TEST_F(SessionRobustness, TerminalInputIsUtf8SoEraseRemovesWholeCharacters)
{
    // Canonical mode: DEL after "é" must take both of its bytes back.
    ASSERT_TRUE(runToEnd("stty -a | tr ' ' '\\n' | grep -x -e iutf8 -e -iutf8; "
                         "read -r line; printf '%s' \"$line\" | od -An -tx1",
                         "a\xc3\xa9\x7f" "b\n"));
    const QByteArray text = recorder.text();
    EXPECT_TRUE(text.contains("iutf8\n") && !text.contains("-iutf8")) << text.toStdString();
    EXPECT_TRUE(text.contains(" 61 62\n")) << text.toStdString();
}

// A child that ignores SIGHUP takes the whole grace period; neither
// terminate() nor destruction may wait for it on the session's thread.
constexpr const char *ignoresHangUp = "trap '' HUP; echo ready; exec sleep 30";

TEST_F(SessionRobustness, TerminateReturnsAtOnceAndFinishedFollowsTheKill)
{
    ASSERT_TRUE(session->start("sh", {"-c", ignoresHangUp}, {}, 80, 24));
    ASSERT_TRUE(waitFor([&] { return recorder.text().contains("ready"); }));
    QElapsedTimer elapsed;
    elapsed.start();
    session->terminate();
    EXPECT_LT(elapsed.elapsed(), 1000); // the grace period is 2 s
    EXPECT_FALSE(session->running());
    EXPECT_TRUE(recorder.exitCodes.empty());
    ASSERT_TRUE(waitFor([&] { return !recorder.exitCodes.empty(); }));
    EXPECT_GE(elapsed.elapsed(), 1500);
    EXPECT_EQ(recorder.exitCodes, std::vector<int>{128 + 9});
    EXPECT_TRUE(waitFor(noChildren));
    // The session is free for the next run meanwhile.
    recorder.exitCodes.clear();
    ASSERT_TRUE(runToEnd("exit 2"));
    EXPECT_EQ(recorder.exitCodes, std::vector<int>{2});
}

TEST_F(SessionRobustness, DestructionReturnsAtOnceEmitsNothingAndLeavesNoChild)
{
    ASSERT_TRUE(session->start("sh", {"-c", ignoresHangUp}, {}, 80, 24));
    ASSERT_TRUE(waitFor([&] { return recorder.text().contains("ready"); }));
    QElapsedTimer elapsed;
    elapsed.start();
    session.reset();
    EXPECT_LT(elapsed.elapsed(), 1000);
    EXPECT_TRUE(waitFor(noChildren));
    QTest::qWait(50);
    EXPECT_TRUE(recorder.exitCodes.empty());
}

TEST_F(SessionRobustness, TerminatedThenDestroyedBeforeTheKillEmitsNothing)
{
    ASSERT_TRUE(session->start("sh", {"-c", ignoresHangUp}, {}, 80, 24));
    ASSERT_TRUE(waitFor([&] { return recorder.text().contains("ready"); }));
    session->terminate();
    session.reset();
    EXPECT_TRUE(waitFor(noChildren));
    QTest::qWait(100);
    EXPECT_TRUE(recorder.exitCodes.empty());
}

// Each case deletes the session from a slot of one of its signals; the
// session must not touch itself afterwards (the sanitizer build sees it).
struct DeletingSlotCase {
    const char *name;
    const char *script; // nullptr: never started
    bool onOutput;      // delete from dataReceived, else from finished
    bool terminate;     // call terminate() once the child printed "ready"
};

class DeletedFromItsOwnSlot : public testing::ApplicationTest,
                              public ::testing::WithParamInterface<DeletingSlotCase> {};

TEST_P(DeletedFromItsOwnSlot, IsNeverTouchedAgain)
{
    const DeletingSlotCase &c = GetParam();
    PtySession *session = PtySession::create();
    QByteArray output;
    int deletions = 0;
    const auto deleteSession = [&] {
        ++deletions;
        delete std::exchange(session, nullptr);
    };
    if (c.onOutput)
        QObject::connect(session, &PtySession::dataReceived, [&](const QByteArray &) { deleteSession(); });
    else
        QObject::connect(session, &PtySession::finished, [&](int) { deleteSession(); });
    QObject::connect(session, &PtySession::dataReceived, [&](const QByteArray &data) { output += data; });

    if (c.script) {
        ASSERT_TRUE(session->start("sh", {"-c", c.script}, {}, 80, 24));
        if (c.terminate) {
            ASSERT_TRUE(waitFor([&] { return !session || output.contains("ready"); }));
            if (session)
                session->terminate();
        }
    } else {
        session->terminate();
    }
    EXPECT_TRUE(waitFor([&] { return session == nullptr; }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(deletions, 1);
    delete session;
    EXPECT_TRUE(waitFor(noChildren));
}

INSTANTIATE_TEST_SUITE_P(
    Table, DeletedFromItsOwnSlot,
    ::testing::Values(
        DeletingSlotCase{"output_with_more_queued", "seq 1 200000; exec sleep 30", true, false},
        DeletingSlotCase{"finished_on_exit", "echo bye; exit 3", false, false},
        DeletingSlotCase{"finished_after_terminate_of_a_live_child", "echo ready; exec sleep 30", false, true},
        DeletingSlotCase{"finished_after_terminate_of_an_exited_child", "echo ready", false, true},
        DeletingSlotCase{"finished_from_terminate_before_start", nullptr, false, false}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace vesper
