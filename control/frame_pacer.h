// FramePacer: how often output may repaint the view.  Under a flood every
// parsing pass changes the screen, and repainting after each one spends the
// GUI thread on frames nobody can see (hundreds a second on a small grid,
// half the thread on a large one) instead of on the output.  Output's
// repaints therefore go out at most once a display frame, and further apart
// while a frame is dear, so that painting keeps to about a quarter of the
// thread and the parse gets the rest.  A frame may take several paints (each
// stops after its budget); the pause is counted from the end of its last.
// A repaint after a quiet spell (a key's echo) goes out at once; repaints
// the user asks for (scrolling, selecting) are not paced.
#pragma once

#include <QtGlobal>

#include <algorithm>

namespace vesper {

class FramePacer {
public:
    static constexpr qint64 kFrameNanoseconds = 16'000'000;
    static constexpr int kPaintShareInverse = 4; // a frame may take 1/4 of the thread

    // A paint began at `start` and took `cost` nanoseconds; `frameDone`: it
    // painted all that was left of its frame.
    void painted(qint64 start, qint64 cost, bool frameDone)
    {
        m_frameCost += cost;
        if (!frameDone)
            return;
        // Dearer frames count at once, cheaper ones slowly: one quick frame
        // must not bring the next costly one closer.
        m_cost = m_frameCost > m_cost ? m_frameCost : m_cost + (m_frameCost - m_cost) / 4;
        m_frameCost = 0;
        m_frameEnd = start + cost;
    }

    // Nanoseconds from `now` until output may repaint again; 0 for now.
    qint64 wait(qint64 now) const
    {
        if (m_frameEnd < 0)
            return 0;
        const qint64 pause = std::max(kFrameNanoseconds - m_cost, m_cost * (kPaintShareInverse - 1));
        return std::max<qint64>(m_frameEnd + pause - now, 0);
    }

private:
    qint64 m_frameEnd = -1;
    qint64 m_frameCost = 0; // of the paints of the frame under way
    qint64 m_cost = 0;      // of a whole frame, smoothed
};

} // namespace vesper
