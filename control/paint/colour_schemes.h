// The built-in colour schemes: each a name, the 16 ANSI colours and the
// default foreground, background and cursor, as 0xRRGGBB values.  Palette's
// scheme_names and from_scheme read this table.
#pragma once

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

std::span<const ColourScheme> builtInColourSchemes();

} // namespace vesper
