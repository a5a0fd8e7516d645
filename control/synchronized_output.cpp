// The synchronized-frame hold: scanning held output for the mode's reset,
// and its time and size bounds.
#include "control/synchronized_output.h"

#include <algorithm>
#include <string_view>

namespace vesper {

namespace {

constexpr std::string_view kEndMarker = "\x1b[?2026l";

} // namespace

void SynchronizedOutput::begin(const ByteQueue &waiting)
{
    reset();
    m_active = true;
    m_clock.start();
    waiting.forEachPiece([this](QByteArrayView piece) { arrived(piece); });
}

void SynchronizedOutput::arrived(QByteArrayView bytes)
{
    if (m_ended || bytes.isEmpty())
        return;
    m_held += bytes.size();
    // A marker split across feeds starts in the tail and ends in the first
    // bytes of these.
    constexpr qsizetype keep = qsizetype(kEndMarker.size()) - 1;
    const std::string seam = m_tail + std::string(bytes.data(), std::size_t(std::min(bytes.size(), keep)));
    if (seam.find(kEndMarker) != std::string::npos
        || bytes.indexOf(QByteArrayView(kEndMarker.data(), qsizetype(kEndMarker.size()))) >= 0) {
        m_ended = true;
        return;
    }
    const std::string last = bytes.size() >= keep ? std::string(bytes.data() + bytes.size() - keep, std::size_t(keep))
                                                   : m_tail + std::string(bytes.data(), std::size_t(bytes.size()));
    m_tail = last.substr(last.size() - std::min(last.size(), std::size_t(keep)));
}

bool SynchronizedOutput::ended()
{
    if (!m_ended && (m_held >= kMaxHeldBytes || m_clock.elapsed() >= kMaxHoldMilliseconds))
        m_ended = true;
    return m_ended;
}

} // namespace vesper
