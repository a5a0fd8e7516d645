// The width rule for printed code points.
#include "core/cell.h"

#include <utf8proc.h>

namespace vesper {

int cellWidth(std::uint32_t codePoint) {
    if (codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F)) return 0;
    if (codePoint < 0x7F) return 1;  // printable ASCII, the common case
    if (codePoint > 0x10FFFF) return 1;
    const int width = utf8proc_charwidth(static_cast<utf8proc_int32_t>(codePoint));
    return width < 0 ? 1 : width;
}

}  // namespace vesper
