// The width rule for printed code points: the BMP table's construction and
// the lookup beyond it, both from utf8proc.
#include "core/cell.h"

#include <utf8proc.h>

namespace vesper::detail {

namespace {
int widthFromUtf8proc(std::uint32_t codePoint) {
    const int width = utf8proc_charwidth(static_cast<utf8proc_int32_t>(codePoint));
    return width < 0 ? 1 : width;
}
}  // namespace

BmpWidths::BmpWidths() {
    for (std::uint32_t cp = 0; cp < kCount; ++cp) {
        // The controls and DEL are zero-width whatever utf8proc says.
        const bool control = cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
        const int width = control ? 0 : widthFromUtf8proc(cp);
        packed_[cp / 4] |= std::uint8_t((width & 3) << (cp % 4 * 2));
    }
}

int widthBeyondBmp(std::uint32_t codePoint) {
    if (codePoint > 0x10FFFF) return 1;
    return widthFromUtf8proc(codePoint);
}

}  // namespace vesper::detail
