// VELTA: a small graphics and event library. A graphics window with a Run menu and a 600 x 500
// picture in centred, y-up integer coordinates; a text window that works as a scrolling console; an
// event wait that delivers mouse, key, periodic and quit events; logging of drawing calls; and
// script recording and playback. Applications use it through one Display object.
#pragma once

#include <cstdint>

// Event kinds returned by the wait.
enum EventKind : int {
    EVENT_NONE = 0,  // only from Display::next_event, for an unexpected result
    EVENT_MOUSE = 1,
    EVENT_KEY = 2,
    EVENT_PERIODIC = 3,
    EVENT_QUIT = 4,
};

// Animation modes of velta_set_animation.
enum AnimationMode : int {
    ANIMATION_HALT = 0,
    ANIMATION_SINGLE_STEP = 1,
    ANIMATION_RUN = 2,
    ANIMATION_QUIT = 5,
};

// Kinds of drawing command.
enum DrawKind : std::int32_t {
    DRAW_TRIANGLE = 0,
    DRAW_RECTANGLE = 1,
    DRAW_OVAL = 2,
    DRAW_LINE = 3,
    DRAW_PIXEL = 4,
    DRAW_TEXT = 5,
};

// One primitive for velta_render. For text, x2 is the font height in pixels and y2 the handle of a
// memory block (velta_alloc_text) holding the NUL-terminated text.
struct DrawCommand {
    std::int32_t kind;
    std::int32_t colour;
    std::int32_t width;
    std::int32_t x1;
    std::int32_t y1;
    std::int32_t x2;
    std::int32_t y2;
    std::int32_t x3;
    std::int32_t y3;
};

constexpr int VELTA_COLORS = 24;
constexpr int VELTA_BACKGROUND = 1;  // white
constexpr int VELTA_ILLEGAL = 2;     // red

struct PaletteEntry {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
    const char* name;
};
extern const PaletteEntry palette[VELTA_COLORS];

// A program's entry for the original platform's style of start: stores the four start-up values
// (which the Display passes on to velta_init), runs the application's main routine and returns 0
// whatever that returned. A program with an ordinary main() needs none of this: it just makes its
// Display.
int velta_win_main(void* instance, void* prev_instance, char* cmd_line, int show_cmd,
                   int (*main_routine)());

int velta_init(void* instance, void* prev_instance, char* cmd_line, int show_cmd);
int velta_shutdown();
int velta_show_console(int flag);

int velta_wait_event(int* x, int* y, char* key);
void velta_pump();
int velta_set_animation(int mode);
int velta_set_logging(int flag);

int velta_check_color(int colour);
int velta_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3, int width);
int velta_rectangle(int colour, int x1, int y1, int x2, int y2, int width);
// Ovals take their bounding box's corners in either order, like rectangles; width 0 fills. A line
// of width 0 is one pixel wide and leaves out its end point. Text is drawn with its first line's
// lower-left corner at (x, y) and each newline starting a new line below; height is the
// character height in pixels (0: the face's default size).
int velta_oval(int colour, int x1, int y1, int x2, int y2, int width);
int velta_line(int colour, int x1, int y1, int x2, int y2, int width);
int velta_pixel(int colour, int x, int y);
int velta_text(int colour, int x, int y, const char* text, int height);
int velta_show();
int velta_erase();
void velta_render(const DrawCommand* command);

int velta_print(const char* format, ...) __attribute__((format(printf, 1, 2)));
void velta_console_line(const char* message);

void velta_record_event(int kind, int x, int y, char key);
int velta_read_script_event();
void velta_stop_playback();
void velta_close_script();

// Shows the prompt in a modal dialog and copies the typed reply (at most 255 characters and a
// terminator) into reply, which must hold at least 256 bytes. Returns 1 when the dialog ran, 0 when
// it could not be shown (reply untouched).
int velta_message(const char* prompt, char* reply);

// The application's handle on the library. One per process.
class Display {
  public:
    Display();
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    void clear(int colour);
    int next_event(int* x, int* y, char* key);
    void set_animation(int mode);
    int rectangle(int x1, int y1, int x2, int y2, int colour, int width);
    int triangle(int x1, int y1, int x2, int y2, int x3, int y3, int colour, int width);
    int oval(int x1, int y1, int x2, int y2, int colour, int width);
    int line(int x1, int y1, int x2, int y2, int colour, int width);
    int pixel(int x, int y, int colour);
    int text(int x, int y, const char* text, int height, int colour);

    std::int32_t width;
    std::int32_t height;
};
