// The one-pass text encoder against the plain definition (replace CR LF and
// LF by CR, drop the paste's forbidden controls, QString::toUtf8) on random
// texts built to hit every branch: blocks of four cut anywhere, CR LF across
// block edges, controls, C1, non-ASCII stretches and lone surrogates.
#include "widget/text_encoding.h"

#include <QString>

#include <gtest/gtest.h>

#include <random>

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
            // Slices of any size give the same bytes.
            const qsizetype units = 1 + qsizetype(random() % 6);
            std::string sliced = bracketed ? "\x1b[200~" : "";
            for (qsizetype from = 0; from < text.size();) {
                const qsizetype to = textSliceEnd(text, from, units);
                ASSERT_GT(to, from);
                appendEncodedText(sliced, QStringView(text).sliced(from, to - from), bracketed);
                from = to;
            }
            if (bracketed)
                sliced += "\x1b[201~";
            ASSERT_EQ(sliced, reference(text, bracketed)) << "text " << text.toStdString() << " in slices of " << units;
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
