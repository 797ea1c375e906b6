// The text console. (Placeholder until the console work lands.)
#include <cstdarg>
#include <cstdio>

#include "velta/state.h"
#include "velta/velta.h"

int velta_print(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    velta_console_line(buffer);
    return n;
}

void velta_console_line(const char*) {}

plat::LResult velta_text_paint(plat::Window window) {
    plat::DC dc = plat::begin_paint(window);
    plat::end_paint(window, dc);
    return 0;
}

void velta_console_reset() {}

const char* velta_console_slot(int) { return nullptr; }
std::int32_t velta_ring_start() { return -1; }
std::int32_t velta_ring_next() { return 0; }
