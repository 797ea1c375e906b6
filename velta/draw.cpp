// Drawing primitives. (Placeholder until the drawing work lands.)
#include "velta/state.h"
#include "velta/velta.h"

int velta_triangle(int, int, int, int, int, int, int, int) {
    velta_state.dirty = 1;
    return 1;
}
int velta_rectangle(int, int, int, int, int, int) {
    velta_state.dirty = 1;
    return 1;
}
int velta_show() {
    if (velta_state.dirty) velta_copy_image();
    return 1;
}
int velta_erase() {
    velta_state.dirty = 1;
    return 1;
}
void velta_render(const DrawCommand*) { velta_state.dirty = 1; }
std::int32_t velta_alloc_text(const char*) { return 0; }
void velta_free_text(std::int32_t) {}
