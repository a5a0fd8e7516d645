// Default colours and ColorValue resolution of Palette. Colour names are
// parsed once per default-constructed palette; color() is pure arithmetic on
// the table because it runs twice for every painted run.
#include "lumenvale/palette.h"

namespace vesper {

namespace {

constexpr const char *kDefaultAnsi[16] = {
    "#000000", "#cd0000", "#00cd00", "#cdcd00", "#0000ee", "#cd00cd", "#00cdcd", "#e5e5e5",
    "#7f7f7f", "#ff0000", "#00ff00", "#ffff00", "#5c5cff", "#ff00ff", "#00ffff", "#ffffff",
};

// Channel levels of the 6x6x6 colour cube (indexes 16..231).
constexpr int kCubeLevels[6] = {0, 95, 135, 175, 215, 255};

constexpr int kDirectColorFlag = 0x1000000;

} // namespace

Palette::Palette()
    : m_foreground(QColor::fromString("#d0d0d0")),
      m_background(QColor::fromString("#101010")),
      m_cursor(QColor::fromString("#d0d0d0"))
{
    for (int i = 0; i < 16; ++i)
        m_ansi[static_cast<std::size_t>(i)] = QColor::fromString(kDefaultAnsi[i]);
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
