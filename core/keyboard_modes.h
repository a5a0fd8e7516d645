// KeyboardModes: how a program asked for key presses to be reported beyond
// the legacy bytes.  The progressive-enhancement flags of the CSI-u keyboard
// protocol (CSI > u push, CSI < u pop, CSI = u set, CSI ? u query) live in a
// stack per screen, so that a program on the alternate screen changes them
// without touching the shell's; modifyOtherKeys (CSI > 4 ; n m) is one level
// for the whole terminal, as xterm keeps it.
#pragma once

#include <array>
#include <cstdint>

namespace vesper {

// The enhancement bits a program may set; others are dropped.
enum KeyboardFlag : int {
    kDisambiguateKeys = 1,
    kReportEventTypes = 2,
    kReportAlternateKeys = 4,
    kReportAllKeysAsEscapes = 8,
    kReportAssociatedText = 16,
    kAllKeyboardFlags = 31,
};

// The flags in force and the ones pushed below them, newest last.  A push
// beyond kMaxDepth forgets the oldest entry, so no program can grow it.
class KeyboardFlagStack {
public:
    static constexpr int kMaxDepth = 16;

    int flags() const { return flags_; }
    void push(int flags);
    // Pops `count` entries; popping past the bottom leaves no flags.
    void pop(int count);
    // CSI = flags ; mode u: 1 replaces the flags, 2 adds the bits, 3 clears
    // them; any other mode changes nothing.
    void set(int flags, int mode);
    void clear() { *this = KeyboardFlagStack(); }

    bool operator==(const KeyboardFlagStack&) const = default;

private:
    int flags_ = 0;
    int depth_ = 0;
    std::array<std::uint8_t, kMaxDepth> saved_{};
};

struct KeyboardModes {
    KeyboardFlagStack stacks[2];  // the primary screen's, the alternate screen's
    int modifyOtherKeys = 0;      // 0 off, 1 ambiguous combinations only, 2 every modified key

    bool operator==(const KeyboardModes&) const = default;
};

}  // namespace vesper
