// The one way the Windows session units include <windows.h>: the pseudo
// console declarations need Windows 10 (NTDDI 10.0.17763) as the target, and
// the min/max macros would break std::min and std::max.
#pragma once

#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00
#endif
#ifndef NTDDI_VERSION
#define NTDDI_VERSION 0x0A000006
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
