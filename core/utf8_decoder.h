// Utf8Decoder: the one UTF-8 decoder of the core, for terminal output and
// for the texts of control strings.  A lead byte announces the length of its
// sequence.  One U+FFFD stands for each of: a stray continuation byte, a
// byte 0xF8-0xFF, a sequence cut short by a byte that is not a continuation
// (that byte is then read afresh), and a complete sequence that is overlong,
// a surrogate or above U+10FFFF.  A sequence cut by the end of the input is
// kept and completed by the next input.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vesper {

class Utf8Decoder {
public:
    static constexpr std::uint32_t kReplacement = 0xFFFD;
    static constexpr std::uint32_t kIncomplete = 0xFFFFFFFF;

    bool pending() const { return pendingCount_ != 0; }
    int pendingCount() const { return pendingCount_; }
    int pendingLength() const { return pendingLength_; }

    // Decodes the character at `p` (p < end, or a pending one continued from
    // `p`).  Sets `codePoint` (kIncomplete when every byte up to `end` went
    // into a character still unfinished) and returns where the next one starts.
    // Inlined: text runs call it once per character.
    [[gnu::always_inline]] const std::uint8_t* next(const std::uint8_t* p, const std::uint8_t* end,
                                                    std::uint32_t& codePoint) {
        if (pendingCount_ != 0) return continuePending(p, end, codePoint);
        const std::uint8_t b0 = *p;
        if (b0 < 0x80) {
            codePoint = b0;
            return p + 1;
        }
        const int length = sequenceLength(b0);
        if (length == 0) {
            codePoint = kReplacement;
            return p + 1;
        }
        // The common case, a whole sequence before the end: its continuation
        // bytes are tested without a loop.
        if (end - p >= length && continuation(p[1]) && (length < 3 || continuation(p[2])) &&
            (length < 4 || continuation(p[3]))) {
            codePoint = decode(p, length);
            return p + length;
        }
        int i = 1;
        while (i < length && p + i < end && continuation(p[i])) ++i;
        if (i == length) {
            codePoint = decode(p, length);
            return p + length;
        }
        if (p + i == end) {
            for (int k = 0; k < i; ++k) pendingBytes_[std::size_t(k)] = p[k];
            pendingCount_ = i;
            pendingLength_ = length;
            codePoint = kIncomplete;
            return end;
        }
        codePoint = kReplacement;
        return p + i;
    }

    // The bulk of text: a character at `p` with at least four bytes readable
    // from `p`, decoded without branching on its length, so that text mixing
    // one-, two- and three-byte characters costs no mispredicted branches.
    // Returns its length when it is printable ASCII or a whole valid
    // sequence (setting `codePoint`), and 0 for anything else (a control,
    // DEL, any fault), which next() then takes.  Nothing may be pending.
    [[gnu::always_inline]] static int whole(const std::uint8_t* p, std::uint32_t& codePoint) {
        // The four bytes high to low (compilers load them as one word).
        const std::uint32_t word = std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 |
                                   std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]);
        const int length = kWholeLength[word >> 24];
        const WholeForm& form = kWholeForms[length];
        const std::uint32_t bits = (word >> 24 & form.leadBits) << 18 | (word >> 4 & 0x3F000u) |
                                   (word >> 2 & 0xFC0u) | (word & 0x3Fu);
        const std::uint32_t cp = bits >> form.shift;
        // Bytes 1..length-1 must be continuations, and the value in the range
        // of its length (no overlong form) and no surrogate; a length of 0
        // has an empty range.
        if (((word ^ 0x808080u) & form.continuationMask) != 0 || cp - form.smallest >= form.span ||
            cp - 0xD800u < 0x800u)
            return 0;
        codePoint = cp;
        return length;
    }

    // Forgets a pending sequence; true when there was one (it counts as one
    // U+FFFD for whoever was decoding).
    bool abandon() {
        const bool had = pendingCount_ != 0;
        pendingCount_ = pendingLength_ = 0;
        return had;
    }

    // `text` decoded and encoded again, every fault as U+FFFD, without the
    // code points for which `drop` (when given) is true.
    static std::string sanitize(std::string_view text, bool (*drop)(std::uint32_t) = nullptr);

