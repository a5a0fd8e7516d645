// ByteQueue: bytes waiting in arrival order, taken from the front in pieces
// without copying or moving what stays behind (a backlog of many megabytes
// is parsed a few kilobytes at a time).
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <algorithm>
#include <deque>

namespace vesper {

class ByteQueue {
public:
    bool empty() const { return m_chunks.empty(); }

    void append(const QByteArray &bytes)
    {
        if (!bytes.isEmpty())
            m_chunks.push_back(bytes); // shared, not copied
    }

    // Up to `max` bytes from the front; valid until pop().
    QByteArrayView front(qsizetype max) const
    {
        const QByteArray &chunk = m_chunks.front();
        return QByteArrayView(chunk).sliced(m_offset, std::min(max, chunk.size() - m_offset));
    }

    // Drops `count` bytes of front(): at most what it returned.
    void pop(qsizetype count)
    {
        m_offset += count;
        if (m_offset == m_chunks.front().size()) {
            m_chunks.pop_front();
            m_offset = 0;
        }
    }

    // Calls f(QByteArrayView) for the waiting bytes, oldest first.
    template <typename F>
    void forEachPiece(F f) const
    {
        qsizetype offset = m_offset;
        for (const QByteArray &chunk : m_chunks) {
            f(QByteArrayView(chunk).sliced(offset));
            offset = 0;
        }
    }

private:
    std::deque<QByteArray> m_chunks;
    qsizetype m_offset = 0; // into the front chunk
};

} // namespace vesper
