// The POSIX session against hostile or careless use: arguments that C strings
// would cut short, UTF-8 line editing in the terminal's canonical mode.
#include "session/pty_session.h"
#include "session_test_support.h"

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

} // namespace
} // namespace vesper
