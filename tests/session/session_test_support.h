// Helpers of the session tests: one QApplication for the whole program, a
// recorder of a session's signals, and waiting on the event loop.
#pragma once

#include "lumenvale/pty_session.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <dirent.h>
#include <memory>
#include <vector>

namespace vesper::testing {

inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "vesper_session_tests";
    static char *argv[] = {name, nullptr};
    static auto *app = new QApplication(argc, argv);
    (void)app;
}

// A fixture base that makes the application exist before any member of the
// derived fixture (widgets need it at construction).
class ApplicationTest : public ::testing::Test {
protected:
    ApplicationTest() { ensureApplication(); }
};

// Everything a session emitted, in order.
struct Recorder {
    explicit Recorder(PtySession *session)
    {
        QObject::connect(session, &PtySession::dataReceived, [this](const QByteArray &data) {
            output += data;
            ++chunks;
        });
        QObject::connect(session, &PtySession::finished, [this](int code) { exitCodes.push_back(code); });
    }
    // The output without the carriage returns the terminal adds to newlines.
    QByteArray text() const { return QByteArray(output).replace("\r", ""); }

    QByteArray output;
    int chunks = 0;
    std::vector<int> exitCodes;
};

inline bool waitFor(const std::function<bool()> &condition, int timeoutMs = 10000)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

inline int countEntries(const char *dir)
{
    int n = 0;
    if (DIR *d = ::opendir(dir)) {
        while (const dirent *e = ::readdir(d))
            n += e->d_name[0] != '.';
        ::closedir(d);
    }
    return n;
}

inline int openDescriptors() { return countEntries("/proc/self/fd") - 1; } // less opendir's own
inline int threadCount() { return countEntries("/proc/self/task"); }

} // namespace vesper::testing
