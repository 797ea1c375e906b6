// The program entry in the original platform's style: the start-up values are kept for the
// Display, then the application's main routine runs.
#include "library_state.h"
#include "velta/velta.h"

int velta_win_main(void* instance, void* prev_instance, char* cmd_line, int show_cmd,
                   int (*main_routine)()) {
    velta_startup = VeltaStartup{instance, prev_instance, cmd_line, show_cmd};
    if (main_routine != nullptr) main_routine();
    return 0;
}
