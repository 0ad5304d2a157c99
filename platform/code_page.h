// Text between UTF-8 and Windows-1252, the code page of the host's strings and of the
// characters it queues. Portable and pure (any thread), for the backends whose system speaks
// UTF-8: each compiles it into its own library, as the SDL backend does. Win32 needs none.
#pragma once

#include <cstdint>

// Decodes one UTF-8 character from text (up to its 0 terminator) into its Windows-1252 byte,
// '?' where there is none (or for a malformed sequence). Returns the bytes consumed (>= 1),
// or 0 at the terminator.
int32_t next_ansi_char(const char* text, uint8_t* ansi);

// Writes ansi (Windows-1252, 0-terminated) as UTF-8 into out, which holds out_bytes bytes;
// the result is cut at a character boundary and always terminated.
void ansi_to_utf8(const char* ansi, char* out, int32_t out_bytes);
