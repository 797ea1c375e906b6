// Script recording and playback. (Placeholder until the script work lands: nothing is written or
// read yet.)
#include "velta/state.h"
#include "velta/velta.h"

void velta_record_event(int, int, int, char) {}

int velta_read_script_event() { return 0; }

void velta_stop_playback() {
    VeltaState& s = velta_state;
    s.playback = 0;
    s.play_one = 0;
    plat::check_menu_item(s.run_menu, CMD_PLAYBACK, plat::MF_UNCHECKED);
}

void velta_close_script() {
    VeltaState& s = velta_state;
    if (s.script != nullptr) std::fclose(s.script);
    s.script = nullptr;
    s.script_mode = 0;
}
