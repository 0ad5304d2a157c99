// The demo's drawing without a window: a back buffer in memory, and the picture present
// would show, written as a binary PPM. Shared by the tools that compute the demo's frames.
#pragma once

// Points the surface at a cleared window-less pixel array, builds the tables and clears
// the floor buffer, as the program does at start-up.
void start_offscreen();
// What present shows as a P6 PPM, top row first. False when the file cannot be written.
bool write_window_picture(const char* path);
