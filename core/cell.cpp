// The width rule for printed code points.
#include "core/cell.h"

#include <array>

#include <utf8proc.h>

namespace vesper {

namespace {

int widthFromUtf8proc(std::uint32_t codePoint) {
    const int width = utf8proc_charwidth(static_cast<utf8proc_int32_t>(codePoint));
    return width < 0 ? 1 : width;
}

// The widths of the Basic Multilingual Plane, two bits each (16 KiB), taken
// from utf8proc once: almost every printed character is in it, and the table
// lookup costs a fraction of utf8proc's two-level property search.
class BmpWidths {
public:
    BmpWidths() {
        for (std::uint32_t cp = 0; cp < kCount; ++cp)
            packed_[cp / 4] |= std::uint8_t((widthFromUtf8proc(cp) & 3) << (cp % 4 * 2));
    }
    int operator()(std::uint32_t codePoint) const { return (packed_[codePoint / 4] >> (codePoint % 4 * 2)) & 3; }
    static constexpr std::uint32_t kCount = 0x10000;

private:
    std::array<std::uint8_t, kCount / 4> packed_{};
};

}  // namespace

int cellWidth(std::uint32_t codePoint) {
    if (codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F)) return 0;
    if (codePoint < 0x7F) return 1;  // printable ASCII, the common case
    if (codePoint > 0x10FFFF) return 1;
    if (codePoint < BmpWidths::kCount) {
        static const BmpWidths bmp;  // built on first use, thread-safe
        return bmp(codePoint);
    }
    return widthFromUtf8proc(codePoint);
}

}  // namespace vesper
