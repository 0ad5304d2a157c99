// The seam's opaque handles, apart so that records holding them need not see the seam.
#pragma once

// A backend casts its own objects (HWND, HDC, ...) to and from these.
struct PlatformInstance;
struct PlatformWindow;
struct PlatformDc;
struct PlatformBitmap;
struct PlatformRegion;
struct PlatformThread;
using InstanceHandle = PlatformInstance*;
using WindowHandle = PlatformWindow*;
using DcHandle = PlatformDc*;
using BitmapHandle = PlatformBitmap*;
using RegionHandle = PlatformRegion*;
using ThreadHandle = PlatformThread*;
