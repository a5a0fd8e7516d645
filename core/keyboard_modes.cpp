// The keyboard-protocol flag stack: push, pop and set as the protocol's
// progressive-enhancement requests define them.
#include "core/keyboard_modes.h"

#include <algorithm>

namespace vesper {

void KeyboardFlagStack::push(int flags) {
    if (depth_ == kMaxDepth) {
        std::copy(saved_.begin() + 1, saved_.end(), saved_.begin());
        --depth_;
    }
    saved_[std::size_t(depth_++)] = std::uint8_t(flags_);
    flags_ = flags & kAllKeyboardFlags;
}

void KeyboardFlagStack::pop(int count) {
    if (count >= depth_ + 1 || count < 0) {
        clear();
        return;
    }
    for (; count > 0; --count) flags_ = saved_[std::size_t(--depth_)];
}

void KeyboardFlagStack::set(int flags, int mode) {
    flags &= kAllKeyboardFlags;
    switch (mode) {
    case 1: flags_ = flags; break;
    case 2: flags_ |= flags; break;
    case 3: flags_ &= ~flags; break;
    default: break;
    }
}

}  // namespace vesper
