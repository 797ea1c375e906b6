// Drawing primitives: the application's entry points with their checks and logging, the renderer
// that executes a DrawCommand onto the off-screen image, the copy to the window, the erase, and the
// text blocks that text commands name by handle.
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "library_state.h"
#include "platform/gdi.h"
#include "velta/velta.h"

namespace {

plat::Color colour_value(int colour) {
    const PaletteEntry& e = palette[colour];
    return plat::rgb(e.red, e.green, e.blue);
}

// A negative width is reported and replaced by its size. The most negative int has no positive
// counterpart, so it becomes the largest width instead of overflowing.
int checked_width(int width) {
    if (width >= 0) return width;
    int size = width == INT_MIN ? INT_MAX : -width;
    velta_print("Width of %d not possible, using width %d\n", width, size);
    return size;
}

// Saturates a pixel position computed in 64 bits, so that far-away coordinates stay far away
// (and are clipped by the image) instead of wrapping around onto it.
int saturate(std::int64_t v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

// The point mapping: logical x grows to the right and y upward from the origin.
int column(std::int64_t x) {
    return saturate(static_cast<std::int64_t>(velta_state.origin_x) + x);
}
int row(std::int64_t y) {
    return saturate(static_cast<std::int64_t>(velta_state.origin_y) - y);
}

// Text blocks: heap copies of NUL-terminated strings named by small positive handles, so that a
// command record can carry its text in a 32-bit field. Handle h names entry h - 1; 0 is never a
// handle. Freed entries are reused.
std::vector<std::unique_ptr<char[]>>& text_blocks() {
    static std::vector<std::unique_ptr<char[]>> blocks;
    return blocks;
}

const char* lock_text(std::int32_t handle) {
    auto& blocks = text_blocks();
    if (handle <= 0 || static_cast<std::size_t>(handle) > blocks.size()) return nullptr;
    return blocks[static_cast<std::size_t>(handle) - 1].get();
}

// Triangle, rectangle and oval share one pen and brush rule: width 0 fills with a one-pixel outline
// of the same colour, a positive width outlines only.
template <typename Draw>
void draw_shape(plat::DC dc, const DrawCommand& c, Draw draw) {
    plat::Color colour = colour_value(c.colour);
    plat::GdiHandle pen = plat::create_pen(plat::ps::solid, c.width, colour);
    plat::GdiHandle brush = c.width == 0 ? plat::create_solid_brush(colour)
                                         : plat::get_stock_object(plat::stock::null_brush);
    plat::GdiHandle old_pen = plat::select_object(dc, pen);
    plat::GdiHandle old_brush = plat::select_object(dc, brush);
    draw();
    plat::select_object(dc, old_pen);
    plat::select_object(dc, old_brush);
    plat::delete_object(pen);
    if (c.width == 0) plat::delete_object(brush);  // the shared hollow brush is never destroyed
}

void draw_text(plat::DC dc, const DrawCommand& c) {
    const char* text = lock_text(c.y2);
    if (text == nullptr) return;
    plat::set_text_color(dc, colour_value(c.colour));
    int old_mode = plat::set_bk_mode(dc, plat::bk::transparent);
    int height = c.x2 == INT_MIN ? INT_MAX : -c.x2;
    plat::GdiHandle font =
        plat::create_font(height, 0, 0, 0, 400, false, false, false, 0, 0, 0, 0, 0, "VELTA-font");
    plat::GdiHandle old_font = plat::select_object(dc, font);

    // The line height is the extent of the whole text measured as one line.
    std::size_t length = std::strlen(text);
    int clamped = length > INT_MAX ? INT_MAX : static_cast<int>(length);
    plat::Size extent;
    plat::get_text_extent_point(dc, text, clamped, &extent);
    std::int64_t h = extent.cy;

    int x = column(c.x1);
    std::int64_t top = static_cast<std::int64_t>(velta_state.origin_y) - c.y1;
    // The first line sits directly above the anchor; each newline starts a line h pixels lower,
    // and an empty line still takes its row.
    std::int64_t line = -1;
    std::size_t start = 0;
    for (;;) {
        const char* end = std::strchr(text + start, '\n');
        std::size_t count = end ? static_cast<std::size_t>(end - (text + start)) : length - start;
        plat::text_out(dc, x, saturate(top + line * h), text + start,
                       count > INT_MAX ? INT_MAX : static_cast<int>(count));
        if (end == nullptr) break;
        ++line;
        start += count + 1;
    }

    if (old_mode != 0) plat::set_bk_mode(dc, old_mode);
    plat::select_object(dc, old_font);
    plat::delete_object(font);
}

}  // namespace

std::int32_t velta_alloc_text(const char* text) {
    if (text == nullptr) return 0;
    std::size_t n = std::strlen(text) + 1;
    std::unique_ptr<char[]> block(new (std::nothrow) char[n]);
    if (!block) return 0;
    std::memcpy(block.get(), text, n);
    auto& blocks = text_blocks();
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (!blocks[i]) {
            blocks[i] = std::move(block);
            return static_cast<std::int32_t>(i + 1);
        }
    }
    if (blocks.size() >= static_cast<std::size_t>(INT32_MAX)) return 0;
    blocks.push_back(std::move(block));
    return static_cast<std::int32_t>(blocks.size());
}

