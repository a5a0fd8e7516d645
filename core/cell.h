// The cell model shared by the whole terminal: colours, renditions, one
// character cell and a line of cells, plus the width rule used when printing.
#pragma once

#include <cstdint>
#include <vector>

namespace vesper {

// -1 is the default colour, 0-255 a palette index, 0x1000000 | 0xRRGGBB a
// direct colour.  Other values resolve like the default colour when painted.
using ColorValue = std::int32_t;

inline constexpr ColorValue kDefaultColor = -1;
inline constexpr ColorValue kDirectColorFlag = 0x1000000;

// The rendition of a cell: its colours and one bit per SGR flag, in words
// whose layout is fixed here (a Cell stores them as they are).
struct CellAttributes {
    enum Flag : std::uint32_t {
        Bold = 1u << 0,
        Italic = 1u << 1,
        Underline = 1u << 2,        // any single-line shape: single, curly, dotted, dashed
        Reverse = 1u << 3,
        Strikethrough = 1u << 4,
        Dim = 1u << 5,              // SGR 2, reset by 22 (with bold)
        Hidden = 1u << 6,           // SGR 8, reset by 28
        DoubleUnderline = 1u << 7,  // SGR 21 or 4:2; never with Underline
        Overline = 1u << 8,         // SGR 53, reset by 55
    };

    ColorValue fg = kDefaultColor;
    ColorValue bg = kDefaultColor;
    std::uint32_t flags = 0;  // Flag bits

    bool has(Flag flag) const { return (flags & flag) != 0; }
    void set(Flag flag, bool on) { flags = on ? flags | flag : flags & ~std::uint32_t(flag); }
    bool bold() const { return has(Bold); }
    bool italic() const { return has(Italic); }
    bool underline() const { return has(Underline); }
    bool reverse() const { return has(Reverse); }
    bool strikethrough() const { return has(Strikethrough); }
    bool dim() const { return has(Dim); }
    bool hidden() const { return has(Hidden); }
    bool doubleUnderline() const { return has(DoubleUnderline); }
    bool overline() const { return has(Overline); }

    bool operator==(const CellAttributes&) const = default;
};

// The underline shapes of SGR 4:0..4:5.  Single and double are the cell's
// `underline` and `doubleUnderline` bits; the rarer shapes and an underline
// colour are kept beside the cell (CellDecoration in the line's extras), so
// that the common cell stays at 16 bytes.
enum class UnderlineStyle : std::uint8_t { None, Single, Double, Curly, Dotted, Dashed };

// What a cell carries beside its attributes: the underline's style (the same
// as the cell's bits give, or a shape they cannot say) and its colour (SGR 58,
// a ColorValue; kDefaultColor: the text colour).
struct CellDecoration {
    UnderlineStyle underline = UnderlineStyle::None;
    ColorValue underlineColor = kDefaultColor;

    // Whether a cell needs its decoration stored: single, double and no
    // underline in the text colour are told by the cell's bits alone.
    bool needsStoring() const { return underline > UnderlineStyle::Double || underlineColor != kDefaultColor; }
    bool operator==(const CellDecoration&) const = default;
};

// The underline a cell shows: its bits, and the stored shape where they say
// "underlined" and the decoration names a shape they cannot.
inline UnderlineStyle underlineStyleOf(const CellAttributes& a, UnderlineStyle stored) {
    if (a.doubleUnderline()) return UnderlineStyle::Double;
    if (!a.underline()) return UnderlineStyle::None;
    return stored > UnderlineStyle::Double ? stored : UnderlineStyle::Single;
}

inline constexpr std::uint32_t kSpace = 32;

// A character cell, held as two 64-bit words that are its only
// representation:
//   low:  code point (bits 0-20), wide continuation (bit 21), fg (bits 32-63)
//   high: bg (bits 0-31), the CellAttributes flags (bits 32-63)
// Printing writes both words at once (CellRun), and equal cells are equal
// words.  `codePoint` 0 occurs only in the right half of a double-width
// character (wideContinuation() true); readers treat it as a space.
class Cell {
public:
    static constexpr std::uint64_t kCodePointMask = 0x1FFFFF;
    static constexpr std::uint64_t kContinuationBit = std::uint64_t{1} << 21;

