// The program entry. Kept in its own file so that programs without simulation_main (the library's
// tests) can link the library.
#include "velta/state.h"
#include "velta/velta.h"

int velta_win_main(void* instance, void* prev_instance, char* cmd_line, int show_cmd) {
    velta_startup = VeltaStartup{instance, prev_instance, cmd_line, show_cmd};
    simulation_main();
    return 0;
}
