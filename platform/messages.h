// Win32's message numbers, virtual-key codes and the few other Win32 values the portable
// code names. Backends other than Win32 produce and accept these same numbers; the Win32
// backend takes them from <windows.h> instead and never includes this file.
#pragma once

#include <cstdint>

#include "platform/keys.h"  // the virtual-key codes, which routines see too

// Message numbers, as Win32 numbers them.
enum : uint32_t {
    WM_CREATE = 1,
    WM_DESTROY = 2,
    WM_KILLFOCUS = 8,
    WM_SETTEXT = 12,
    WM_PAINT = 15,
    WM_CLOSE = 16,
    WM_QUIT = 18,
    WM_ERASEBKGND = 20,
    WM_KEYDOWN = 256,
    WM_KEYUP = 257,
    WM_CHAR = 258,
    WM_SYSKEYDOWN = 260,
    WM_SYSKEYUP = 261,
    WM_SYSCHAR = 262,
    WM_COMMAND = 273,
    WM_TIMER = 275,
    WM_MOUSEMOVE = 512,
    WM_LBUTTONDOWN = 513,
    WM_LBUTTONUP = 514,
    WM_RBUTTONDOWN = 516,
    WM_RBUTTONUP = 517,
    WM_MBUTTONDOWN = 519,
    WM_MBUTTONUP = 520,
    WM_MOUSEWHEEL = 522,
    WM_CAPTURECHANGED = 533,
    WM_MOUSELEAVE = 675,
};

constexpr uint32_t STILL_ACTIVE = 259;  // a thread's exit code while it runs

// Show commands: how a program asks for its window to be shown at start-up.
enum : int32_t {
    SW_HIDE = 0,
    SW_SHOWMINIMIZED = 2,
    SW_MINIMIZE = 6,
    SW_SHOWMINNOACTIVE = 7,
    SW_SHOWDEFAULT = 10,
};
