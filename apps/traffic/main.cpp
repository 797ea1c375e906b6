// The traffic program's entry: connect to the display, then hand over to the library's entry with
// the command line (the arguments after the program name, joined by spaces). The backend that is
// linked in decides what the display is.
#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "velta/velta.h"

// The application's main routine: the simulation's, or the end-to-end tests' probe's.
int simulation_main();

int main(int argc, char** argv) {
    std::string reason;
    if (!plat::open_display(&reason)) {
        std::fprintf(stderr, "%s: %s\n", argc > 0 ? argv[0] : "traffic", reason.c_str());
        return 1;
    }
    std::string command_line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) command_line += ' ';
        command_line += argv[i];
    }
    return velta_win_main(nullptr, nullptr, command_line.data(), plat::sw::show_normal,
                          simulation_main);
}
