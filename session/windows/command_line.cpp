// Argument quoting for Windows command lines.
#include "command_line.h"

namespace vesper::win {

std::u16string quoteArgument(const std::u16string &arg)
{
    if (!arg.empty() && arg.find_first_of(u" \t\"") == std::u16string::npos)
        return arg;

    // Backslashes are literal unless they precede a double quote, so a run of
    // them is only known once the character after it is seen.
    std::u16string quoted(1, u'"');
    std::size_t pendingBackslashes = 0;
    for (char16_t c : arg) {
        if (c == u'\\') {
            ++pendingBackslashes;
            continue;
        }
        if (c == u'"')
            quoted.append(2 * pendingBackslashes + 1, u'\\');
        else
            quoted.append(pendingBackslashes, u'\\');
        quoted.push_back(c);
        pendingBackslashes = 0;
    }
    // The closing quote must not be escaped by trailing backslashes.
    quoted.append(2 * pendingBackslashes, u'\\');
    quoted.push_back(u'"');
    return quoted;
}

std::u16string commandLine(const std::u16string &program, const std::vector<std::u16string> &args)
{
    std::u16string line = quoteArgument(program);
    for (const std::u16string &arg : args) {
        line.push_back(u' ');
        line += quoteArgument(arg);
    }
    return line;
}

} // namespace vesper::win
