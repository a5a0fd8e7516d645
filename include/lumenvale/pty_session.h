// PtySession: the interface between a terminal view and a child program
// running behind a pseudo terminal.  create() returns the platform's session;
// other implementations (Python ones included) subclass it.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include "lumenvale/export.h"

namespace vesper {

class LUMENVALE_SESSION_EXPORT PtySession : public QObject {
    Q_OBJECT
public:
    explicit PtySession(QObject *parent = nullptr);

    // A new, idle session of this platform (not started).
    static PtySession *create(QObject *parent = nullptr);

    virtual bool start(const QString &program, const QStringList &args, const QStringList &env, int cols,
                       int rows) = 0;
    virtual bool running() const = 0;
    virtual QString error() const = 0;

    // The folder the next start() runs the program in; empty keeps the
    // caller's.  A folder that cannot be entered makes start() fail with
    // "chdir: <message>".  Stored here, so subclasses need not override.
    virtual void setWorkingDirectory(const QString &directory);
    virtual QString workingDirectory() const;

    // The child's process id while it runs, 0 otherwise.
    virtual qint64 processId() const;

    // The process in the terminal's foreground while the child runs: the
    // leader of the foreground process group (tcgetpgrp), the child itself
    // until it starts a job, and its short name (/proc on Linux, libproc on
    // macOS, empty elsewhere).  0 and empty when nothing runs, and always on
    // Windows, whose pseudo console has no foreground group to ask.
    virtual qint64 foregroundProcessId() const;
    virtual QString foregroundProcessName() const;

    // XON/XOFF output flow control (IXON/IXOFF) of the terminal: applied at
    // once while the child runs and at every start; left as the terminal
    // starts (on, on POSIX) until set.  flowControl() is the terminal's
    // setting now while a child runs (a program may have changed it), else
    // what the next start applies.  No effect on Windows.
    virtual void setFlowControl(bool on);
    virtual bool flowControl() const;
    // The user typed XOFF (Ctrl+S) while flow control was on, and the
    // program's output is held until XON (Ctrl+Q): seen in the bytes written,
    // so a host can say "output suspended, Ctrl+Q resumes".
    virtual bool outputSuspended() const;
    // The terminal's cell in pixels, as the last setCellPixelSize() gave it;
    // 0 x 0 until then.
    int cellPixelWidth() const { return cellPixelWidth_; }
    int cellPixelHeight() const { return cellPixelHeight_; }

signals:
    void dataReceived(QByteArray data);
    void finished(int exitCode);
    // Optional back-pressure: true when the input written but not yet taken
    // by the program has grown past what the session wants to hold, false
    // once it has drained (or the run ended).  attach() pauses the widget's
    // sending in between; a session that never emits it is never waited for.
    void inputBacklogChanged(bool backlogged);
    // outputSuspended() changed; from the event loop.
    void outputSuspendedChanged(bool suspended);

public slots:
    virtual void write(const QByteArray &data) = 0;
    virtual void resize(int cols, int rows) = 0;
    // The terminal's cell size in pixels, which attach() hands on at once and
    // after every font change: the platform sessions give the child's
    // terminal a pixel size of columns x width by rows x height, from start()
    // on and after each resize.  The default only stores it, so a session
    // that knows nothing of pixels need not override it.
    virtual void setCellPixelSize(int width, int height);
    virtual void terminate() = 0;

protected:
    // Whether setFlowControl was called, and with what.
    int requestedFlowControl_ = -1;

private:
    QString workingDirectory_;
    int cellPixelWidth_ = 0;
    int cellPixelHeight_ = 0;
};

} // namespace vesper
