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
    // A paste paused by a session that is gone would wait for ever.
    QObject::connect(session, &QObject::destroyed, terminal,
                     [terminal, pause] { pause.invoke(terminal, Qt::DirectConnection, Q_ARG(bool, false)); });
}

} // namespace vesper
