// The one-pass text encoder against the plain definition (replace CR LF and
// LF by CR, drop the paste's forbidden controls, QString::toUtf8) on random
// texts built to hit every branch: blocks of four cut anywhere, CR LF across
// block edges, controls, C1, non-ASCII stretches and lone surrogates; the
// same texts encoded in slices of every small size give the same bytes.
#include "control/input/text_encoding.h"

#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace vesper {
namespace {

std::string reference(QString text, bool bracketed)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    text.replace(QChar(u'\n'), QChar(u'\r'));
    if (!bracketed)
        return text.toStdString();
    text.removeIf([](QChar c) {
        const char16_t u = c.unicode();
        return (u < 0x20 && u != u'\t' && u != u'\r') || (u >= 0x7f && u <= 0x9f);
    });
    return "\x1b[200~" + text.toStdString() + "\x1b[201~";
}

std::string encodeSliced(const QString &text, bool bracketed, qsizetype units)
{
    std::string out = bracketed ? "\x1b[200~" : "";
    SlicedTextEncoder encoder(bracketed);
    for (qsizetype from = 0; from < text.size();) {
        const qsizetype to = textSliceEnd(text, from, units);
        EXPECT_GT(to, from);
        encoder.append(out, QStringView(text).sliced(from, to - from));
        from = to;
    }
    encoder.finish(out);
    return bracketed ? out + "\x1b[201~" : out;
}

TEST(EncodeTextFast, MatchesThePlainDefinitionOnRandomTexts)
{
    const char16_t pieces[] = {u'a', u' ', u'~', u'\r', u'\n', u'\t', 0x1b, 0x00, 0x03, 0x7f, 0x80, 0x9b, 0x9f,
                               0xa0, 0xe9, 0x4e2d, 0xd83d, 0xde00, 0xdc00, 0xfffd};
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int length = int(random() % 40);
        for (int k = 0; k < length; ++k) {
            // Mostly ASCII letters, so the four-unit blocks are exercised too.
            const bool plain = random() % 3 != 0;
            text.append(QChar(plain ? char16_t(u'A' + random() % 26) : pieces[random() % std::size(pieces)]));
        }
        for (const bool bracketed : {false, true}) {
            ASSERT_EQ(encodeTextFast(text, bracketed), reference(text, bracketed))
                << "text " << text.toStdString() << " bracketed " << bracketed;
            const qsizetype units = 1 + qsizetype(random() % 6);
            ASSERT_EQ(encodeSliced(text, bracketed, units), reference(text, bracketed))
                << "text " << text.toStdString() << " in slices of " << units;
        }
    }
}

TEST(EncodeTextFast, SlicesCutBetweenTheHalvesOfWhatAPasteJoins)
{
    // A surrogate pair whose halves a paste's dropped controls separate, CR
    // LF pairs, a lone high surrogate before a line break and at the end.
    const std::u16string texts[] = {
        u"\xd83d\x1b\x1b\x03\x7f\x9b\xde00", u"\r\n\r\n\n\r", u"a\xd83d\x1b\n\xde00",
        u"\xd83d\xd83d\x1b\xde00\xe9",  u"\x4e2d\xd83d\x01",  u"\xd83d\x1b\x1b\x1b\x1b\x1b",
    };
    for (const std::u16string &units : texts) {
        const QString text = QString::fromUtf16(units.data(), qsizetype(units.size()));
        for (const bool bracketed : {false, true})
            for (qsizetype size = 1; size <= text.size(); ++size)
                ASSERT_EQ(encodeSliced(text, bracketed, size), reference(text, bracketed))
                    << "text " << text.toStdString() << " in slices of " << size << " bracketed " << bracketed;
    }
}

TEST(TextSliceEnd, GrowsOnlyToFinishACrLfPair)
{
    // Controls of any kind, line breaks and surrogates do not stretch a slice.
    QString text;
    for (int i = 0; i < 64; ++i)
        text += QStringLiteral("\n\x1b\x03\r\n\r\x9b") + QChar(0xd83d) + QChar(0xde00);
    for (qsizetype units = 1; units < 12; ++units) {
        for (qsizetype from = 0; from < text.size();) {
            const qsizetype to = textSliceEnd(text, from, units);
            const bool crLf = to - from == units + 1 && text[to - 2] == u'\r' && text[to - 1] == u'\n';
            ASSERT_TRUE(to - from == std::min(units, text.size() - from) || crLf) << from << " " << units;
            from = to;
        }
    }
}

TEST(EncodeTextFast, LargeAsciiTextKeepsEveryLine)
{
    QString text;
    for (int i = 0; i < 100000; ++i)
        text += QStringLiteral("line %1 of the paste\n").arg(i);
    const std::string out = encodeTextFast(text, true);
    EXPECT_EQ(out, reference(text, true));
}

} // namespace
} // namespace vesper
