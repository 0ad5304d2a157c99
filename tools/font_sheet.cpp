// font_sheet: the built-in font as a picture, to look at every glyph: the codes 0x20-0x7F
// and the French letters and signs, 16 to a line, each on a cell of alternating shade that
// shows where the 6 x 8 cell lies, and two lines of French below. Usage: font_sheet OUT.ppm
// (the window's picture). docs/font.png is its sheet, each pixel repeated 4 x 4:
//     convert OUT.ppm -crop 132x118+0+1 -sample 400% docs/font.png
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "surface/font.h"
#include "surface/surface.h"
#include "surface/text.h"
#include "tools/offscreen.h"

namespace {

constexpr int32_t margin = 6;
constexpr int32_t per_line = 16;
const char* const french[] = {"\xE0\xE2\xE7\xE8\xE9\xEA\xEB\xEE\xEF\xF4\xF9\xFB\xFC\xFF\x9C",
                              "\xC0\xC2\xC7\xC8\xC9\xCA\xCB\xCE\xCF\xD4\xD9\xDB\xDC\x9F\x8C",
                              "\xAB\xBB\xB0"};

void fill_cell(int32_t col, int32_t line, uint8_t shade) {
    for (int32_t y = 0; y < cell_height; ++y)
        std::memset(surface.bits + pixel_offset(margin + col * cell_width, margin + line * cell_height + y),
                    shade, cell_width * 3);
}

// The glyphs of `codes` on one line of the sheet, cells shaded like a chessboard.
void sheet_line(int32_t line, const char* codes) {
    for (int32_t col = 0; codes[col] != '\0'; ++col) {
        fill_cell(col, line, (col + line) % 2 ? 40 : 70);
        const char one[2] = {codes[col], '\0'};
        draw_text(margin + col * cell_width, margin + line * cell_height, one, 0xFFFFFF);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: font_sheet OUT.ppm\n");
        return 2;
    }
    start_offscreen();
    int32_t line = 0;
    for (int32_t first = 0x20; first < 0x80; first += per_line, ++line) {
        char codes[per_line + 1] = {};
        for (int32_t i = 0; i < per_line; ++i) codes[i] = static_cast<char>(first + i);
        sheet_line(line, codes);
    }
    for (const char* codes : french) sheet_line(line++, codes);
    draw_text(margin, margin + line * cell_height + 4,
              "\xC9t\xE9 \xE0 No\xEBl, 25\xB0" "C ?\n\xAB\xC7\xE0 et l\xE0, o\xF9 \xE7" "a ?\xBB\n"
              "C\x9Cur, \x8Cuvre, na\xEFve,\nPictavon 1.0 {gpqyj}",
              0xFFFF80);
    if (!write_window_picture(argv[1])) {
        std::fprintf(stderr, "font_sheet: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
