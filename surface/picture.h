// The window's picture as a PNG file: what present shows, 240 x 160, the spare row on top.
#pragma once

#include <cstdint>

// Program thread (it reads the back buffer, which the routine owns): writes the picture the
// back buffer holds, as present would show it, to `path` as PNG. 1 when written; 0 when it
// could not be (no back buffer, a folder missing, a disk full), and nothing is left behind
// then but what the system kept of a partial file.
int32_t save_picture(const char* path);

// Any thread, on a picture it owns: 240 x 160 RGB triples, top row first, to `path` as PNG.
// The bytes depend on the pixels alone, so equal pictures make equal files on every build.
// 1 when written, 0 otherwise.
int32_t write_picture_png(const char* path, const uint8_t* rgb);
