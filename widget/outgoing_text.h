// OutgoingText: the widget's bytes for the program, in order.  A text sent or
// pasted that is longer than one slice is encoded a slice per event-loop pass
// (about a quarter of a million characters, a few milliseconds), so a paste
// of tens of megabytes never freezes the window; bytes the widget produces
// meanwhile (keys, replies) wait behind it.  Shorter texts and bytes with
// nothing waiting go out at once, inside the call.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>
#include <functional>
#include <string>

namespace vesper {

class OutgoingText {
public:
    static constexpr qsizetype sliceUnits = 1 << 18;

    // `send` hands bytes on; `owner` is the object whose event loop paces the
    // slices (and which may be deleted by `send`'s receivers).
    OutgoingText(QObject *owner, std::function<void(const QByteArray &)> send);

    void addText(const QString &text, bool bracketedPaste);
    void addBytes(const QByteArray &bytes);
    bool pending() const { return !m_items.empty(); }

private:
    struct Item {
        QByteArray bytes;    // ready bytes, or
        QString text;        // a text still to encode from `done`
        bool bracketed = false;
        qsizetype done = 0;
        bool isText = false;
    };
    void schedule();
    void step();

    QPointer<QObject> m_owner;
    std::function<void(const QByteArray &)> m_send;
    std::deque<Item> m_items;
    bool m_scheduled = false;
};

} // namespace vesper
