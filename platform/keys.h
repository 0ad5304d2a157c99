// The virtual-key codes a routine and the portable code name, as Win32 numbers them.
// Letters are their capitals ('A' = 65), digits their characters ('0' = 48).
//
// <windows.h> defines these same names as macros of the same values, and a routine may
// include it before this header or after: after, its macros simply take over the names;
// before, the names are its already and these are left out. Nothing else is declared here,
// so no other name of <windows.h> meets one of ours.
#pragma once

#include <cstdint>

#ifndef VK_ESCAPE
enum : uint8_t {
    VK_LBUTTON = 1,
    VK_RBUTTON = 2,
    VK_MBUTTON = 4,
    VK_BACK = 8,
    VK_TAB = 9,
    VK_RETURN = 13,
    VK_SHIFT = 16,
    VK_CONTROL = 17,
    VK_MENU = 18,
    VK_ESCAPE = 27,
    VK_SPACE = 32,
    VK_LEFT = 37,
    VK_UP = 38,
    VK_RIGHT = 39,
    VK_DOWN = 40,
    VK_F10 = 121,
};
#endif
