// Shows the 24 named colours of the palette, each as a swatch with its index and name. Click a
// swatch to see its name and red, green and blue values on the console (logging off, so only
// that line appears there).
// Shows: the palette, text, mouse events, printing to the text window.
#include <velta/velta.h>

int main() {
    Display display;
    display.clear(VELTA_WHITE);  // the picture is black until it is first cleared
    display.text(-290, -240, "click a colour: its values on the console", 12, VELTA_GRAY_50);
    for (int i = 0; i < VELTA_COLORS; ++i) {
        int left = -290 + (i / 6) * 150;
        int top = 235 - (i % 6) * 80;
        display.rectangle(left, top, left + 40, top - 40, i, 0);
        display.rectangle(left, top, left + 40, top - 40, 0, 1);  // a black frame
        char index[4] = {static_cast<char>('0' + i / 10), static_cast<char>('0' + i % 10), 0, 0};
        display.text(left + 48, top - 14, i < 10 ? index + 1 : index, 13, 0);
        display.text(left + 48, top - 30, palette[i].name, 13, 0);
    }
    int x = 0, y = 0;
    char key = 0;
    for (;;) {
        int event = display.next_event(&x, &y, &key);
        if (event == EVENT_QUIT) break;
        if (event != EVENT_MOUSE) continue;
        int column = (x + 290) / 150, row = (235 - y) / 80;
        if (x < -290 || y > 235 || column > 3 || row > 5) continue;
        const PaletteEntry& c = palette[column * 6 + row];
        velta_print("%d %s: red %d, green %d, blue %d\n", column * 6 + row, c.name, c.red, c.green,
                    c.blue);
    }
    return 0;
}
