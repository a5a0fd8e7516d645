// The working directory and the process id of a session with real children.
#include "lumenvale/pty_session.h"
#include "session_test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace vesper {
namespace {

using testing::Recorder;
using testing::waitFor;

class SessionFolder : public testing::ApplicationTest {
protected:
    std::unique_ptr<PtySession> session{PtySession::create()};
    Recorder recorder{session.get()};
    QTemporaryDir dir;
};

TEST_F(SessionFolder, ProgramRunsInTheChosenFolderOrFailsWithChdir)
{
    ASSERT_TRUE(dir.isValid());
    const QString folder = QDir(dir.path()).canonicalPath();
    QFile plainFile(dir.filePath("file"));
    ASSERT_TRUE(plainFile.open(QIODevice::WriteOnly));
    plainFile.close();
    ASSERT_TRUE(QDir(folder).mkdir("with space"));
    QFile script(dir.filePath("with space/here.sh"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\npwd -P\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);

    struct Case {
        const char *name;
        QString directory;
        QString program;     // run with no arguments
        QString expectedPwd; // empty: start fails
        QString expectedError;
    };
    const Case cases[] = {
        {"empty keeps the caller's", "", "pwd", QDir::currentPath(), ""},
        {"an existing folder", folder, "pwd", folder, ""},
        {"a relative program is found from there", folder + "/with space", "./here.sh", folder + "/with space", ""},
        {"a missing folder", folder + "/missing", "pwd", "", "chdir: No such file or directory"},
        {"a file is no folder", folder + "/file", "pwd", "", "chdir: Not a directory"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<PtySession> s(PtySession::create());
        Recorder r(s.get());
        s->setWorkingDirectory(c.directory);
        EXPECT_EQ(s->workingDirectory(), c.directory);
        const bool started = s->start(c.program, {}, {}, 80, 24);
        if (c.expectedPwd.isEmpty()) {
            EXPECT_FALSE(started);
            EXPECT_EQ(s->error(), c.expectedError);
            EXPECT_FALSE(s->running());
            EXPECT_EQ(s->processId(), 0);
            continue;
        }
        ASSERT_TRUE(started) << s->error().toStdString();
        ASSERT_TRUE(waitFor([&] { return !r.exitCodes.empty(); }));
        EXPECT_EQ(r.text().trimmed(), QDir(c.expectedPwd).canonicalPath().toUtf8());
    }
}

TEST_F(SessionFolder, FolderChosenAfterAFailureIsUsedByTheNextStart)
{
    session->setWorkingDirectory(dir.filePath("missing"));
    ASSERT_FALSE(session->start("pwd", {}, {}, 80, 24));
    session->setWorkingDirectory(dir.path());
    ASSERT_TRUE(session->start("pwd", {}, {}, 80, 24)) << session->error().toStdString();
    ASSERT_TRUE(waitFor([&] { return !recorder.exitCodes.empty(); }));
    EXPECT_EQ(recorder.text().trimmed(), QDir(dir.path()).canonicalPath().toUtf8());
}

TEST_F(SessionFolder, ProcessIdIsTheChildsWhileItRunsAndZeroOtherwise)
{
    EXPECT_EQ(session->processId(), 0);
    ASSERT_TRUE(session->start("sh", {"-c", "echo pid=$$; read line"}, {}, 80, 24));
    ASSERT_TRUE(waitFor([&] { return recorder.text().contains("\n"); }));
    const QByteArray line = recorder.text().trimmed();
    ASSERT_TRUE(line.startsWith("pid=")) << line.toStdString();
    const qint64 pid = line.mid(4).toLongLong();
    EXPECT_EQ(session->processId(), pid);
    EXPECT_NE(pid, qint64(::getpid()));
    session->write("\n");
    ASSERT_TRUE(waitFor([&] { return !recorder.exitCodes.empty(); }));
    EXPECT_EQ(session->processId(), 0);
    session->terminate();
    EXPECT_EQ(session->processId(), 0);
}

} // namespace
} // namespace vesper
