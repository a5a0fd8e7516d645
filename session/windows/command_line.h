// Command lines for Windows child processes: the quoting that the C runtime's
// argument splitting (as in CommandLineToArgvW) undoes, so every argument
// reaches the child exactly as given.  Platform-neutral, no Win32 calls.
#pragma once

#include <string>
#include <vector>

namespace vesper::win {

// An argument without space, tab or double quote is returned unchanged
// (backslashes included); anything else is enclosed in double quotes with
// the backslashes before a quote or the closing quote doubled.
std::u16string quoteArgument(const std::u16string &arg);

// quoteArgument(program), then one space and quoteArgument(arg) per argument.
std::u16string commandLine(const std::u16string &program, const std::vector<std::u16string> &args);

} // namespace vesper::win
