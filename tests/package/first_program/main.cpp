// A student's first program, built by the package tests against an installed or unpacked package
// alone: a picture, a red mark where the mouse is clicked, and a key that colours a square after
// the letter typed (g green, b blue, anything else magenta).
#include <velta/velta.h>

int main() {
    Display display;
    display.clear(1);
    display.rectangle(-100, 80, 100, -80, 4, 0);
    display.triangle(-60, -40, 60, -40, 0, 60, 5, 0);
    int x = 0, y = 0;
    char key = 0;
    for (;;) {
        int event = display.next_event(&x, &y, &key);
        if (event == EVENT_QUIT) break;
        if (event == EVENT_MOUSE) display.rectangle(x - 3, y + 3, x + 3, y - 3, 2, 0);
        if (event == EVENT_KEY) {
            int colour = key == 'g' ? 3 : key == 'b' ? 4 : 6;
            display.rectangle(200, 20, 240, -20, colour, 0);
        }
    }
    return 0;
}
