// The event wait with its animation state machine, the message pump, and the animation and
// logging controls.
#include "library_state.h"
#include "platform/platform.h"
#include "velta/velta.h"

namespace {

// A pass that handled no message and armed no new event would only poll again; sleep until a
// message arrives or the next timer is due instead of spinning.
bool pass_was_idle(bool handled_message, std::int32_t kind_before) {
    return !handled_message && velta_state.pending_kind == kind_before;
}

bool pump_once(bool* took_quit = nullptr) {
    VeltaState& s = velta_state;
    plat::Message msg;
    bool got = plat::peek_message(&msg);
    if (got && msg.code == plat::wm::quit) {
        // Returned once: a program may ask whether the user really means it and go on.
        s.pending_kind = EVENT_QUIT;
        if (took_quit != nullptr) *took_quit = true;
        return true;
    }
    if (got) {
        plat::translate_message(msg);
        plat::dispatch_message(msg);
    }
    if (s.dirty) velta_copy_image();
    return got;
}

}  // namespace

void velta_pump() {
    bool took_quit = false;
    pump_once(&took_quit);
    // A quit taken by a pump outside the wait is kept for the next wait, which would otherwise
    // start by forgetting it with the rest of the pending event.
    if (took_quit) velta_state.quit_taken = 1;
}

int velta_wait_event(int* x, int* y, char* key) {
    VeltaState& s = velta_state;
    s.pending_kind = -1;
    s.pending_key = 0;
    s.pending_y = 0;
    s.pending_x = 0;
    s.pending_code = 0;
    s.pending_button = 0;
    s.pending_mods = 0;
    if (s.quit_taken) {
        s.quit_taken = 0;
        s.pending_kind = EVENT_QUIT;
    }
    for (;;) {
        // The application asked to quit: it gets the quit now, not at the next tick or click.
        if (s.quit) {
            if (s.dirty && plat::is_window(s.graphics)) velta_copy_image();
            break;
        }
        // Once the graphics window is gone no input, timer or command can come any more: every
        // wait returns quit at once instead of waiting for ever.
        if (!plat::is_window(s.graphics)) break;
        if (s.pending_kind != -1 && s.pending_kind != EVENT_PERIODIC) break;
        if (s.pending_kind == EVENT_PERIODIC && s.timer_tick) break;
        std::int32_t kind_before = s.pending_kind;
        bool handled = pump_once();
        // A quit taken from the queue in this pass is never overwritten by a script event.
        bool quit_now = s.pending_kind == EVENT_QUIT;
        if ((s.play_one || s.playback) && !quit_now) {
            s.play_one = 0;
            if (velta_read_script_event()) break;
            s.play_one = 0;
            s.playback = 0;
        }
        if ((s.single_step || s.run) && s.pending_kind == -1) {
            s.pending_kind = EVENT_PERIODIC;
            s.timer_tick = 0;
            s.single_step = 0;
            s.play_one = 0;
            continue;
        }
        if (pass_was_idle(handled, kind_before)) {
            // Halted, with nothing to play and no input that can still come (a program run by a
            // test on the headless library): nothing can ever end this wait. It ends with a quit
            // rather than sleeping for ever.
            bool can_end = s.run || s.single_step || s.playback || s.play_one ||
                           s.pending_kind == EVENT_PERIODIC;
            if (!can_end && !plat::message_ready() && !plat::input_can_arrive()) {
                velta_print(
                    "Nothing can end this wait: no input is coming and the animation is "
                    "halted; quitting.\n");
                s.pending_kind = EVENT_QUIT;
                break;
            }
            plat::wait_message();
        }
    }
    // What is recorded is what the application gets: once the quit flag is set or the graphics
    // window is gone, the event is a quit, whatever was pending.
    int result = s.quit || !plat::is_window(s.graphics) ? EVENT_QUIT : s.pending_kind;
    if (s.recording) {
        if (s.script_mode == 'r') {
            // A playback owns the file and the count: this recording cannot write.
            velta_end_recording();
        } else if (result == EVENT_PERIODIC) {
            ++s.periodic_count;
        } else {
            // A quit writes the count line, though the quit itself has no line.
            if (s.periodic_count > 0) {
                velta_record_event(EVENT_PERIODIC, 0, 0, 0);
                s.periodic_count = 0;
            }
            velta_record_event(result, s.pending_x, s.pending_y, s.pending_key);
        }
    }
    velta_note_input(result);
    *x = s.pending_x;
    *y = s.pending_y;
    *key = s.pending_key;
    return result;
}

int velta_set_animation(int mode) {
    VeltaState& s = velta_state;
    if (s.graphics == nullptr) return 0;
    switch (static_cast<unsigned>(mode)) {
        case ANIMATION_HALT:
            s.single_step = 0;
            s.run = 0;
            break;
        case ANIMATION_SINGLE_STEP:
            s.single_step = 1;
            break;
        case ANIMATION_RUN:
            s.run = 1;
            break;
        case ANIMATION_QUIT:
            s.quit = 1;
            break;
        default:
            break;
    }
    return 1;
}

int velta_set_logging(int flag) {
    VeltaState& s = velta_state;
    if (s.graphics == nullptr) return 0;
    s.logging = flag ? 1 : 0;
    plat::check_menu_item(s.run_menu, CMD_LOGGING,
                          s.logging ? plat::mf::checked : plat::mf::unchecked);
    if (s.logging) velta_show_console(1);
    return 1;
}
