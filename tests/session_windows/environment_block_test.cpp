// Merging, ordering and layout of the child's environment block.
#include "environment_block.h"

#include <gtest/gtest.h>

namespace vesper::win {
namespace {

// The block's entries, without their NUL separators.
std::vector<std::u16string> entriesOf(const std::u16string &block)
{
    EXPECT_GE(block.size(), 2u);
    EXPECT_EQ(block.substr(block.size() - 2), std::u16string(2, u'\0')) << "block must end in two NULs";
    return splitEnvironmentStrings(block.c_str());
}

struct MergeCase {
    const char *name;
    std::vector<std::u16string> inherited;
    std::vector<std::u16string> env;
    std::vector<std::u16string> expected;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const MergeCase &c, std::ostream *os)
{
    *os << c.name;
}

class EnvironmentMerge : public ::testing::TestWithParam<MergeCase> {};

TEST_P(EnvironmentMerge, GivesExpectedEntries)
{
    EXPECT_EQ(entriesOf(environmentBlock(GetParam().inherited, GetParam().env)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EnvironmentMerge,
    ::testing::Values(
        MergeCase{"OnlyTheTerminalEntries", {}, {}, {u"COLORTERM=truecolor", u"TERM=xterm-256color"}},
        MergeCase{"CallerValueKeepsInheritedSpelling",
                  {u"PATH=C:\\Windows"},
                  {u"Path=X"},
                  {u"COLORTERM=truecolor", u"PATH=X", u"TERM=xterm-256color"}},
        MergeCase{"CallerReplacesTerm", {}, {u"TERM=vt100"}, {u"COLORTERM=truecolor", u"TERM=vt100"}},
        MergeCase{"InheritedTermIsOverriddenButKeepsSpelling",
                  {u"term=dumb"},
                  {},
                  {u"COLORTERM=truecolor", u"term=xterm-256color"}},
        MergeCase{"CallerEntriesWithoutNameOrEqualsIgnored",
                  {},
                  {u"NOEQUALS", u"=C:=C:\\", u"=", u""},
                  {u"COLORTERM=truecolor", u"TERM=xterm-256color"}},
        MergeCase{"InheritedDriveDirectoriesAndBrokenEntriesSkipped",
                  {u"=C:=C:\\work", u"=ExitCode=00000000", u"BROKEN", u"OS=Windows_NT"},
                  {},
                  {u"COLORTERM=truecolor", u"OS=Windows_NT", u"TERM=xterm-256color"}},
        MergeCase{"OrderIgnoresCase", {}, {u"c=3", u"B=2", u"a=1"},
                  {u"a=1", u"B=2", u"c=3", u"COLORTERM=truecolor", u"TERM=xterm-256color"}},
        MergeCase{"PrefixSortsFirst", {}, {u"AB=2", u"A=1", u"A_=3"},
                  {u"A=1", u"A_=3", u"AB=2", u"COLORTERM=truecolor", u"TERM=xterm-256color"}},
        MergeCase{"ValueMayContainEqualsAndBeEmpty", {}, {u"X=a=b", u"Y="},
                  {u"COLORTERM=truecolor", u"TERM=xterm-256color", u"X=a=b", u"Y="}},
        MergeCase{"LaterDuplicateWins", {u"V=1", u"v=2"}, {u"V=3", u"v=4"},
                  {u"COLORTERM=truecolor", u"TERM=xterm-256color", u"V=4"}},
        MergeCase{"NonAsciiValueKept", {}, {u"GREETING=gr\u00fc\u00df \u4e16\u754c \U0001F600"},
                  {u"COLORTERM=truecolor", u"GREETING=gr\u00fc\u00df \u4e16\u754c \U0001F600",
                   u"TERM=xterm-256color"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(EnvironmentNames, CompareWithoutRegardToCase)
{
    EXPECT_EQ(compareNamesCaseInsensitive(u"Path", u"PATH"), 0);
    EXPECT_LT(compareNamesCaseInsensitive(u"a", u"B"), 0);
    EXPECT_GT(compareNamesCaseInsensitive(u"b", u"A"), 0);
    EXPECT_LT(compareNamesCaseInsensitive(u"A", u"AB"), 0);
    // '_' (0x5F) lies between the upper- and lower-case letters: folding
    // decides the order, not the raw code units.
    EXPECT_LT(compareNamesCaseInsensitive(u"A_", u"AB"), 0);
    EXPECT_LT(compareNamesCaseInsensitive(u"a_", u"ab"), 0);
}

TEST(EnvironmentNames, NonAsciiNamesFoldCase)
{
    EXPECT_EQ(compareNamesCaseInsensitive(u"\u00c9T\u00c9", u"\u00e9t\u00e9"), 0);
    EXPECT_EQ(compareNamesCaseInsensitive(u"\u0416", u"\u0436"), 0);
    EXPECT_NE(compareNamesCaseInsensitive(u"\u00e9", u"e"), 0);
}

TEST(EnvironmentStrings, SplitStopsAtTheEmptyEntry)
{
    const char16_t block[] = u"A=1\0=C:=C:\\\0B=2\0\0IGNORED=3\0";
    EXPECT_EQ(splitEnvironmentStrings(block), (std::vector<std::u16string>{u"A=1", u"=C:=C:\\", u"B=2"}));
    EXPECT_TRUE(splitEnvironmentStrings(static_cast<const char16_t *>(nullptr)).empty());
    EXPECT_TRUE(splitEnvironmentStrings(u"").empty());
}

} // namespace
} // namespace vesper::win
