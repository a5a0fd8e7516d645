#include "widget/outgoing_text.h"

#include <QMetaObject>

#include "widget/text_encoding.h"

namespace vesper {

namespace {

QByteArray toBytes(const std::string &s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}

} // namespace

OutgoingText::OutgoingText(QObject *owner, std::function<void(const QByteArray &)> send)
    : m_owner(owner), m_send(std::move(send))
{
}

void OutgoingText::addText(const QString &text, bool bracketedPaste)
{
    if (m_items.empty() && text.size() <= sliceUnits) {
        m_send(toBytes(encodeTextFast(text, bracketedPaste)));
        return;
    }
    Item item;
    item.text = text; // shared, not copied
    item.bracketed = bracketedPaste;
    item.isText = true;
    m_items.push_back(std::move(item));
    schedule();
}

void OutgoingText::addBytes(const QByteArray &bytes)
{
    if (m_items.empty()) {
        m_send(bytes);
        return;
    }
    Item item;
    item.bytes = bytes;
    m_items.push_back(std::move(item));
}

void OutgoingText::schedule()
{
    if (m_scheduled || !m_owner)
        return;
    m_scheduled = true;
    QMetaObject::invokeMethod(m_owner, [this] { step(); }, Qt::QueuedConnection);
}

void OutgoingText::step()
{
    m_scheduled = false;
    // Ready bytes up to the next text, then one slice of that text.  A
    // receiver of `send` may delete the owner, and this with it.
    // The sender is a copy, alive for the call whatever the receiver does.
    const QPointer<QObject> alive = m_owner;
    const std::function<void(const QByteArray &)> sendNow = m_send;
    while (!m_items.empty()) {
        Item &item = m_items.front();
        if (!item.isText) {
            const QByteArray bytes = std::move(item.bytes);
            m_items.pop_front();
            sendNow(bytes);
            if (!alive)
                return;
            continue;
        }
        std::string out;
        if (item.bracketed && item.done == 0)
            out = "\x1b[200~";
        const qsizetype end = textSliceEnd(item.text, item.done, sliceUnits);
        appendEncodedText(out, QStringView(item.text).sliced(item.done, end - item.done), item.bracketed);
        item.done = end;
        const bool last = end == item.text.size();
        if (last) {
            if (item.bracketed)
                out += "\x1b[201~";
            m_items.pop_front();
        }
        sendNow(toBytes(out));
        if (!alive)
            return;
        break;
    }
    if (!m_items.empty())
        schedule();
}

} // namespace vesper
