// Quoting of Windows command lines: fixed cases, and a round trip through an
// independent splitter that follows the C runtime's documented rules.
#include "command_line.h"

#include <gtest/gtest.h>

namespace vesper::win {
namespace {

struct QuoteCase {
    const char *name;
    std::u16string arg;
    std::u16string quoted;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const QuoteCase &c, std::ostream *os)
{
    *os << c.name;
}

class QuoteArgument : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(QuoteArgument, ProducesExpectedText)
{
    EXPECT_EQ(quoteArgument(GetParam().arg), GetParam().quoted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QuoteArgument,
    ::testing::Values(
        QuoteCase{"PlainWord", u"hello", u"hello"},
        QuoteCase{"BackslashesWithoutSpaceStay", u"C:\\dir\\", u"C:\\dir\\"},
        QuoteCase{"LineFeedDoesNotQuote", u"a\nb", u"a\nb"},
        QuoteCase{"Empty", u"", u"\"\""},
        QuoteCase{"Space", u"a b", u"\"a b\""},
        QuoteCase{"Tab", u"a\tb", u"\"a\tb\""},
        QuoteCase{"TrailingBackslashDoubledBeforeClosingQuote", u"C:\\my dir\\",
                  u"\"C:\\my dir\\\\\""},
        QuoteCase{"QuoteAfterBackslash", u"a\\\"b", u"\"a\\\\\\\"b\""},
        QuoteCase{"LoneQuote", u"\"", u"\"\\\"\""},
        QuoteCase{"InnerBackslashesStaySingle", u"a\\\\b c", u"\"a\\\\b c\""},
        QuoteCase{"ProgramPathWithSpace", u"C:\\Program Files\\x.exe",
                  u"\"C:\\Program Files\\x.exe\""}),
    [](const auto &info) { return std::string(info.param.name); });

// Splits a command line the way the C runtime does for argv[1..]:
// 2n backslashes + quote -> n backslashes and a quote toggle; 2n+1
// backslashes + quote -> n backslashes and a literal quote; other
// backslashes are literal; unquoted spaces and tabs separate arguments.
std::vector<std::u16string> splitLikeRuntime(const std::u16string &line)
{
    std::vector<std::u16string> args;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == u' ' || line[i] == u'\t'))
            ++i;
        if (i == line.size())
            break;
        std::u16string arg;
        bool inQuotes = false;
        while (i < line.size() && (inQuotes || (line[i] != u' ' && line[i] != u'\t'))) {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == u'\\') {
                ++backslashes;
                ++i;
            }
            if (i < line.size() && line[i] == u'"') {
                arg.append(backslashes / 2, u'\\');
                if (backslashes % 2)
                    arg.push_back(u'"');
                else
                    inQuotes = !inQuotes;
                ++i;
            } else {
                arg.append(backslashes, u'\\');
                if (i < line.size() && (inQuotes || (line[i] != u' ' && line[i] != u'\t')))
                    arg.push_back(line[i++]);
            }
        }
        args.push_back(arg);
    }
    return args;
}

TEST(CommandLine, SplitsBackIntoTheSameArguments)
{
    const std::vector<std::u16string> args = {
        u"",        u"plain",    u"two words", u"\\\\server\\share\\", u"\"",
        u"\\\"",    u"a\\\\\"b", u"tab\there", u"end\\\\",             u"x\\ y\\",
        u"\u00e9t\u00e9", u" ", u"\"\"\"",
    };
    const std::u16string line = commandLine(u"C:\\Program Files\\child.exe", args);
    std::vector<std::u16string> expected = {u"C:\\Program Files\\child.exe"};
    expected.insert(expected.end(), args.begin(), args.end());
    EXPECT_EQ(splitLikeRuntime(line), expected);
}

TEST(CommandLine, JoinsQuotedPartsWithSingleSpaces)
{
    EXPECT_EQ(commandLine(u"cmd.exe", {u"/c", u"echo hello & exit 3"}),
              u"cmd.exe /c \"echo hello & exit 3\"");
    EXPECT_EQ(commandLine(u"prog", {}), u"prog");
    EXPECT_EQ(commandLine(u"prog", {u""}), u"prog \"\"");
}

} // namespace
} // namespace vesper::win
