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

signals:
    void dataReceived(QByteArray data);
    void finished(int exitCode);
    // Optional back-pressure: true when the input written but not yet taken
    // by the program has grown past what the session wants to hold, false
    // once it has drained (or the run ended).  attach() pauses the widget's
    // sending in between; a session that never emits it is never waited for.
    void inputBacklogChanged(bool backlogged);

public slots:
    virtual void write(const QByteArray &data) = 0;
    virtual void resize(int cols, int rows) = 0;
    virtual void terminate() = 0;

private:
    QString workingDirectory_;
};

} // namespace vesper