void velta_free_text(std::int32_t handle) {
    auto& blocks = text_blocks();
    if (handle <= 0 || static_cast<std::size_t>(handle) > blocks.size()) return;
    blocks[static_cast<std::size_t>(handle) - 1].reset();
    while (!blocks.empty() && !blocks.back()) blocks.pop_back();
}

int velta_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3, int width) {
    colour = velta_check_color(colour);
    width = checked_width(width);
    if (velta_state.logging)
        velta_print("%s triangle at (%d,%d), (%d,%d), (%d,%d)\n", palette[colour].name, x1, y1, x2,
                    y2, x3, y3);
    DrawCommand c{DRAW_TRIANGLE, colour, width, x1, y1, x2, y2, x3, y3};
    velta_render(&c);
    return 1;
}

namespace {

// Rectangles and ovals: the corners normalised to upper-left and lower-right, the checks, the log
// line naming the shape, and the command.
int box_shape(DrawKind kind, const char* shape, int colour, int x1, int y1, int x2, int y2,
              int width) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 < y2) std::swap(y1, y2);
    colour = velta_check_color(colour);
    width = checked_width(width);
    if (velta_state.logging) {
        if (width == 0)
            velta_print("%s %s with bounding box (%d,%d) to (%d,%d), filled\n",
                        palette[colour].name, shape, x1, y1, x2, y2);
        else
            velta_print("%s %s with bounding box (%d,%d) to (%d,%d) with line width %d\n",
                        palette[colour].name, shape, x1, y1, x2, y2, width);
    }
    DrawCommand c{kind, colour, width, x1, y1, x2, y2, 0, 0};
    velta_render(&c);
    return 1;
}

}  // namespace

int velta_rectangle(int colour, int x1, int y1, int x2, int y2, int width) {
    return box_shape(DRAW_RECTANGLE, "rectangle", colour, x1, y1, x2, y2, width);
}

int velta_oval(int colour, int x1, int y1, int x2, int y2, int width) {
    return box_shape(DRAW_OVAL, "oval", colour, x1, y1, x2, y2, width);
}

int velta_line(int colour, int x1, int y1, int x2, int y2, int width) {
    colour = velta_check_color(colour);
    width = checked_width(width);
    if (velta_state.logging)
        velta_print("%s line from (%d,%d) to (%d,%d) with line width %d\n", palette[colour].name,
                    x1, y1, x2, y2, width);
    DrawCommand c{DRAW_LINE, colour, width, x1, y1, x2, y2, 0, 0};
    velta_render(&c);
    return 1;
}

int velta_pixel(int colour, int x, int y) {
    colour = velta_check_color(colour);
    if (velta_state.logging) velta_print("%s pixel at (%d,%d)\n", palette[colour].name, x, y);
    DrawCommand c{DRAW_PIXEL, colour, 0, x, y, 0, 0, 0, 0};
    velta_render(&c);
    return 1;
}

