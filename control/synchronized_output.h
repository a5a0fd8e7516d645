// SynchronizedOutput: the hold of a synchronized frame (DEC private mode
// 2026).  While a program has the mode set, the output after it waits
// unparsed, so that the screen, its text and every paint show the frame only
// once the program resets the mode.  The hold watches the waiting bytes for
// that reset (CSI ? 2026 l, also when split across feeds) and ends anyway
// after kMaxHoldMilliseconds or kMaxHeldBytes, so that a program that never
// resets the mode cannot freeze the view.
#pragma once

#include <QByteArrayView>
#include <QElapsedTimer>

#include <string>

#include "control/byte_queue.h"

namespace vesper {

class SynchronizedOutput {
public:
    static constexpr int kMaxHoldMilliseconds = 150;
    static constexpr qsizetype kMaxHeldBytes = qsizetype(2) << 20;

    bool active() const { return m_active; }
    // The mode was just set: `waiting` holds the bytes that followed it.
    void begin(const ByteQueue &waiting);
    // Output that arrived during the hold.
    void arrived(QByteArrayView bytes);
    // The frame may be parsed: its end arrived, or a bound passed.  Once
    // ended, a hold stays ended until reset().
    bool ended();
    void reset() { *this = SynchronizedOutput(); }

private:
    bool m_active = false;
    bool m_ended = false;
    qsizetype m_held = 0;
    QElapsedTimer m_clock;
    std::string m_tail; // the last bytes seen, for an end marker split across feeds
};

} // namespace vesper
