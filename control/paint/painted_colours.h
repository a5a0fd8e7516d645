// PaintedColours: the colours the screen is painted in: the host's palette
// with a program's OSC 4/10/11/12 overrides on top, read from the core's
// colour table, so that what a program queries is what is painted.  The
// host's own colours keep their alpha; an override is opaque.
#pragma once

#include <QColor>

#include <array>

#include "lumenvale/palette.h"
#include "core/color_table.h"

namespace vesper {

class PaintedColours {
public:
    PaintedColours() { update(ColorTable(), Palette()); }

    // Takes the colours in force; true when any of them changed.
    bool update(const ColorTable &table, const Palette &host);

    QColor foreground() const { return m_colours[ColorTable::kForeground]; }
    QColor background() const { return m_colours[ColorTable::kBackground]; }
    QColor cursor() const { return m_colours[ColorTable::kCursor]; }
    // A cell's colour value, with Palette::color's rules (bold brightens 0..7;
    // bold default-foreground text takes the host's bold colour when it has one).
    QColor color(int value, const QColor &fallback, bool bold = false) const;

    bool operator==(const PaintedColours &) const = default;

private:
    std::array<QColor, ColorTable::kCount> m_colours;
    QColor m_bold; // the host's colour for bold default-foreground text; invalid: none
};

} // namespace vesper
