// The text console: a ring of the last 25 messages, each shown as a new bottom line of the text
// window, and the window's repaint, which replays the ring oldest first.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "library_state.h"
#include "platform/gdi.h"
#include "velta/velta.h"

namespace {

// Each slot holds one message in a heap block of exactly its own size, NUL included.
std::unique_ptr<char[]> console_ring[kRingSlots];
std::int32_t ring_start = -1;  // slot of the oldest message; -1 until the first is stored
std::int32_t ring_next = 0;    // slot that receives the next message

// Every message since a test asked for them (velta_keep_transcript), beyond the ring's 25.
bool keeping_transcript = false;
std::vector<std::string> transcript;

// Console messages also go to standard error where the process has one (not a Windows program
// without a console), so that what the program was told is still there after it has ended.
void mirror(const char* text) {
    if (!velta_state.mirror_to_stderr || text == nullptr) return;
    int fd = fileno(stderr);
    if (fd < 0) return;
    std::fputs(text, stderr);
    std::size_t n = std::strlen(text);
    if (n == 0 || text[n - 1] != '\n') std::fputc('\n', stderr);
    std::fflush(stderr);
}

std::int32_t advance(std::int32_t slot) {
    return slot == kRingSlots - 1 ? 0 : slot + 1;
}

void store(const char* text) {
    std::size_t n = std::strlen(text) + 1;
    std::unique_ptr<char[]> block(new (std::nothrow) char[n]);
    // Without memory the message is still shown, just not kept for repaints.
    if (!block) return;
    std::memcpy(block.get(), text, n);
    if (ring_start == ring_next) {
        console_ring[ring_start].reset();
        ring_start = advance(ring_start);
    }
    console_ring[ring_next] = std::move(block);
    if (ring_start < 0) ring_start = ring_next;
    ring_next = advance(ring_next);
}

}  // namespace

// Messages of up to 1,023 characters are formatted on the stack. A longer one is formatted again
// into a heap buffer of its full size rather than cut short: the console shows a single line
// either way, but the ring keeps the whole text, so nothing the program said (a long file path, a
// long list of values) is silently lost, and the count returned still matches what was stored.
int velta_print(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int count = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);

    const char* text = buffer;
    std::unique_ptr<char[]> large;
    if (count < 0) {
        buffer[0] = '\0';  // an encoding error produced nothing usable
    } else if (static_cast<std::size_t>(count) >= sizeof buffer) {
        std::size_t size = static_cast<std::size_t>(count) + 1;
        large.reset(new (std::nothrow) char[size]);
        if (large) {
            std::vsnprintf(large.get(), size, format, again);
            text = large.get();
        }
        // Without memory for the full text, the first 1,023 characters in the buffer serve.
    }
    va_end(again);

    store(text);
    if (keeping_transcript) transcript.emplace_back(text);
    mirror(text);
    velta_console_line(text);
    return count;
}

void velta_keep_transcript(bool keep) {
    keeping_transcript = keep;
    transcript.clear();
}

std::vector<std::string> velta_transcript() {
    return transcript;
}

void velta_console_line(const char* message) {
    plat::Window window = velta_state.text;
    // The user may have closed the text window; output then goes only to the ring.
    if (message == nullptr || window == nullptr || !plat::is_window(window)) return;
    plat::DC dc = plat::get_dc(window);
    if (dc == nullptr) return;

    plat::GdiHandle old_font =
        plat::select_object(dc, plat::get_stock_object(plat::stock::ansi_fixed_font));
    plat::TextMetrics metrics;
    plat::get_text_metrics(dc, &metrics);
    int h = metrics.height + metrics.external_leading;

    plat::scroll_dc(dc, 0, -h);
    plat::Rect r = plat::client_rect(window);

    // Clear the uncovered strip; with no outline the fill stops one short of right and bottom.
    plat::GdiHandle brush = plat::create_solid_brush(plat::get_bk_color(dc));
    plat::GdiHandle old_brush = plat::select_object(dc, brush);
    plat::GdiHandle old_pen =
        plat::select_object(dc, plat::get_stock_object(plat::stock::null_pen));
    plat::rectangle(dc, r.left, r.bottom - h, r.right, r.bottom + 1);
    plat::select_object(dc, old_pen);
    plat::select_object(dc, old_brush);
    plat::delete_object(brush);

    // Each message takes exactly one line: only one trailing newline is dropped, and any other
    // character is drawn as the font's glyph for it.
    std::size_t length = std::strlen(message);
    if (length > 0 && message[length - 1] == '\n') --length;
    plat::text_out(dc, r.left + 5, r.bottom - h, message,
                   length > INT32_MAX ? INT32_MAX : static_cast<int>(length));

    plat::select_object(dc, old_font);
    plat::release_dc(window, dc);
}

plat::LResult velta_text_paint(plat::Window window) {
    plat::DC paint_dc = plat::begin_paint(window);
    // Each replayed message scrolls the window by a line, so the newest ends on the bottom line.
    // The count lets a full ring, whose start equals its next slot, replay all its messages.
    std::int32_t slot = ring_start;
    for (int k = 0; slot >= 0 && (slot != ring_next || k == 0); ++k) {
        if (console_ring[slot]) velta_console_line(console_ring[slot].get());
        slot = advance(slot);
    }
    plat::end_paint(window, paint_dc);
    return 0;
}

void velta_console_reset() {
    for (auto& block : console_ring) block.reset();
    ring_start = -1;
    ring_next = 0;
}

const char* velta_console_slot(int slot) {
    if (slot < 0 || slot >= kRingSlots) return nullptr;
    return console_ring[slot].get();
}

std::int32_t velta_ring_start() {
    return ring_start;
}
std::int32_t velta_ring_next() {
    return ring_next;
}
