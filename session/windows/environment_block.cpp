// Merging and ordering of the child's environment block.
#include "environment_block.h"

#include <map>

#ifdef LUMENVALE_HAVE_UTF8PROC
#include <utf8proc.h>
#endif

namespace vesper::win {
namespace {

// Simple case folding, one code point to one, as Qt's case-insensitive
// comparison uses it.  utf8proc folds fully; where that expands (U+1E9E to
// "ss") the simple folding is the lower-case mapping (U+00DF), except for the
// few characters whose simple folding is not their lower case.
char32_t foldCase(char32_t c)
{
    if (c < 0x80)
        return c >= U'A' && c <= U'Z' ? c + (U'a' - U'A') : c;
#ifdef LUMENVALE_HAVE_UTF8PROC
    utf8proc_int32_t folded[4];
    utf8proc_int32_t lastBoundClass = 0;
    if (utf8proc_decompose_char(static_cast<utf8proc_int32_t>(c), folded, 4, UTF8PROC_CASEFOLD,
                                &lastBoundClass) == 1)
        return static_cast<char32_t>(folded[0]);
    switch (c) {
    case 0x0130: return c;      // only full and Turkic foldings
    case 0x1FD3: return 0x0390; // simple foldings added in Unicode 14
    case 0x1FE3: return 0x03B0;
    case 0xFB05: return 0xFB06;
    default: return static_cast<char32_t>(utf8proc_tolower(static_cast<utf8proc_int32_t>(c)));
    }
#endif
    // Without the Unicode tables (the minimal Win32 test build) only ASCII
    // folds; variable names are ASCII in practice.
    return c;
}

// Next code point of s at i, combining a valid surrogate pair.
char32_t nextCodePoint(const std::u16string &s, std::size_t &i)
{
    char32_t c = s[i++];
    if (c >= 0xD800 && c < 0xDC00 && i < s.size() && s[i] >= 0xDC00 && s[i] < 0xE000)
        c = 0x10000 + ((c - 0xD800) << 10) + (s[i++] - 0xDC00);
    return c;
}

// Orders two code points as their UTF-16 forms compare unit by unit, so that
// U+FFFF sorts after U+10000 (its high surrogate is 0xD800).
int compareAsUtf16(char32_t a, char32_t b)
{
    const auto firstUnit = [](char32_t c) { return c < 0x10000 ? c : 0xD800 + ((c - 0x10000) >> 10); };
    const auto secondUnit = [](char32_t c) { return c < 0x10000 ? 0 : 0xDC00 + ((c - 0x10000) & 0x3FF); };
    if (firstUnit(a) != firstUnit(b))
        return firstUnit(a) < firstUnit(b) ? -1 : 1;
    if (secondUnit(a) != secondUnit(b))
        return secondUnit(a) < secondUnit(b) ? -1 : 1;
    return 0;
}

struct CaseInsensitiveLess {
    bool operator()(const std::u16string &a, const std::u16string &b) const
    {
        return compareNamesCaseInsensitive(a, b) < 0;
    }
};

using EnvironmentMap = std::map<std::u16string, std::u16string, CaseInsensitiveLess>;

// insert_or_assign keeps the key already stored, so a name keeps the
// spelling under which it first appeared.
void assignEntry(EnvironmentMap &map, const std::u16string &entry)
{
    const std::size_t eq = entry.find(u'=');
    if (eq == std::u16string::npos || eq == 0)
        return;
    map.insert_or_assign(entry.substr(0, eq), entry.substr(eq + 1));
}

} // namespace

int compareNamesCaseInsensitive(const std::u16string &a, const std::u16string &b)
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (const int order = compareAsUtf16(foldCase(nextCodePoint(a, i)), foldCase(nextCodePoint(b, j))))
            return order;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}

std::u16string environmentBlock(const std::vector<std::u16string> &inherited,
                                const std::vector<std::u16string> &env)
{
    EnvironmentMap map;
    for (const std::u16string &entry : inherited)
        assignEntry(map, entry);
    map.insert_or_assign(u"TERM", u"xterm-256color");
    map.insert_or_assign(u"COLORTERM", u"truecolor");
    for (const std::u16string &entry : env)
        assignEntry(map, entry);

    std::u16string block;
    for (const auto &[name, value] : map) {
        block += name;
        block.push_back(u'=');
        block += value;
        block.push_back(u'\0');
    }
    block.push_back(u'\0');
    return block;
}

} // namespace vesper::win
