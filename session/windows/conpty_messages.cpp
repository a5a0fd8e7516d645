// Composition of the session's error texts.
#include "conpty_messages.h"

#include <cstdio>

namespace vesper::win {
namespace {

std::u16string fromAscii(const char *text)
{
    std::u16string out;
    while (*text)
        out.push_back(static_cast<char16_t>(*text++));
    return out;
}

// The white space that a trimmed text loses at either end: the C0 spacing
// controls, NEL, and the Unicode space separators.
bool isSpace(char16_t c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

} // namespace

std::u16string pseudoConsoleFailedMessage(std::int32_t result)
{
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(static_cast<std::uint32_t>(result)));
    return u"CreatePseudoConsole failed: 0x" + fromAscii(hex);
}

std::u16string systemErrorMessage(const std::u16string &what, const std::u16string &systemText,
                                  std::uint32_t code)
{
    std::size_t begin = 0, end = systemText.size();
    while (begin < end && isSpace(systemText[begin]))
        ++begin;
    while (end > begin && isSpace(systemText[end - 1]))
        --end;
    // FormatMessageW has no text for this code: name the code instead.
    if (systemText.empty())
        return what + u": error " + fromAscii(std::to_string(code).c_str());
    return what + u": " + systemText.substr(begin, end - begin);
}

} // namespace vesper::win
