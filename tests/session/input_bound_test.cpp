// The bound on input the session holds for a child that does not read: a
// write beyond it is dropped whole and reported by error(), device replies
// of an attached widget count like typed input, and once the child reads
// again what is written afterwards arrives.
#include "lumenvale/attach.h"
#include "lumenvale/terminal_widget.h"
#include "session/process_session.h"
#include "session_test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

namespace vesper {
namespace {

using testing::Recorder;
using testing::waitFor;

constexpr qsizetype kChunk = 1 << 20;

class InputBound : public testing::ApplicationTest {
protected:
    std::unique_ptr<PtySession> session{PtySession::create()};
    Recorder recorder{session.get()};

    // Writes 1 MiB chunks until one is dropped; returns the bytes accepted.
    qint64 fillUntilDropped()
    {
        const QByteArray chunk(kChunk, 'x');
        qint64 accepted = 0;
        for (int i = 0; i < 2 * ProcessSession::maxUnwrittenInput / kChunk && session->error().isEmpty(); ++i) {
            session->write(chunk);
            if (session->error().isEmpty())
                accepted += kChunk;
        }
        return accepted;
    }
};

TEST_F(InputBound, ChildThatNeverReadsHoldsAtMostTheBoundAndReadsWhatFollowsLater)
{
    // The child reads nothing until the flag file holds the number of bytes
    // to skip, then skips them, says so, and echoes the first line that
    // holds MARK.  Raw mode: the line discipline passes every byte on.
    QTemporaryDir dir;
    const QString flag = dir.filePath("skip");
    const QString script = QStringLiteral("stty raw -echo; echo ready; "
                                          "until [ -s '%1' ]; do sleep 0.05; done; "
                                          "head -c \"$(cat '%1')\" >/dev/null; echo drained; exec grep -m1 MARK")
                               .arg(flag);
    ASSERT_TRUE(session->start("sh", {"-c", script}, {}, 80, 24)) << session->error().toStdString();
    ASSERT_TRUE(waitFor([&] { return recorder.output.contains("ready"); }));

    const qint64 accepted = fillUntilDropped();
    EXPECT_EQ(session->error(), QStringLiteral("write: input buffer full, %1 bytes dropped").arg(kChunk));
    // Up to the bound (less a chunk), plus what the writer moved into the
    // terminal's own buffers (less than a chunk).
    EXPECT_GT(accepted, ProcessSession::maxUnwrittenInput - 2 * kChunk);
    EXPECT_LE(accepted, ProcessSession::maxUnwrittenInput + kChunk);

    std::ofstream(flag.toStdString()) << accepted << '\n';
    ASSERT_TRUE(waitFor([&] { return recorder.output.contains("drained"); }, 60000));
    session->write("typed after MARK\n");
    ASSERT_TRUE(waitFor([&] { return !recorder.exitCodes.empty(); }, 10000));
    EXPECT_TRUE(recorder.output.contains("typed after MARK")) << recorder.output.right(200).toStdString();
    EXPECT_EQ(recorder.exitCodes, std::vector<int>{0});
}

TEST_F(InputBound, DeviceRepliesOfAnAttachedWidgetCountAgainstTheBound)
{
    TerminalWidget widget;
    attach(&widget, session.get());
    ASSERT_TRUE(session->start("sh", {"-c", "exec sleep 30"}, {}, 80, 24));
    session->write(QByteArray(ProcessSession::maxUnwrittenInput - ProcessSession::queuedWriteCost, 'x'));
    ASSERT_TRUE(session->error().isEmpty());
    // More replies than the terminal's own buffers can take from the writer.
    widget.feed(QByteArray("\x1b[c").repeated(50000));
    EXPECT_TRUE(waitFor([&] { return session->error().startsWith("write: input buffer full, "); }))
        << session->error().toStdString();
    session->terminate();
}

} // namespace
} // namespace vesper
