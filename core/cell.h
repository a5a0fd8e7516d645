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

struct CellAttributes {
    ColorValue fg = kDefaultColor;
    ColorValue bg = kDefaultColor;
    // One bit each keeps a Cell at 16 bytes: every printed byte writes a Cell.
    bool bold : 1 = false;
    bool italic : 1 = false;
    bool underline : 1 = false;        // any single-line shape: single, curly, dotted, dashed
    bool reverse : 1 = false;
    bool strikethrough : 1 = false;
    bool dim : 1 = false;              // SGR 2, reset by 22 (with bold)
    bool hidden : 1 = false;           // SGR 8, reset by 28
    bool doubleUnderline : 1 = false;  // SGR 21 or 4:2; never with `underline`
    bool overline : 1 = false;         // SGR 53, reset by 55

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
    if (a.doubleUnderline) return UnderlineStyle::Double;
    if (!a.underline) return UnderlineStyle::None;
    return stored > UnderlineStyle::Double ? stored : UnderlineStyle::Single;
}

inline constexpr std::uint32_t kSpace = 32;

// A character cell.  `codePoint` 0 occurs only in the right half of a
// double-width character (`wideContinuation` true); readers treat it as a
// space.  The code point and the flag share one 32-bit word.
struct Cell {
    std::uint32_t codePoint : 21 = kSpace;
    bool wideContinuation : 1 = false;
    CellAttributes attributes;

    constexpr Cell() = default;
    constexpr Cell(std::uint32_t cp, const CellAttributes& attrs, bool continuation = false)
        : codePoint(cp), wideContinuation(continuation), attributes(attrs) {}

    bool operator==(const Cell&) const = default;
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