private:
    // whole()'s tables, by length: 1 for 0x20..0x7E, 2..4 for the lead bytes
    // of valid sequences (0xC2..0xF4), 0 for every other byte.
    static constexpr std::array<std::uint8_t, 256> kWholeLength = [] {
        std::array<std::uint8_t, 256> lengths{};
        for (int b = 0x20; b < 0x7F; ++b) lengths[std::size_t(b)] = 1;
        for (int b = 0xC2; b < 0xE0; ++b) lengths[std::size_t(b)] = 2;
        for (int b = 0xE0; b < 0xF0; ++b) lengths[std::size_t(b)] = 3;
        for (int b = 0xF0; b < 0xF5; ++b) lengths[std::size_t(b)] = 4;
        return lengths;
    }();
    // By length: the continuation bits of bytes 1..3 (high to low), the
    // value bits of the lead byte, the shift that drops the bytes beyond the
    // sequence, and the values of that length: printable ASCII, then the
    // shortest forms up to U+10FFFF.
    struct WholeForm {
        std::uint32_t continuationMask, leadBits, shift, smallest, span;
    };
    static constexpr WholeForm kWholeForms[5] = {
        {0, 0, 0, 0, 0},
        {0, 0x7F, 18, 0x20, 0x5F},
        {0xC00000u, 0x1F, 12, 0x80, 0x780},
        {0xC0C000u, 0x0F, 6, 0x800, 0xF800},
        {0xC0C0C0u, 0x07, 0, 0x10000, 0x100000},
    };

    static bool continuation(std::uint8_t b) { return (b & 0xC0) == 0x80; }
    static int sequenceLength(std::uint8_t lead) {
        if (lead < 0xC0) return 0;  // a continuation byte on its own
        if (lead < 0xE0) return 2;
        if (lead < 0xF0) return 3;
        if (lead < 0xF8) return 4;
        return 0;
    }
    // A complete sequence of continuation bytes after its lead byte.
    static std::uint32_t decode(const std::uint8_t* s, int length) {
        std::uint32_t cp;
        switch (length) {
        case 2:
            cp = std::uint32_t(s[0] & 0x1F) << 6 | (s[1] & 0x3F);
            return cp < 0x80 ? kReplacement : cp;
        case 3:
            cp = std::uint32_t(s[0] & 0x0F) << 12 | std::uint32_t(s[1] & 0x3F) << 6 | (s[2] & 0x3F);
            return cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF) ? kReplacement : cp;
        default:
            cp = std::uint32_t(s[0] & 0x07) << 18 | std::uint32_t(s[1] & 0x3F) << 12 |
                 std::uint32_t(s[2] & 0x3F) << 6 | (s[3] & 0x3F);
            return cp < 0x10000 || cp > 0x10FFFF ? kReplacement : cp;
        }
    }
    const std::uint8_t* continuePending(const std::uint8_t* p, const std::uint8_t* end, std::uint32_t& codePoint) {
        while (pendingCount_ < pendingLength_ && p < end && continuation(*p))
            pendingBytes_[std::size_t(pendingCount_++)] = *p++;
        if (pendingCount_ == pendingLength_) {
            codePoint = decode(pendingBytes_.data(), pendingLength_);
            abandon();
        } else if (p == end) {
            codePoint = kIncomplete;
        } else {
            codePoint = kReplacement;  // cut short: *p is read afresh
            abandon();
        }
        return p;
    }

    std::array<std::uint8_t, 4> pendingBytes_{};
    std::int32_t pendingCount_ = 0;
    std::int32_t pendingLength_ = 0;
};

}  // namespace vesper
