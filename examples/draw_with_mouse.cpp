// Draws with the mouse: each click places a shape centred where you clicked. Keys choose what comes
// next: r rectangle, o oval, t triangle, l line from the last click, c clear; 0-9 pick a colour.
// Shows: mouse and key events, the drawing operations, clearing the picture.
#include <velta/velta.h>

int main() {
    Display display;
    display.clear(VELTA_WHITE);  // the picture is black until it is first cleared
    display.text(-290, -240, "click: place   r o t l: shape   0-9: colour   c: clear", 14,
                 VELTA_GRAY_50);
    char shape = 'r';
    int colour = 4;  // blue
    int last_x = 0, last_y = 0;
    int x = 0, y = 0;
    char key = 0;
    for (;;) {
        int event = display.next_event(&x, &y, &key);
        if (event == EVENT_QUIT) break;
        if (event == EVENT_KEY) {
            if (key >= '0' && key <= '9') colour = key - '0';
            if (key == 'r' || key == 'o' || key == 't' || key == 'l') shape = key;
            if (key == 'c') display.clear(1);
        }
        if (event != EVENT_MOUSE) continue;
        switch (shape) {
            case 'r':
                display.rectangle(x - 20, y + 15, x + 20, y - 15, colour, 0);
                break;
            case 'o':
                display.oval(x - 20, y + 20, x + 20, y - 20, colour, 2);
                break;
            case 't':
                display.triangle(x, y + 20, x - 20, y - 15, x + 20, y - 15, colour, 0);
                break;
            default:
                display.line(last_x, last_y, x, y, colour, 3);
                break;
        }
        last_x = x;
        last_y = y;
    }
    return 0;
}
