// VELTA for tests and grading: drive a program on the headless library (velta::headless, or
// velta-headless.pc) with no display at all. Input arrives on a virtual clock, which jumps to the
// next timer or input whenever the program waits, so a test of a running animation takes no real
// time. Read the picture the program drew, and everything it said on the console.
//
//   velta_test::reset();
//   velta_test::click(10, 20, 500);      // a click at (10, 20), half a second from now
//   velta_test::quit(1000);              // then the Quit command
//   my_program_main();                   // the program runs until it quits
//   assert(velta_test::pixel(10, 20) == 0xFF0000);
//
// A wait that no input or timer can ever end (the animation halted, nothing more scheduled)
// returns a quit with a message on the console, so a program under test always ends.
#pragma once

#include <string>
#include <vector>

namespace velta_test {

// Starts afresh: no Display, no windows, nothing scheduled, the virtual clock at 0. Call it
// before each test's program makes its Display.
void reset();

// Input as the user gives it, arriving `after_ms` milliseconds from now on the virtual clock.
void click(int x, int y, int after_ms = 0);            // a left click at picture coordinates
void type(const std::string& text, int after_ms = 0);  // characters typed
void key(int code, int after_ms = 0);                  // a key (KeyCode) pressed and released
void command(char letter, int after_ms = 0);           // the Run menu command of Ctrl+letter
void quit(int after_ms = 0);                           // the Quit command
// The further input of velta_set_input: a key held down and let go, the mouse moved, a button
// (VELTA_BUTTON_*) pressed and released at picture coordinates, the wheel turned (120 a notch).
void key_down(int code, int after_ms = 0);
void key_up(int code, int after_ms = 0);
void mouse_move(int x, int y, int after_ms = 0);
void press(int button, int x, int y, int after_ms = 0);
void release(int button, int x, int y, int after_ms = 0);
void wheel(int x, int y, int delta, int after_ms = 0);
// Lets virtual time pass now, running what is scheduled.
void pass_time(int ms);
long long now_ms();

// The colour (0xRRGGBB) at picture coordinates (origin at the centre, y upward), or -1 where the
// image does not reach.
long pixel(int x, int y);
// The whole image (601 x 540) as a PNG file; false when it cannot be written.
bool write_png(const std::string& path);

// Every console message since reset(), in order (drawing calls while logging is on, warnings,
// the script's messages, velta_print's output), each as it was printed.
std::vector<std::string> console();

// Runs a program's main routine with `script` as VELTA.SCR, played back from its start (logging
// on, then Playback Script chosen at once), in a folder of its own that is removed afterwards;
// returns the routine's result. The picture and the console stay to be read.
int run_with_script(int (*main_routine)(), const std::string& script);

}  // namespace velta_test
