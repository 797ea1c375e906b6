// How large a text would be drawn: the same font and line rule as velta_text (each newline starts
// a line one line height lower, the line height being the whole text's extent measured as one
// line), so that a program can centre or frame a text before drawing it.
#include <climits>
#include <cstring>

#include "library_state.h"
#include "platform/gdi.h"
#include "velta/velta.h"

int velta_text_size(const char* text, int height, int* width, int* text_height) {
    int w = 0, h = 0;
    plat::DC dc = velta_state.memory_dc;
    if (text != nullptr && dc != nullptr) {
        if (height < 0) height = height == INT_MIN ? INT_MAX : -height;
        plat::GdiHandle font = plat::create_font(-height, 0, 0, 0, 400, false, false, false, 0, 0,
                                                 0, 0, 0, "VELTA-font");
        plat::GdiHandle old_font = plat::select_object(dc, font);
        std::size_t length = std::strlen(text);
        plat::Size whole;
        plat::get_text_extent_point(dc, text, length > INT_MAX ? INT_MAX : static_cast<int>(length),
                                    &whole);
        long long lines = 0;
        for (std::size_t start = 0;;) {
            const char* end = std::strchr(text + start, '\n');
            std::size_t count =
                end ? static_cast<std::size_t>(end - (text + start)) : length - start;
            plat::Size one;
            plat::get_text_extent_point(dc, text + start,
                                        count > INT_MAX ? INT_MAX : static_cast<int>(count), &one);
            if (one.cx > w) w = one.cx;
            ++lines;
            if (end == nullptr) break;
            start += count + 1;
        }
        long long total = lines * whole.cy;
        h = total > INT_MAX ? INT_MAX : static_cast<int>(total);
        plat::select_object(dc, old_font);
        plat::delete_object(font);
    }
    if (width != nullptr) *width = w;
    if (text_height != nullptr) *text_height = h;
    return dc != nullptr ? 1 : 0;
}
