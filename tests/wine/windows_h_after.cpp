// A routine may include <windows.h> after the routine's header.
#include "pictavon/routine.h"

#include <windows.h>

static_assert(VK_ESCAPE == 27 && WM_KEYDOWN == 256, "Win32's own names, as <windows.h> gives them");
