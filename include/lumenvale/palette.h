// The colour table of a terminal widget: 16 ANSI colours plus the default
// foreground, background and cursor colours, and the one function that turns
// a cell's ColorValue (default, palette index or direct colour) into a QColor.
#pragma once

#include <QColor>

#include <array>

#include "lumenvale/export.h"

namespace vesper {

class LUMENVALE_CONTROL_EXPORT Palette {
public:
    Palette();

    QColor foreground() const { return m_foreground; }
    QColor background() const { return m_background; }
    QColor cursor() const { return m_cursor; }
    void set_foreground(const QColor &c) { m_foreground = c; }
    void set_background(const QColor &c) { m_background = c; }
    void set_cursor(const QColor &c) { m_cursor = c; }

    // Indexes outside 0..15 are ignored.
    void set_ansi(int index, const QColor &c);

    // Resolves a ColorValue: -1 and out-of-range values give `fallback`,
    // 0..15 the ANSI table (0..7 brightened when `bold`), 16..231 the colour
    // cube, 232..255 the grey ramp, 0x1000000 | 0xRRGGBB a direct colour.
    QColor color(int index, const QColor &fallback, bool bold = false) const;

    bool operator==(const Palette &) const = default;

private:
    std::array<QColor, 16> m_ansi;
    QColor m_foreground;
    QColor m_background;
    QColor m_cursor;
};

} // namespace vesper
