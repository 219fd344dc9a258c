#pragma once
// <windows.h> for the Win32 side of the platform layer. This layer speaks to Windows
// through the ANSI (...A) entry points only, so the generic names that would follow a
// UNICODE definition of the build (PROCESSENTRY32, Process32First) are kept ANSI here.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#undef UNICODE
#undef _UNICODE

#include <windows.h>
