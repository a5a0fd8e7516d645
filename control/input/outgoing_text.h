// OutgoingText: the widget's bytes for the program, in order.  A text sent or
// pasted that is longer than one slice is encoded a slice per event-loop pass
// (about a quarter of a million UTF-16 units, a few milliseconds whatever the
// units are), so a paste of tens of megabytes never freezes the window; bytes
// the widget produces meanwhile (keys, replies) wait behind it.  Shorter texts
// and bytes with nothing waiting go out at once, inside the call.
//
// While paused (the session holds more unwritten input than it wants) no
// slice leaves and every text waits, so a paste larger than the session's
// input bound arrives whole instead of with holes.  Bytes with nothing
// waiting still leave at once: they are small, and the session bounds them.
// Bytes queued behind waiting text are bounded too (maxQueuedBytes): a
// program that floods requests for replies while it reads nothing cannot
// make the widget's memory grow.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>
#include <functional>
#include <string>

#include "control/input/text_encoding.h"

namespace vesper {

class OutgoingText {
public:
    static constexpr qsizetype sliceUnits = 1 << 18;
    static constexpr qsizetype maxQueuedBytes = 1 << 20;

    // `send` hands bytes on; `owner` is the object whose event loop paces the
    // slices (and which may be deleted by `send`'s receivers).
    OutgoingText(QObject *owner, std::function<void(const QByteArray &)> send);

    void addText(const QString &text, bool bracketedPaste);
    // False when the bytes were dropped: maxQueuedBytes already wait.
    bool addBytes(const QByteArray &bytes);
    bool pending() const { return !m_items.empty(); }

    void setPaused(bool paused);
    bool paused() const { return m_paused; }

private:
    struct Item {
        QByteArray bytes;    // ready bytes, or
        QString text;        // a text still to encode from `done`
        bool bracketed = false;
        qsizetype done = 0;
        bool isText = false;
        SlicedTextEncoder encoder{false};
    };
    void schedule();
    void step();

    QPointer<QObject> m_owner;
    std::function<void(const QByteArray &)> m_send;
    std::deque<Item> m_items;
    qsizetype m_queuedBytes = 0;
    bool m_scheduled = false;
    bool m_paused = false;
};

} // namespace vesper
