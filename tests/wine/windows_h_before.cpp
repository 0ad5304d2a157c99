// A routine may include <windows.h> before the routine's header; its VK_ macros serve.
#include <windows.h>

#include "pictavon/routine.h"

static_assert(VK_ESCAPE == 27 && WM_KEYDOWN == 256, "Win32's own names, as <windows.h> gives them");
