// LoopPassBudget: how much of one event-loop pass output may take.  A
// session's delivery (a parsing pass), a posted parsing pass and the
// window's update request (the paint) can all be delivered in one pass of
// the event loop before it serves its timers and input again, so their sum,
// not each alone, decides how late a frame or a keystroke is.  Each piece
// books its time here and asks what is left; a zero-interval timer, which
// fires only once the loop has come round to its timers, starts the count
// afresh.
#pragma once

#include <QTimer>

#include <algorithm>

namespace vesper {

class LoopPassBudget {
public:
    // With the child and the pty's own work on the other processor, this
    // leaves a 60 Hz frame room for the thread to wait for its turn.
    static constexpr qint64 kPassNanoseconds = 8'000'000;

    LoopPassBudget()
    {
        m_turn.setSingleShot(true);
        m_turn.setInterval(0);
        m_turn.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_turn, &QTimer::timeout, [this] { m_spent = 0; });
    }

    qint64 left() const { return std::max<qint64>(kPassNanoseconds - m_spent, 0); }

    void spend(qint64 nanoseconds)
    {
        m_spent += nanoseconds;
        if (!m_turn.isActive())
            m_turn.start();
    }

private:
    QTimer m_turn;
    qint64 m_spent = 0;
};

} // namespace vesper