// The text is copied into a block of its own for the command and freed after it. A missing text
// draws nothing; a negative height is reported and replaced by its size, as widths are; a height
// of 0 asks for the face's default size.
int velta_text(int colour, int x, int y, const char* text, int height) {
    colour = velta_check_color(colour);
    if (height < 0) {
        int size = height == INT_MIN ? INT_MAX : -height;
        velta_print("Height of %d not possible, using height %d\n", height, size);
        height = size;
    }
    if (text == nullptr) text = "";
    if (velta_state.logging)
        velta_print("%s text \"%s\" at (%d,%d) with height %d\n", palette[colour].name, text, x, y,
                    height);
    std::int32_t block = velta_alloc_text(text);
    DrawCommand c{DRAW_TEXT, colour, 0, x, y, height, block, 0, 0};
    velta_render(&c);
    velta_free_text(block);
    return 1;
}

int velta_show() {
    if (velta_state.logging) velta_print("Flushing the graphics window\n");
    if (velta_state.dirty) velta_copy_image();
    return 1;
}

int velta_erase() {
    VeltaState& s = velta_state;
    if (s.logging) velta_print("Clearing the graphics window\n");
    plat::GdiHandle brush = plat::create_solid_brush(colour_value(VELTA_BACKGROUND));
    plat::GdiHandle old_brush = plat::select_object(s.memory_dc, brush);
    if (s.memory_dc != nullptr) plat::rectangle(s.memory_dc, 0, 0, kImageWidth, kImageHeight);
    plat::select_object(s.memory_dc, old_brush);
    plat::delete_object(brush);
    s.dirty = 1;
    return 1;
}

void velta_render(const DrawCommand* command) {
    plat::DC dc = velta_state.memory_dc;
    // Before start-up there is no image to draw on; the command still marks the picture changed.
    if (command != nullptr && dc != nullptr) {
        DrawCommand c = *command;
        // The colour and width are the caller's to check; a record that skipped the checks is
        // corrected by the same rules rather than read outside the palette or given a negative pen.
        if (c.kind >= DRAW_TRIANGLE && c.kind <= DRAW_TEXT) c.colour = velta_check_color(c.colour);
        if (c.kind >= DRAW_TRIANGLE && c.kind <= DRAW_LINE) c.width = checked_width(c.width);
        switch (c.kind) {
            case DRAW_TRIANGLE:
                draw_shape(dc, c, [&] {
                    plat::Point p[3] = {{column(c.x1), row(c.y1)},
                                        {column(c.x2), row(c.y2)},
                                        {column(c.x3), row(c.y3)}};
                    plat::polygon(dc, p, 3);
                });
                break;
            case DRAW_RECTANGLE:
            case DRAW_OVAL:
                // The platform leaves out the right column and bottom row; the +1 keeps both given
                // corners in the shape.
                draw_shape(dc, c, [&] {
                    int l = column(c.x1), t = row(c.y1);
                    int r = column(static_cast<std::int64_t>(c.x2) + 1);
                    int b = row(static_cast<std::int64_t>(c.y2) - 1);
                    if (c.kind == DRAW_RECTANGLE)
                        plat::rectangle(dc, l, t, r, b);
                    else
                        plat::ellipse(dc, l, t, r, b);
                });
                break;
            case DRAW_LINE: {
                plat::GdiHandle pen =
                    plat::create_pen(plat::ps::solid, c.width, colour_value(c.colour));
                plat::GdiHandle old_pen = plat::select_object(dc, pen);
                plat::move_to(dc, column(c.x1), row(c.y1));
                plat::line_to(dc, column(c.x2), row(c.y2));
                plat::select_object(dc, old_pen);
                plat::delete_object(pen);
                break;
            }
            case DRAW_PIXEL:
                plat::set_pixel(dc, column(c.x1), row(c.y1), colour_value(c.colour));
                break;
            case DRAW_TEXT:
                draw_text(dc, c);
                break;
            default:
                break;  // unknown kinds draw nothing
        }
    }
    velta_state.dirty = 1;
}
