// A paddle game: keep the ball in play with the paddle at the bottom. Hold the Left and Right
// arrow keys to move the paddle; the ball speeds up with every hit, and a miss starts it again.
// Shows: input for games (keys held down, set_input and next_input), named colours, text.
#include <velta/velta.h>

#include <string>

int main() {
    Display display;
    display.set_input(VELTA_INPUT_KEYS);  // every key's presses and releases, arrows included
    display.set_animation(2);
    int paddle = 0, ball_x = 0, ball_y = 100, dx = 6, dy = -6, hits = 0, best = 0;
    VeltaEvent event;
    while (display.next_input(&event) != EVENT_QUIT) {
        if (event.kind != EVENT_PERIODIC) continue;
        if (display.key_is_down(VELTA_KEY_LEFT) && paddle > -250) paddle -= 12;
        if (display.key_is_down(VELTA_KEY_RIGHT) && paddle < 250) paddle += 12;
        ball_x += dx;
        ball_y += dy;
        if (ball_x < -292 || ball_x > 292) dx = -dx;
        if (ball_y > 242) dy = -dy;
        if (dy < 0 && ball_y <= -212 && ball_y > -222 && ball_x > paddle - 50 &&
            ball_x < paddle + 50) {
            dy = -dy + 1;  // a hit: back up, a little faster
            ++hits;
        }
        if (ball_y < -250) {  // a miss: serve again
            best = hits > best ? hits : best;
            hits = 0;
            ball_x = 0, ball_y = 100, dx = 6, dy = -6;
        }
        display.clear(VELTA_CHALK);
        display.rectangle(paddle - 50, -222, paddle + 50, -232, VELTA_NAVY_BLUE, 0);
        display.oval(ball_x - 8, ball_y + 8, ball_x + 8, ball_y - 8, VELTA_ORANGE, 0);
        display.text(-290, 225, "Left and Right arrows: move   Ctrl+H: pause   Ctrl+Q: quit", 14,
                     VELTA_BLACK);
        display.text(-290, 205, "hits " + std::to_string(hits) + "   best " + std::to_string(best),
                     14, VELTA_BLACK);
    }
    return 0;
}
