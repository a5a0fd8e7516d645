// The translation tables of the supported character sets.
#include "core/charsets.h"

namespace vesper {

namespace {
// DEC Special Graphics for 0x5F..0x7E.
constexpr std::uint32_t kDecGraphics[32] = {
    0x0020,                                                          // _
    0x25C6, 0x2592, 0x2409, 0x240C, 0x240D, 0x240A, 0x00B0, 0x00B1,  // ` a-g
    0x2424, 0x240B, 0x2518, 0x2510, 0x250C, 0x2514, 0x253C, 0x23BA,  // h-o
    0x23BB, 0x2500, 0x23BC, 0x23BD, 0x251C, 0x2524, 0x2534, 0x252C,  // p-w
    0x2502, 0x2264, 0x2265, 0x03C0, 0x2260, 0x00A3, 0x00B7,          // x-~
};
}  // namespace

bool charsetFromFinal(std::uint8_t finalByte, Charset& out) {
    switch (finalByte) {
    case 'B': out = Charset::Ascii; return true;
    case '0': out = Charset::DecSpecialGraphics; return true;
    case 'A': out = Charset::Uk; return true;
    default: return false;
    }
}

std::uint32_t CharsetState::translate(std::uint32_t codePoint) const {
    if (codePoint < 0x20 || codePoint > 0x7E) return codePoint;
    switch (g[gl]) {
    case Charset::DecSpecialGraphics:
        return codePoint >= 0x5F ? kDecGraphics[codePoint - 0x5F] : codePoint;
    case Charset::Uk: return codePoint == '#' ? 0x00A3 : codePoint;
    case Charset::Ascii: break;
    }
    return codePoint;
}

}  // namespace vesper
