// Character sets: the G0 and G1 designations (ESC ( F, ESC ) F) and which
// of them is invoked into GL (SI selects G0, SO G1).  Only the printable
// ASCII range 0x20-0x7E is translated; decoded UTF-8 never is.
#pragma once

#include <cstdint>

namespace vesper {

enum class Charset : std::uint8_t { Ascii, DecSpecialGraphics, Uk };

// The set a designation's final byte names; false (and nothing changes) for
// a set that is not supported.
bool charsetFromFinal(std::uint8_t finalByte, Charset& out);

struct CharsetState {
    Charset g[2] = {Charset::Ascii, Charset::Ascii};
    std::uint8_t gl = 0;  // 0: G0, 1: G1

    // True while GL holds ASCII: printing then needs no translation.
    bool plain() const { return g[gl] == Charset::Ascii; }
    std::uint32_t translate(std::uint32_t codePoint) const;
    bool operator==(const CharsetState&) const = default;
};

}  // namespace vesper
