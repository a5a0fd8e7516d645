// The texts a Windows session reports through error(): the fixed messages of
// start and the "<call>: <system message>" form of a failed system call.
// Platform-neutral; the Win32 unit supplies the code and the system's text.
#pragma once

#include <cstdint>
#include <string>

namespace vesper::win {

inline constexpr char16_t conPtyUnavailableMessage[] =
    u"ConPTY is not available on this system. It requires Windows 10 version 1809 "
    u"(build 17763) or later.";

// "CreatePseudoConsole failed: 0x" and the result as eight lower-case hex digits.
std::u16string pseudoConsoleFailedMessage(std::int32_t result);

// what + ": " + the system's text trimmed of white space, or "error <code>"
// in decimal when the system has no text for the code.
std::u16string systemErrorMessage(const std::u16string &what, const std::u16string &systemText,
                                  std::uint32_t code);

} // namespace vesper::win
