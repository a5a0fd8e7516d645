// Font variants of painted runs, built on first use for each combination of
// the four font-affecting attributes.
#include "control/paint/run_fonts.h"

namespace vesper {

namespace {

std::size_t variantKey(const CellAttributes &a)
{
    return (a.bold() ? 1u : 0u) | (a.italic() ? 2u : 0u) | (a.underline() ? 4u : 0u) | (a.strikethrough() ? 8u : 0u);
}

} // namespace

void RunFonts::useBase(const QFont &base)
{
    if (m_valid && base == m_base)
        return;
    m_base = base;
    m_valid = true;
    for (std::optional<QFont> &f : m_fonts)
        f.reset();
    m_glyphs = {};
}

const QFont &RunFonts::forAttributes(const CellAttributes &a)
{
    std::optional<QFont> &slot = m_fonts[variantKey(a)];
    if (!slot) {
        QFont f = m_base;
        f.setWeight(a.bold() ? QFont::Bold : QFont::Normal);
        f.setStyle(a.italic() ? QFont::StyleItalic : QFont::StyleNormal);
        f.setUnderline(a.underline());
        f.setStrikeOut(a.strikethrough());
        slot = f;
    }
    return *slot;
}

AsciiGlyphs *RunFonts::asciiGlyphs(const CellAttributes &a)
{
    // Glyph tables serve undecorated runs: weight and style only.
    CellAttributes plain;
    plain.flags = a.flags & (CellAttributes::Bold | CellAttributes::Italic);
    AsciiGlyphs &glyphs = m_glyphs[variantKey(plain)];
    return glyphs.prepare(forAttributes(plain)) ? &glyphs : nullptr;
}

CellGlyphs &RunFonts::cellGlyphs(const CellAttributes &a)
{
    CellAttributes plain;
    plain.flags = a.flags & (CellAttributes::Bold | CellAttributes::Italic);
    CellGlyphs &glyphs = m_cellGlyphs[variantKey(plain)];
    glyphs.useFont(forAttributes(plain));
    return glyphs;
}

} // namespace vesper
