// The signal connections between a terminal (widget, Quick item or control)
// and a PtySession.  They are plain automatic connections (a session
// emitting from another thread would still reach feed() in the terminal's
// thread), made through the terminal's meta-object so that every shell is
// accepted alike; write and resize are called through the virtual table so
// overrides (Python ones too) receive them.
#include "lumenvale/attach.h"

#include <QMetaMethod>

namespace vesper {

namespace {

QMetaMethod method(const QObject *object, const char *signature)
{
    const QMetaObject *meta = object->metaObject();
    const int index = meta->indexOfMethod(signature);
    return index < 0 ? QMetaMethod() : meta->method(index);
}

// The session learns the cell's pixel size now and after each change, so
// that the child's terminal has a pixel size from its start on.  Optional: a
// terminal without cellSizeChanged(int,int) and the invokable cellWidth()
// and cellHeight() gives none.
void handOnCellSize(QObject *terminal, PtySession *session)
{
    const QMetaMethod changed = method(terminal, "cellSizeChanged(int,int)");
    const QMetaMethod width = method(terminal, "cellWidth()");
    const QMetaMethod height = method(terminal, "cellHeight()");
    int w = 0, h = 0;
    if (!changed.isValid() || !width.invoke(terminal, Qt::DirectConnection, qReturnArg(w))
        || !height.invoke(terminal, Qt::DirectConnection, qReturnArg(h)))
        return;
    const QMetaObject *sessionMeta = session->metaObject();
    QObject::connect(terminal, changed, session,
                     sessionMeta->method(sessionMeta->indexOfMethod("setCellPixelSize(int,int)")));
    session->setCellPixelSize(w, h);
}

} // namespace

void attach(QObject *terminal, PtySession *session)
{
    if (!terminal || !session)
        return;
    const QMetaMethod feed = method(terminal, "feed(QByteArray)");
    const QMetaMethod pause = method(terminal, "setSendingPaused(bool)");
    const QMetaMethod dataReady = method(terminal, "dataReady(QByteArray)");
    const QMetaMethod resized = method(terminal, "resized(int,int)");
    if (!feed.isValid() || !pause.isValid() || !dataReady.isValid() || !resized.isValid())
        return;
    const QMetaObject *sessionMeta = session->metaObject();
    const auto sessionMethod = [&](const char *signature) {
        return sessionMeta->method(sessionMeta->indexOfMethod(signature));
    };
    QObject::connect(session, sessionMethod("dataReceived(QByteArray)"), terminal, feed);
    QObject::connect(terminal, dataReady, session, sessionMethod("write(QByteArray)"));
    QObject::connect(terminal, resized, session, sessionMethod("resize(int,int)"));
    QObject::connect(session, sessionMethod("inputBacklogChanged(bool)"), terminal, pause);
    handOnCellSize(terminal, session);
    // A paste paused by a session that is gone would wait for ever.
    QObject::connect(session, &QObject::destroyed, terminal,
                     [terminal, pause] { pause.invoke(terminal, Qt::DirectConnection, Q_ARG(bool, false)); });
}

} // namespace vesper
