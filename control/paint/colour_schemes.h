// The built-in colour schemes: each a name, the 16 ANSI colours and the
// default foreground, background and cursor, as 0xRRGGBB values.  Palette's
// scheme_names and from_scheme read this table.
#pragma once

#include <QColor>

#include <array>
#include <cstdint>
#include <span>

namespace vesper {

struct ColourScheme {
    const char *name;
    std::array<std::uint32_t, 16> ansi;
    std::uint32_t foreground;
    std::uint32_t background;
    std::uint32_t cursor;
};

// The first is "Default", the palette a default-constructed Palette has.
std::span<const ColourScheme> builtInColourSchemes();
QColor schemeColour(std::uint32_t rgb);

} // namespace vesper
