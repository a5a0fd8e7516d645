// Delivery of a real child's output: every byte of a 50 MB transfer through
// `cat` on a raw terminal arrives in order (checksum), output that queued up
// behind a slow receiver arrives joined in fewer, larger batches, and timers
// get their turn between batches.
#include "lumenvale/pty_session.h"
#include "session_test_support.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

namespace vesper {
namespace {

using testing::waitFor;

class SessionDelivery : public testing::ApplicationTest {
protected:
    std::unique_ptr<PtySession> session{PtySession::create()};
    QTemporaryDir dir;

    // A file of `size` bytes of every value (a raw terminal passes them all).
    QString writeFile(qint64 size)
    {
        const QString path = dir.filePath("data");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray block(1 << 20, Qt::Uninitialized);
        for (qint64 written = 0, n = 0; written < size; written += block.size(), ++n) {
            for (qsizetype i = 0; i < block.size(); ++i)
                block[i] = char((i * 131 + n * 17 + (i >> 12)) & 0xff);
            file.write(block.constData(), std::min<qint64>(block.size(), size - written));
        }
        return path;
    }

    bool catRaw(const QString &path)
    {
        return session->start("sh", {"-c", "stty raw -echo; printf S; cat '" + path + "'; printf E"}, {}, 80, 24);
    }
};

TEST_F(SessionDelivery, FiftyMegabytesThroughCatArriveWhole)
{
    const QString path = writeFile(50'000'000);
    QCryptographicHash expected(QCryptographicHash::Sha256);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        expected.addData(&file);
    }
    // The payload lies between the S and the E the shell prints around it.
    QCryptographicHash received(QCryptographicHash::Sha256);
    QByteArray head, tail;
    qint64 total = 0;
    bool finished = false;
    QObject::connect(session.get(), &PtySession::dataReceived, [&](const QByteArray &data) {
        total += data.size();
        QByteArrayView view(data);
        if (head.isEmpty()) {
            head = data.left(1);
            view = view.sliced(1);
        }
        if (view.isEmpty())
            return;
        // The last byte waits: it is the E when no more data follows.
        received.addData(tail);
        received.addData(view.first(view.size() - 1));
        tail = view.last(1).toByteArray();
    });
    QObject::connect(session.get(), &PtySession::finished, [&] { finished = true; });
    ASSERT_TRUE(catRaw(path));
    ASSERT_TRUE(waitFor([&] { return finished; }, 300000));
    EXPECT_EQ(head, "S");
    EXPECT_EQ(tail, "E");
    EXPECT_EQ(total, 50'000'002);
    EXPECT_EQ(received.result().toHex(), expected.result().toHex());
}

TEST_F(SessionDelivery, OutputQueuedBehindASlowReceiverIsJoinedAndTimersRunBetweenBatches)
{
    const QString path = writeFile(8 << 20);
    QByteArray output;
    qsizetype largest = 0;
    int batches = 0, batchesBeforeTheirTimer = 0;
    bool timerPending = false;
    bool finished = false;
    QObject::connect(session.get(), &PtySession::dataReceived, [&](const QByteArray &data) {
        // The zero-time timer of the previous batch has fired by now.
        batchesBeforeTheirTimer += timerPending ? 1 : 0;
        timerPending = true;
        QTimer::singleShot(0, [&] { timerPending = false; });
        output += data;
        largest = std::max(largest, data.size());
        // A receiver slow at first: the reader queues many chunks meanwhile.
        if (++batches <= 3)
            QThread::msleep(50);
    });
    QObject::connect(session.get(), &PtySession::finished, [&] { finished = true; });
    ASSERT_TRUE(catRaw(path));
    ASSERT_TRUE(waitFor([&] { return finished; }, 120000));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(output, "S" + file.readAll() + "E");
    // More than one read (64 KiB) in a batch: queued chunks were joined.
    EXPECT_GT(largest, 65536);
    EXPECT_EQ(batchesBeforeTheirTimer, 0);
}

} // namespace
} // namespace vesper