    constexpr Cell() = default;
    constexpr Cell(std::uint32_t codePoint, const CellAttributes& attributes, bool continuation = false)
        : low_(lowWord(attributes.fg, continuation) | (codePoint & kCodePointMask)), high_(highWord(attributes)) {}
    static constexpr Cell fromWords(std::uint64_t low, std::uint64_t high) {
        Cell cell;
        cell.low_ = low;
        cell.high_ = high;
        return cell;
    }

    std::uint32_t codePoint() const { return std::uint32_t(low_ & kCodePointMask); }
    bool wideContinuation() const { return (low_ & kContinuationBit) != 0; }
    ColorValue fg() const { return ColorValue(std::uint32_t(low_ >> 32)); }
    ColorValue bg() const { return ColorValue(std::uint32_t(high_)); }
    std::uint32_t flags() const { return std::uint32_t(high_ >> 32); }
    bool has(CellAttributes::Flag flag) const { return (flags() & flag) != 0; }
    CellAttributes attributes() const { return CellAttributes{fg(), bg(), flags()}; }
    // Same colours and flags, whatever the characters.
    bool sameAttributes(const Cell& other) const { return high_ == other.high_ && (low_ >> 32) == (other.low_ >> 32); }

    std::uint64_t low() const { return low_; }
    std::uint64_t high() const { return high_; }
    // The words of a cell with `attributes`, without its code point.
    static constexpr std::uint64_t lowWord(ColorValue fg, bool continuation) {
        return std::uint64_t{std::uint32_t(fg)} << 32 | (continuation ? kContinuationBit : 0);
    }
    static constexpr std::uint64_t highWord(const CellAttributes& attributes) {
        return std::uint64_t{std::uint32_t(attributes.bg)} | std::uint64_t{attributes.flags} << 32;
    }

    bool operator==(const Cell&) const = default;

private:
    std::uint64_t low_ = lowWord(kDefaultColor, false) | kSpace;
    std::uint64_t high_ = highWord(CellAttributes{});
};

static_assert(sizeof(Cell) == 16, "Cell must stay compact: every input byte writes one");

using Line = std::vector<Cell>;

namespace detail {
// The widths of the Basic Multilingual Plane, two bits each (16 KiB), taken
// from utf8proc once: almost every printed character is in it, and an inline
// table lookup costs a fraction of utf8proc's two-level property search.
class BmpWidths {
public:
    static constexpr std::uint32_t kCount = 0x10000;
    BmpWidths();
    int operator()(std::uint32_t codePoint) const { return (packed_[codePoint / 4] >> (codePoint % 4 * 2)) & 3; }

private:
    std::uint8_t packed_[kCount / 4] = {};
};

inline const BmpWidths& bmpWidths() {
    static const BmpWidths table;  // built on first use, thread-safe
    return table;
}

// Widths outside the BMP, straight from utf8proc.
int widthBeyondBmp(std::uint32_t codePoint);
}  // namespace detail

// The number of columns a code point occupies when printed: 0 for C0/C1
// controls, DEL and zero-width characters (combining marks included), 2 for
// wide and fullwidth characters, 1 otherwise.  Inline: text printing calls
// it once per character.
inline int cellWidth(std::uint32_t codePoint) {
    if (codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F)) return 0;
    if (codePoint < 0x7F) return 1;  // printable ASCII, the common case
    if (codePoint < detail::BmpWidths::kCount) return detail::bmpWidths()(codePoint);
    return detail::widthBeyondBmp(codePoint);
}

// cellWidth() for the characters of a run: the table is looked up once,
// not once per character behind the first-use check of its static.  The
// table holds the controls and ASCII too, so a run that mixes scripts takes
// one branch for the whole plane.
class CellWidths {
public:
    int operator()(std::uint32_t codePoint) const {
        if (codePoint < detail::BmpWidths::kCount) return bmp_(codePoint);
        return detail::widthBeyondBmp(codePoint);
    }

private:
    const detail::BmpWidths& bmp_ = detail::bmpWidths();
};

}  // namespace vesper
