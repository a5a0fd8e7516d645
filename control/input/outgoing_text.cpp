#include "control/input/outgoing_text.h"

#include <QMetaObject>

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
    if (m_items.empty() && !m_paused && text.size() <= sliceUnits) {
        m_send(toBytes(encodeTextFast(text, bracketedPaste)));
        return;
    }
    Item item;
    item.text = text; // shared, not copied
    item.bracketed = bracketedPaste;
    item.isText = true;
    item.encoder = SlicedTextEncoder(bracketedPaste);
    m_items.push_back(std::move(item));
    schedule();
}

bool OutgoingText::addBytes(const QByteArray &bytes)
{
    if (m_items.empty()) {
        m_send(bytes);
        return true;
    }
    if (m_queuedBytes + bytes.size() > maxQueuedBytes)
        return false;
    m_queuedBytes += bytes.size();
    if (!m_items.back().isText) {
        m_items.back().bytes += bytes; // keys and replies travel together
        return true;
    }
    Item item;
    item.bytes = bytes;
    m_items.push_back(std::move(item));
    return true;
}

void OutgoingText::setPaused(bool paused)
{
    m_paused = paused;
    if (!m_paused && !m_items.empty())
        schedule();
}

void OutgoingText::schedule()
{
    if (m_scheduled || m_paused || !m_owner)
        return;
    m_scheduled = true;
    QMetaObject::invokeMethod(m_owner, [this] { step(); }, Qt::QueuedConnection);
}

void OutgoingText::step()
{
    m_scheduled = false;
    // Ready bytes up to the next text, then one slice of that text; nothing
    // once a receiver paused the sending.  A receiver of `send` may delete
    // the owner, and this with it.  The sender is a copy, alive for the call
    // whatever the receiver does.
    const QPointer<QObject> alive = m_owner;
    const std::function<void(const QByteArray &)> sendNow = m_send;
    while (!m_items.empty() && !m_paused) {
        Item &item = m_items.front();
        if (!item.isText) {
            const QByteArray bytes = std::move(item.bytes);
            m_queuedBytes -= bytes.size();
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
        item.encoder.append(out, QStringView(item.text).sliced(item.done, end - item.done));
        item.done = end;
        if (end == item.text.size()) {
            item.encoder.finish(out);
            if (item.bracketed)
                out += "\x1b[201~";
            m_items.pop_front();
        }
        // A slice of controls that a paste drops may encode to nothing.
        if (!out.empty()) {
            sendNow(toBytes(out));
            if (!alive)
                return;
        }
        break;
    }
    if (!m_items.empty())
        schedule();
}

} // namespace vesper
