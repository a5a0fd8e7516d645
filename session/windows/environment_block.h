// The environment block a Windows child receives: the inherited entries, then
// TERM and COLORTERM, then the caller's NAME=VALUE entries, merged by name
// without regard to case and written sorted, as CreateProcessW expects it.
// Platform-neutral: the inherited entries are an input, read from the system
// by the Win32 unit.
#pragma once

#include <string>
#include <vector>

namespace vesper::win {

// Orders names as the session's block does: code point by code point after
// simple case folding, a name that is a prefix of another first.
int compareNamesCaseInsensitive(const std::u16string &a, const std::u16string &b);

// Splits a system environment block (NUL-terminated entries ended by an empty
// one) into its entries; a null block has none.  Char is char16_t, or wchar_t
// where that is the UTF-16 unit (Windows).
template <typename Char> std::vector<std::u16string> splitEnvironmentStrings(const Char *block)
{
    static_assert(sizeof(Char) == sizeof(char16_t));
    std::vector<std::u16string> entries;
    for (; block && *block; ++block) {
        std::u16string &entry = entries.emplace_back();
        for (; *block; ++block)
            entry.push_back(static_cast<char16_t>(*block));
    }
    return entries;
}

// The merged block: every entry as NAME=VALUE followed by NUL, one more NUL
// after the last.  Inherited entries beginning with '=' (the per-drive
// current directories) or without '=' are skipped; caller entries without '='
// or beginning with it are ignored.  Names that differ only in case are one
// entry keeping its first spelling; later assignments replace the value.
std::u16string environmentBlock(const std::vector<std::u16string> &inherited,
                                const std::vector<std::u16string> &env);

} // namespace vesper::win
