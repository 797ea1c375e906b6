// A ball that bounces around the picture, one step per periodic event (ten a second). Use the Run
// menu (or Ctrl+H, Ctrl+F, Ctrl+A) to halt it, advance it one frame at a time and start it again;
// Record Script and Playback Script record and replay a run.
// Shows: periodic events, the animation modes, redrawing a frame over the last one.
#include <velta/velta.h>

int main() {
    Display display;
    display.clear(VELTA_WHITE);  // the picture is black until it is first cleared
    display.text(-290, -240, "Ctrl+H: halt   Ctrl+F: one frame   Ctrl+A: run again", 14,
                 VELTA_GRAY_50);
    display.set_animation(2);  // run: periodic events start arriving
    const int radius = 15;
    int x = 0, y = 0, dx = 7, dy = 5;
    int ticks = 0;
    int event_x = 0, event_y = 0;
    char key = 0;
    for (;;) {
        int event = display.next_event(&event_x, &event_y, &key);
        if (event == EVENT_QUIT) break;
        if (event != EVENT_PERIODIC) continue;
        // Erase the ball where it was, move it, bounce off the edges of the 600 x 500 picture.
        display.oval(x - radius, y + radius, x + radius, y - radius, 1, 0);
        x += dx;
        y += dy;
        if (x + radius > display.width / 2 || x - radius < -display.width / 2) dx = -dx;
        if (y + radius > display.height / 2 || y - radius < -display.height / 2) dy = -dy;
        ++ticks;
        display.oval(x - radius, y + radius, x + radius, y - radius, 13, 0);  // orange
        display.rectangle(-290, 240, -200, 222, 1, 0);
        display.text(-290, 225, "bounce", 14, 0);
        display.pixel(x, y, ticks % 2 == 0 ? 0 : 5);
    }
    return 0;
}
