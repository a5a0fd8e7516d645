// PtySession: the interface between a terminal view and a child program
// running behind a pseudo terminal.  create() returns the platform's session;
// other implementations (Python ones included) subclass it.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

namespace vesper {

class PtySession : public QObject {
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

private:
    QString workingDirectory_;
    int cellPixelWidth_ = 0;
    int cellPixelHeight_ = 0;
};

} // namespace vesper
