// The block's name order must match QString::compare with
// Qt::CaseInsensitive, the order the Qt side of the session is defined by.
// Qt serves as the independent oracle over every BMP character.
#include "environment_block.h"

#include <QString>
#include <gtest/gtest.h>

namespace vesper::win {
namespace {

int sign(int v)
{
    return (v > 0) - (v < 0);
}

// Views, not QString::fromStdU16String, which would drop a leading U+FEFF.
int qtOrder(const std::u16string &a, const std::u16string &b)
{
    return sign(QStringView(a).compare(QStringView(b), Qt::CaseInsensitive));
}

TEST(EnvironmentOrder, MatchesQtCaseInsensitiveCompareOverTheBmp)
{
    const std::u16string pivots[] = {u"A",      u"_",      u"a",      u"z",      u"\u00c9", u"\u00df",
                                     u"\u03a3", u"\u03c3", u"\u03c2", u"\u017f", u"\u212a", u"\u0130",
                                     u"\u0131", u"\u0416", u"\u1e9e", u"\u1fd3", u"\ufb05", u"\uff21", u"PATH",   u"Path_"};
    int mismatches = 0;
    for (char32_t c = 1; c < 0x10000; ++c) {
        if (c >= 0xD800 && c < 0xE000)
            continue;
        const std::u16string name(1, static_cast<char16_t>(c));
        // The character's own case partners, and a fixed set of others.
        std::vector<std::u16string> against(std::begin(pivots), std::end(pivots));
        for (char32_t partner : {QChar::toUpper(c), QChar::toLower(c), QChar::toTitleCase(c), QChar::toCaseFolded(c)})
            if (partner < 0x10000)
                against.emplace_back(1, static_cast<char16_t>(partner));
        for (const std::u16string &pivot : against) {
            const int expected = qtOrder(name, pivot);
            if (sign(compareNamesCaseInsensitive(name, pivot)) != expected && ++mismatches <= 10)
                ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(c) << " against U+"
                              << static_cast<unsigned>(pivot[0]) << ": Qt says " << std::dec << expected;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(EnvironmentOrder, SupplementaryCharactersCompareLikeQt)
{
    const std::u16string names[] = {u"\U0001F600", u"\U00010400", u"\U00010428", u"\uffff", u"\ue000", u"x"};
    for (const auto &a : names)
        for (const auto &b : names)
            EXPECT_EQ(sign(compareNamesCaseInsensitive(a, b)), qtOrder(a, b));
}

} // namespace
} // namespace vesper::win
