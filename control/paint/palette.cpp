// Default colours (the "Default" built-in scheme) and ColorValue resolution
// of Palette; color() is pure arithmetic on the table because it runs twice
// for every painted run.
#include "lumenvale/palette.h"

#include "control/paint/colour_schemes.h"

namespace vesper {

namespace {

// Channel levels of the 6x6x6 colour cube (indexes 16..231).
constexpr int kCubeLevels[6] = {0, 95, 135, 175, 215, 255};

constexpr int kDirectColorFlag = 0x1000000;

} // namespace

Palette::Palette()
{
    const ColourScheme &scheme = builtInColourSchemes().front();
    m_foreground = schemeColour(scheme.foreground);
    m_background = schemeColour(scheme.background);
    m_cursor = schemeColour(scheme.cursor);
    for (std::size_t i = 0; i < m_ansi.size(); ++i)
        m_ansi[i] = schemeColour(scheme.ansi[i]);
}

void Palette::set_ansi(int index, const QColor &c)
{
    if (index >= 0 && index < 16)
        m_ansi[static_cast<std::size_t>(index)] = c;
}

QColor Palette::ansi(int index) const
{
    return index >= 0 && index < 16 ? m_ansi[static_cast<std::size_t>(index)] : QColor();
}

QColor Palette::color(int index, const QColor &fallback, bool bold) const
{
    if (index == -1)
        return bold && m_bold.isValid() ? m_bold : fallback;
    if (index >= kDirectColorFlag)
        return QColor((index >> 16) & 0xff, (index >> 8) & 0xff, index & 0xff);
    if (index < 0)
        return fallback;
    if (index < 8)
        return m_ansi[static_cast<std::size_t>(bold ? index + 8 : index)];
    if (index < 16)
        return m_ansi[static_cast<std::size_t>(index)];
    if (index < 232) {
        const int n = index - 16;
        return QColor(kCubeLevels[n / 36], kCubeLevels[(n / 6) % 6], kCubeLevels[n % 6]);
    }
    if (index < 256) {
        const int v = 10 * index - 2312;
        return QColor(v, v, v);
    }
    return fallback;
}

} // namespace vesper
