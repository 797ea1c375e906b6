// The teacher's grading program: a student's program, built with its main routine renamed (see
// velta_add_grader), run on the headless library with a script played back from its start; the
// final picture is written as a PNG and every console message (the drawing log) as text, to be
// compared with the reference solution's (cmp, diff).
//
//   grade [--script VELTA.SCR] [--png final.png] [--log drawing.txt]
//
// Exit status: the student's program's own, or 2 for a usage error, 3 when a file cannot be
// written.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "velta/velta_test.h"

// The student's main routine, under the name velta_add_grader gives it; either form of main.
int velta_student_main() __attribute__((weak));
int velta_student_main(int, char**) __attribute__((weak));

namespace {

int (*const plain_main)() = velta_student_main;
int (*const main_with_arguments)(int, char**) = velta_student_main;

int student() {
    if (plain_main != nullptr) return plain_main();
    static char name[] = "student";
    static char* argv[] = {name, nullptr};
    return main_with_arguments(1, argv);
}

}  // namespace

int main(int argc, char** argv) {
    std::string script = "VELTA.SCR", png = "final.png", log = "drawing.txt";
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i + 1 < argc && arg == "--script") {
            script = argv[++i];
        } else if (i + 1 < argc && arg == "--png") {
            png = argv[++i];
        } else if (i + 1 < argc && arg == "--log") {
            log = argv[++i];
        } else {
            std::fprintf(stderr,
                         "usage: %s [--script VELTA.SCR] [--png final.png] [--log drawing.txt]\n",
                         argv[0]);
            return 2;
        }
    }
    if (plain_main == nullptr && main_with_arguments == nullptr) {
        std::fprintf(stderr, "%s: no student program was linked in\n", argv[0]);
        return 2;
    }
    if (!std::ifstream(script)) {
        std::fprintf(stderr, "%s: cannot read the script %s\n", argv[0], script.c_str());
        return 2;
    }
    velta_test::reset();
    int status = velta_test::run_with_script(student, script);
    bool written = velta_test::write_png(png);
    std::ofstream out(log, std::ios::binary);
    for (const std::string& line : velta_test::console()) out << line;
    if (!written || !out) {
        std::fprintf(stderr, "%s: cannot write %s or %s\n", argv[0], png.c_str(), log.c_str());
        return 3;
    }
    return status;
}
