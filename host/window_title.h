/* The host window's title, in one place for the host, the end-to-end harness (which reads
 * it from this file) and xprobe. Plain ASCII, so it reads the same in every encoding. */
#pragma once

#define PICTAVON_WINDOW_TITLE "Programme Pictavon"
