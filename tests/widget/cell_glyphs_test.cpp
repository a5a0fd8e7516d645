// Cell glyphs against the text layout: whether a character's glyph comes
// from shaping it or from a font's character map, it must be the glyph, in
// the font, that drawing the character as a string draws.
#include <gtest/gtest.h>

#include <QPainter>

#include "tests/widget/widget_test_support.h"
#include "control/paint/cell_glyphs.h"

namespace {

QImage blank(int columns) { QImage image(columns * 16, 32, QImage::Format_RGB32); image.fill(Qt::white); return image; }

// Every character of `text` at its own 16-pixel column, by CellGlyphs or by
// drawText.
QImage drawn(const std::u32string &text, bool cellGlyphs)
{
    QImage image = blank(int(text.size()));
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.setFont(widget_test::testFont());
    vesper::CellGlyphs glyphs;
    glyphs.useFont(widget_test::testFont());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const QPointF origin(16.0 * double(i), 24);
        if (cellGlyphs)
            glyphs.add(text[i], origin);
        else
            painter.drawText(origin, QString::fromUcs4(&text[i], 1));
    }
    glyphs.draw(painter);
    return image;
}

TEST(CellGlyphs, DrawWhatTheTextLayoutDraws)
{
    widget_test::application();
    const std::u32string samples[] = {
        U"\u00e9\u00df\u0142",             // Latin in the terminal font
        U"\u03bb\u03a9\u0436\u042f",       // Greek and Cyrillic
        U"\u2192\u2603\u00a7",             // symbols
        U"\u4e2d\u6587\u5b57\u6f22",       // ideographs: the first is shaped, the rest looked up
        U"\uac00\ud55c\u3042\u30ab\u3105", // Hangul, kana, Bopomofo
        U"\u05d0\u0627\u0915",             // scripts that are always shaped
    };
    for (const std::u32string &text : samples) {
        const QImage expected = drawn(text, false);
        EXPECT_EQ(drawn(text, true), expected) << QString::fromUcs4(text.data(), qsizetype(text.size())).toStdString();
        EXPECT_NE(expected, blank(int(text.size())));
    }
}

} // namespace
