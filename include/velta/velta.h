// VELTA: a small graphics and event library. A graphics window with a Run menu and a 600 x 500
// picture in centred, y-up integer coordinates; a text window that works as a scrolling console; an
// event wait that delivers mouse, key, periodic and quit events; logging of drawing calls; and
// script recording and playback. Applications use it through one Display object.
#pragma once

#include <cstdint>
#include <string>

// Event kinds returned by the wait.
enum EventKind : int {
    EVENT_NONE = 0,  // only from Display::next_event, for an unexpected result
    EVENT_MOUSE = 1,
    EVENT_KEY = 2,
    EVENT_PERIODIC = 3,
    EVENT_QUIT = 4,
    // Further kinds, only for a program that asks for them (velta_set_input), and only from
    // velta_next_input (Display::next_input), which returns them in a VeltaEvent.
    EVENT_KEY_DOWN =
        5,  // any key pressed (code, modifiers); a typed character still comes as EVENT_KEY
    EVENT_KEY_UP = 6,      // any key released (code, modifiers)
    EVENT_MOUSE_MOVE = 7,  // the mouse moved (x, y, the buttons held as VELTA_BUTTON_*_HELD)
    EVENT_BUTTON_DOWN =
        8,  // the right or middle button pressed (the left one still gives EVENT_MOUSE)
    EVENT_BUTTON_UP = 9,  // any button released
    EVENT_WHEEL = 10,     // the wheel turned (code: 120 a notch, positive away from the user)
};

// What velta_set_input asks for; 0, the start, gives only the four classic kinds.
enum InputFlags : int {
    VELTA_INPUT_KEYS = 1,   // EVENT_KEY_DOWN and EVENT_KEY_UP for every key
    VELTA_INPUT_MOUSE = 2,  // EVENT_MOUSE_MOVE, EVENT_BUTTON_DOWN, EVENT_BUTTON_UP, EVENT_WHEEL
};

// Key codes of EVENT_KEY_DOWN and EVENT_KEY_UP. Letters and digits are their upper-case
// characters ('A' to 'Z', '0' to '9'); VELTA_KEY_F1 + n - 1 is Fn.
enum KeyCode : int {
    VELTA_KEY_BACKSPACE = 8,
    VELTA_KEY_TAB = 9,
    VELTA_KEY_ENTER = 13,
    VELTA_KEY_SHIFT = 16,
    VELTA_KEY_CONTROL = 17,
    VELTA_KEY_ESCAPE = 27,
    VELTA_KEY_SPACE = 32,
    VELTA_KEY_PAGE_UP = 33,
    VELTA_KEY_PAGE_DOWN = 34,
    VELTA_KEY_END = 35,
    VELTA_KEY_HOME = 36,
    VELTA_KEY_LEFT = 37,
    VELTA_KEY_UP = 38,
    VELTA_KEY_RIGHT = 39,
    VELTA_KEY_DOWN = 40,
    VELTA_KEY_INSERT = 45,
    VELTA_KEY_DELETE = 46,
    VELTA_KEY_F1 = 112,
    VELTA_KEY_F12 = 123,
};

// Mouse buttons, and the modifier keys held with an event.
enum : int { VELTA_BUTTON_LEFT = 1, VELTA_BUTTON_RIGHT = 2, VELTA_BUTTON_MIDDLE = 3 };
enum : int {
    VELTA_BUTTON_LEFT_HELD = 1,
    VELTA_BUTTON_RIGHT_HELD = 2,
    VELTA_BUTTON_MIDDLE_HELD = 4,
};
enum : int { VELTA_MOD_SHIFT = 1, VELTA_MOD_CTRL = 2 };

// One event with everything it carries, from velta_next_input.
struct VeltaEvent {
    int kind = EVENT_NONE;  // an EventKind
    int x = 0, y = 0;       // picture coordinates (mouse kinds)
    char key = 0;           // the character (EVENT_KEY)
    int code = 0;  // the key code (EVENT_KEY_DOWN, EVENT_KEY_UP); the distance (EVENT_WHEEL)
    int button =
        0;  // VELTA_BUTTON_* (EVENT_MOUSE, EVENT_BUTTON_*); the buttons held (EVENT_MOUSE_MOVE)
    int modifiers = 0;  // VELTA_MOD_* held with it
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

// The 24 colours by name (palette[i].name): the index of each in the palette.
enum Colour : int {
    VELTA_BLACK = 0,
    VELTA_WHITE = 1,
    VELTA_RED = 2,
    VELTA_GREEN = 3,
    VELTA_BLUE = 4,
    VELTA_YELLOW = 5,
    VELTA_MAGENTA = 6,
    VELTA_CYAN = 7,
    VELTA_PURPLE = 8,
    VELTA_NAVY_BLUE = 9,
    VELTA_DUSTY_PLUM = 10,
    VELTA_ICE_BLUE = 11,
    VELTA_TURQUOISE = 12,
    VELTA_ORANGE = 13,
    VELTA_BROWN = 14,
    VELTA_PINK = 15,
    VELTA_CHALK = 16,
    VELTA_GOLD = 17,
    VELTA_PEACH = 18,
    VELTA_FOREST_GREEN = 19,
    VELTA_SEA_GREEN = 20,
    VELTA_OLIVE = 21,
    VELTA_GRAY_50 = 22,  // "50% gray"
    VELTA_GRAY_20 = 23,  // "20% gray"
};

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

// Input for games: further event kinds (InputFlags) for a program that asks, from velta_next_input,
// which waits as velta_wait_event does and fills the whole record. The state of the keys, the
// buttons and the mouse as the events returned so far (live or played back) left them.
int velta_set_input(int flags);  // 0 if the graphics window does not exist, else 1
int velta_next_input(VeltaEvent* event);
int velta_key_is_down(int code);
int velta_button_is_down(int button);
void velta_mouse_position(int* x, int* y);

// The size in pixels that velta_text would give the text at this height (0: the default).
int velta_text_size(const char* text, int height, int* width, int* text_height);

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
    int text(int x, int y, const std::string& text, int height, int colour);
    // The width and height that text would take at this height.
    void text_size(const std::string& text, int height, int* width, int* text_height);

    // Input for games (see velta_set_input): ask once, then take events with next_input.
    void set_input(int flags);
    int next_input(VeltaEvent* event);
    bool key_is_down(int code);
    bool button_is_down(int button);
    void mouse_position(int* x, int* y);

    std::int32_t width;
    std::int32_t height;
};
