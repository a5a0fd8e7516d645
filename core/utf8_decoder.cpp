// Utf8Decoder::sanitize: the decoder applied to a whole text.
#include "core/utf8_decoder.h"

#include <utf8proc.h>

namespace vesper {

std::string Utf8Decoder::sanitize(std::string_view text, bool (*drop)(std::uint32_t)) {
    std::string out;
    out.reserve(text.size());
    Utf8Decoder decoder;
    const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto* const end = p + text.size();
    auto append = [&](std::uint32_t cp) {
        if (drop && drop(cp)) return;
        utf8proc_uint8_t buffer[4];
        const auto length = utf8proc_encode_char(utf8proc_int32_t(cp), buffer);
        out.append(reinterpret_cast<const char*>(buffer), std::size_t(length));
    };
    while (p < end) {
        std::uint32_t cp;
        p = decoder.next(p, end, cp);
        if (cp != kIncomplete) append(cp);
    }
    if (decoder.abandon()) append(kReplacement);
    return out;
}

}  // namespace vesper
