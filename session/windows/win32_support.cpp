// Entry-point lookup, Wine detection, system error texts and conversions.
#include "win32_support.h"

#include "conpty_messages.h"

namespace vesper::win {
namespace {

// GetProcAddress returns a generic FARPROC; the cast through void * names the
// real signature without a function-pointer-cast warning.
template <typename Fn> Fn lookUp(HMODULE module, const char *name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void *>(::GetProcAddress(module, name)));
}

} // namespace

const ConPtyEntryPoints &conPtyEntryPoints()
{
    static const ConPtyEntryPoints entryPoints = [] {
        ConPtyEntryPoints table;
        // kernel32 is always loaded; the session neither loads nor frees it.
        if (HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll")) {
            table.create = lookUp<CreatePseudoConsoleFn>(kernel32, "CreatePseudoConsole");
            table.resize = lookUp<ResizePseudoConsoleFn>(kernel32, "ResizePseudoConsole");
            table.close = lookUp<ClosePseudoConsoleFn>(kernel32, "ClosePseudoConsole");
        }
        return table;
    }();
    return entryPoints;
}

bool runningUnderWine()
{
    static const bool wine = [] {
        HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

std::u16string systemErrorText(const std::u16string &what)
{
    const DWORD code = ::GetLastError();
    wchar_t *text = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                              FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::u16string systemText;
    if (length > 0 && text)
        systemText.assign(text, text + length);
    if (text)
        ::LocalFree(text);
    return systemErrorMessage(what, systemText, code);
}

std::wstring toWide(const std::string &utf8)
{
    if (utf8.empty())
        return {};
    const int size = static_cast<int>(utf8.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::wstring toWide(const std::u16string &utf16)
{
    return std::wstring(utf16.begin(), utf16.end());
}

std::u16string toUtf16(const std::string &utf8)
{
    const std::wstring wide = toWide(utf8);
    return std::u16string(wide.begin(), wide.end());
}

std::string toUtf8(const std::u16string &utf16)
{
    if (utf16.empty())
        return {};
    const std::wstring wide = toWide(utf16);
    const int size = static_cast<int>(wide.size());
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

} // namespace vesper::win
