// Process-wide Win32 facts the Windows session relies on: the pseudo-console
// entry points (looked up at run time, so the module loads on systems that
// lack them), whether we run under Wine, the text of the last system error,
// and UTF-8 <-> UTF-16 conversion.
#pragma once

#include "win32_includes.h"

#include <string>

namespace vesper::win {

using CreatePseudoConsoleFn = HRESULT(WINAPI *)(COORD, HANDLE, HANDLE, DWORD, HPCON *);
using ResizePseudoConsoleFn = HRESULT(WINAPI *)(HPCON, COORD);
using ClosePseudoConsoleFn = void(WINAPI *)(HPCON);

struct ConPtyEntryPoints {
    CreatePseudoConsoleFn create = nullptr;
    ResizePseudoConsoleFn resize = nullptr;
    ClosePseudoConsoleFn close = nullptr;
    bool available() const { return create && resize && close; }
};

// Filled once, thread-safely, from kernel32.dll; lives until the process ends.
const ConPtyEntryPoints &conPtyEntryPoints();

// True when ntdll exports wine_get_version.
bool runningUnderWine();

// what + ": " + the system's message for GetLastError(); call it right after
// the failing call, before anything else can change the last error.
std::u16string systemErrorText(const std::u16string &what);

std::wstring toWide(const std::string &utf8);
std::wstring toWide(const std::u16string &utf16);
std::u16string toUtf16(const std::string &utf8);
std::string toUtf8(const std::u16string &utf16);

} // namespace vesper::win
