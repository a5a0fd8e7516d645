// Signals whose slots may delete their sender.  A slot may delete the widget
// (or its parent) from any signal; code that goes on after an emission must
// first learn whether the object still exists, and work that cannot stop half
// way (the parser in the middle of a chunk) must not emit at all until it is
// done.  emitAlive() answers the first need, DeferredSignals the second.
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <utility>
#include <vector>

namespace vesper {

// Emits `signal` of `self` with `args`; false when a slot destroyed `self`,
// which the caller must then no longer touch.
template <typename Object, typename... Params, typename... Args>
[[nodiscard]] bool emitAlive(Object *self, void (Object::*signal)(Params...), Args &&...args)
{
    const QPointer<Object> alive(self);
    (self->*signal)(std::forward<Args>(args)...);
    return !alive.isNull();
}

// Emissions held back while the owner is busy, delivered in order afterwards.
// A member of the owner: deliver() stops at once, touching neither the owner
// nor itself again, when a slot destroyed the owner, and the emissions still
// held die with it.
class DeferredSignals {
public:
    // Holds an emission, e.g. [this, title] { emit titleChanged(title); }.
    void post(std::function<void()> emission) { m_held.push_back(std::move(emission)); }

    bool empty() const { return m_held.empty(); }

    // Emits what is held, including what the slots post meanwhile; false
    // when `owner` was destroyed on the way.
    [[nodiscard]] bool deliver(QObject *owner)
    {
        const QPointer<QObject> alive(owner);
        while (!m_held.empty()) {
            const std::vector<std::function<void()>> batch = std::exchange(m_held, {});
            for (const auto &emission : batch) {
                emission();
                if (alive.isNull())
                    return false;
            }
        }
        return true;
    }

private:
    std::vector<std::function<void()>> m_held;
};

} // namespace vesper
