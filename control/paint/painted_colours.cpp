// Building the painted colours from the host's palette and the program's
// overrides, and resolving a cell's colour value against them.
#include "control/paint/painted_colours.h"

#include "core/cell.h"

namespace vesper {

bool PaintedColours::update(const ColorTable &table, const Palette &host)
{
    std::array<QColor, ColorTable::kCount> colours;
    for (int slot = 0; slot < ColorTable::kCount; ++slot) {
        QColor &c = colours[std::size_t(slot)];
        if (table.isOverridden(slot))
            c = QColor::fromRgb(table.color(slot));
        else if (slot == ColorTable::kForeground)
            c = host.foreground();
        else if (slot == ColorTable::kBackground)
            c = host.background();
        else if (slot == ColorTable::kCursor)
            c = host.cursor();
        else
            c = host.color(slot, QColor());
    }
    if (colours == m_colours && host.bold_color() == m_bold)
        return false;
    m_colours = colours;
    m_bold = host.bold_color();
    return true;
}

QColor PaintedColours::color(int value, const QColor &fallback, bool bold) const
{
    if (value < 0) // the default colour, or the host's bold colour for bold text
        return bold && m_bold.isValid() ? m_bold : fallback;
    if (value & kDirectColorFlag)
        return QColor((value >> 16) & 0xff, (value >> 8) & 0xff, value & 0xff);
    if (value >= ColorTable::kIndexed)
        return fallback;
    return m_colours[std::size_t(bold && value < 8 ? value + 8 : value)];
}

} // namespace vesper
