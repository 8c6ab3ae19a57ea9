// The one include of every Win32-facing module: the real headers on Windows,
// the platform layer's own declarations everywhere else.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <mmsystem.h>
#else
#include "platform/win32types.h"
#include "platform/kernel32.h"
#include "platform/user32.h"
#include "platform/gdi32_wgl.h"
#include "platform/winmm_joystick.h"
#if __has_include("platform/winmm_waveout.h")
#include "platform/winmm_waveout.h"
#endif
#endif
