// Text between UTF-8 and Windows-1252. Pure functions of their arguments.
#include "platform/code_page.h"

namespace {

// Code points of Windows-1252's bytes 0x80-0x9F; 0 where the code page has no character
// (those five bytes stand for the C1 control of the same number, as Windows maps them).
constexpr uint16_t cp1252_high[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};

uint32_t code_point_from_ansi(uint8_t c) {
    if (c < 0x80 || c >= 0xA0) return c;  // ASCII, and Latin-1 from 0xA0 on
    return cp1252_high[c - 0x80] != 0 ? cp1252_high[c - 0x80] : c;
}

uint8_t ansi_from_code_point(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<uint8_t>(cp);
    for (uint32_t c = 0x80; c < 0xA0; ++c) {
        if (code_point_from_ansi(static_cast<uint8_t>(c)) == cp) return static_cast<uint8_t>(c);
    }
    return '?';
}

}  // namespace

int32_t next_ansi_char(const char* text, uint8_t* ansi) {
    const uint8_t* s = reinterpret_cast<const uint8_t*>(text);
    uint8_t lead = s[0];
    if (lead == 0) return 0;
    // 0: a stray continuation byte, or a lead byte no valid sequence starts with.
    int32_t length = lead < 0x80   ? 1
                     : lead < 0xC2 ? 0
                     : lead < 0xE0 ? 2
                     : lead < 0xF0 ? 3
                     : lead < 0xF5 ? 4
                                   : 0;
    if (length == 0) {
        *ansi = '?';
        return 1;
    }
    uint32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (int32_t i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80) {  // cut short: the next byte starts afresh
            *ansi = '?';
            return i;
        }
        cp = cp << 6 | (s[i] & 0x3F);
    }
    constexpr uint32_t smallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    bool valid = cp >= smallest[length] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
    *ansi = valid ? ansi_from_code_point(cp) : '?';
    return length;
}

void ansi_to_utf8(const char* ansi, char* out, int32_t out_bytes) {
    int32_t n = 0;
    for (const uint8_t* s = reinterpret_cast<const uint8_t*>(ansi); *s != 0; ++s) {
        uint32_t cp = code_point_from_ansi(*s);
        char bytes[3];
        int32_t length = 0;
        if (cp < 0x80) {
            bytes[length++] = static_cast<char>(cp);
        } else if (cp < 0x800) {
            bytes[length++] = static_cast<char>(0xC0 | cp >> 6);
            bytes[length++] = static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            bytes[length++] = static_cast<char>(0xE0 | cp >> 12);
            bytes[length++] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            bytes[length++] = static_cast<char>(0x80 | (cp & 0x3F));
        }
        if (n + length >= out_bytes) break;
        for (int32_t i = 0; i < length; ++i) out[n++] = bytes[i];
    }
    if (out_bytes > 0) out[n] = 0;
}
