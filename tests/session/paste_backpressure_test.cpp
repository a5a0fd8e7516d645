// Back-pressure between an attached widget and the session: a paste larger
// than the session's input bound, into a program that starts reading late,
// arrives whole, in order and closed, because the widget's sliced sending
// waits while the session holds more than its high-water mark.  The child
// starts reading only once the widget has gone quiet (paused, or done with
// the whole paste), then reads its terminal in raw mode (no line limit, no
// echo) and reports the count and SHA-256 of the bytes up to the end of the
// paste, then what came after it.
#include "lumenvale/attach.h"
#include "lumenvale/terminal_widget.h"
#include "session/process_session.h"
#include "session_test_support.h"
#include "control/input/text_encoding.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vesper {
namespace {

using testing::Recorder;
using testing::waitFor;

constexpr char kLateReader[] = R"(
import hashlib, os, select, sys, time, tty
tty.setraw(0)
os.write(1, b"ready\n")
while not os.path.exists(sys.argv[1]):
    time.sleep(0.02)
end = b"\x1b[201~"
digest, count, tail, after = hashlib.sha256(), 0, b"", None
def more():
    return os.read(0, 65536) if select.select([0], [], [], 5)[0] else b""
while after is None:
    chunk = more()
    if not chunk:
        break
    at = (tail + chunk).find(end)
    cut = len(chunk) if at < 0 else at + len(end) - len(tail)
    digest.update(chunk[:cut])
    count += cut
    tail = (tail + chunk[:cut])[-len(end):]
    after = None if at < 0 else chunk[cut:]
while after is not None and b"after" not in after and (chunk := more()):
    after += chunk
os.write(1, b"got %d %s %r\n" % (count, digest.hexdigest().encode(), after))
)";

// 100 MiB of numbered lines.
QString hundredMebibytes()
{
    constexpr qsizetype kLine = 64;
    QString text(qsizetype(100) << 20, QChar(u'a'));
    char16_t *units = reinterpret_cast<char16_t *>(text.data());
    for (qsizetype line = 0; line * kLine < text.size(); ++line) {
        char16_t *at = units + line * kLine;
        for (qsizetype n = line, digit = 7; digit >= 0; --digit, n /= 10)
            at[digit] = char16_t(u'0' + n % 10);
        at[8] = u' ';
        at[kLine - 1] = u'\n';
    }
    return text;
}

class PasteBackPressure : public testing::ApplicationTest {};

TEST_F(PasteBackPressure, PastePastTheInputBoundIntoALateReaderArrivesWholeInOrderAndClosed)
{
    TerminalWidget widget;
    std::unique_ptr<PtySession> session(PtySession::create());
    Recorder recorder(session.get());
    std::vector<bool> backlog;
    QObject::connect(session.get(), &PtySession::inputBacklogChanged, [&](bool b) { backlog.push_back(b); });
    attach(&widget, session.get());
    QTemporaryDir dir;
    const QString startReading = dir.filePath("go");
    ASSERT_TRUE(session->start("python3", {"-c", kLateReader, startReading}, {}, 80, 24))
        << session->error().toStdString();
    ASSERT_TRUE(waitFor([&] { return recorder.output.contains("ready"); }));
    QElapsedTimer quiet;
    int sent = 0;
    QObject::connect(&widget, &TerminalWidget::dataReady, [&] {
        ++sent;
        quiet.restart();
    });

    const QString text = hundredMebibytes();
    ASSERT_GT(text.size(), ProcessSession::maxUnwrittenInput);
    const std::string expected = encodeTextFast(text, true);
    const QByteArray digest =
        QCryptographicHash::hash(QByteArrayView(expected.data(), qsizetype(expected.size())), QCryptographicHash::Sha256);
    widget.feed("\x1b[?2004h");
    ASSERT_TRUE(widget.paste(text));
    widget.send("after"); // typed meanwhile: behind the paste
    ASSERT_TRUE(waitFor([&] { return sent > 0 && quiet.elapsed() > 500; }, 60000));
    QFile(startReading).open(QIODevice::WriteOnly);
    ASSERT_TRUE(waitFor([&] { return recorder.output.contains("got "); }, 60000));
    ASSERT_TRUE(waitFor([&] { return recorder.output.endsWith("\n"); }));
    const QByteArray report = recorder.output.mid(recorder.output.indexOf("got "));
    EXPECT_EQ(report.toStdString(), "got " + std::to_string(expected.size()) + " " + digest.toHex().toStdString() +
                                        " b'after'\n");
    EXPECT_TRUE(session->error().isEmpty()) << session->error().toStdString();
    // The session asked the widget to wait, and to go on once drained.
    ASSERT_TRUE(waitFor([&] { return !backlog.empty() && !backlog.back(); }));
    EXPECT_TRUE(backlog.front());
    session->terminate();
}

} // namespace
} // namespace vesper
