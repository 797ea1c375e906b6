// Input for games and the public test interface (velta/velta_test.h), as a student's program and
// its tests use them: further event kinds only for a program that asks, their script lines
// recorded and played back, the input state, a wait that nothing can end, and the console's copy
// on standard error.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_cwd.h"
#include "velta/velta.h"
#include "velta/velta_test.h"

namespace {

std::string describe(const VeltaEvent& e) {
    std::ostringstream out;
    out << e.kind << " (" << e.x << ", " << e.y << ") key " << int(e.key) << " code " << e.code
        << " button " << e.button << " mods " << e.modifiers;
    return out.str();
}

std::string read(const char* path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A game's loop: every event until the quit, described.
std::vector<std::string> events_until_quit(Display& display) {
    std::vector<std::string> out;
    VeltaEvent e;
    while (display.next_input(&e) != EVENT_QUIT) out.push_back(describe(e));
    return out;
}

// What the user does in these tests: a key held and let go, a typed character, the mouse moved
// with the left button held, a right click, a wheel notch, a left click (picture coordinates).
void a_user_plays() {
    velta_test::key_down(VELTA_KEY_LEFT, 100);
    velta_test::key_up(VELTA_KEY_LEFT, 200);
    velta_test::type("a", 300);
    velta_test::mouse_move(5, -6, 400);
    velta_test::press(VELTA_BUTTON_RIGHT, 7, 8, 500);
    velta_test::release(VELTA_BUTTON_RIGHT, 7, 8, 600);
    velta_test::wheel(0, 0, 120, 700);
    velta_test::click(-10, 20, 800);
}

TEST(GameInput, OnlyWhatIsAskedForComesAndIsRecordedAndPlayedBack) {
    TempCwd cwd;
    // A program that asks for nothing gets the classic events, and records the classic lines.
    velta_test::reset();
    {
        Display display;
        velta_test::command('r', 50);
        a_user_plays();
        velta_test::quit(900);
        EXPECT_EQ(events_until_quit(display),
                  (std::vector<std::string>{"2 (0, 0) key 97 code 0 button 0 mods 0",
                                            "1 (-10, 20) key 0 code 0 button 1 mods 0"}));
    }
    EXPECT_EQ(read("VELTA.SCR"), "VELTA_KBD(97);\nVELTA_MOUSE(-10, 20);\n");

    // A game that asks for the keys and the mouse gets every one of them.
    const std::vector<std::string> played = {
        "5 (0, 0) key 0 code 37 button 0 mods 0",   "6 (0, 0) key 0 code 37 button 0 mods 0",
        "5 (0, 0) key 0 code 65 button 0 mods 0",   "2 (0, 0) key 97 code 0 button 0 mods 0",
        "6 (0, 0) key 0 code 65 button 0 mods 0",   "7 (5, -6) key 0 code 0 button 0 mods 0",
        "8 (7, 8) key 0 code 0 button 2 mods 0",    "9 (7, 8) key 0 code 0 button 2 mods 0",
        "10 (0, 0) key 0 code 120 button 0 mods 0", "1 (-10, 20) key 0 code 0 button 1 mods 0",
        "9 (-10, 20) key 0 code 0 button 1 mods 0"};
    velta_test::reset();
    {
        Display display;
        display.set_input(VELTA_INPUT_KEYS | VELTA_INPUT_MOUSE);
        velta_test::command('r', 50);
        a_user_plays();
        velta_test::command('r', 850);
        velta_test::quit(900);
        EXPECT_EQ(events_until_quit(display), played);
    }
    std::string script = read("VELTA.SCR");
    EXPECT_NE(script.find("VELTA_DOWN(37, 0);\nVELTA_UP(37, 0);\n"), std::string::npos) << script;
    EXPECT_NE(
        script.find(
            "VELTA_XY(5, -6, 0);\nVELTA_BUTTON(7, 8, 2, 0);\nVELTA_RELEASE(7, 8, 2, 0);\n"
            "VELTA_WHEEL(0, 0, 120, 0);\nVELTA_MOUSE(-10, 20);\nVELTA_RELEASE(-10, 20, 1, 0);\n"),
        std::string::npos)
        << script;

    // Played back, the recording gives the game exactly what it was given; a program that asks
    // only for the keys gets the key lines and the classic ones, the mouse's passed over.
    std::ofstream("VELTA.SCR") << "VELTA_DOWN(37, 0);\nVELTA_UP(37, 0);\nVELTA_XY(5, -6, 0);\n"
                                  "VELTA_BUTTON(7, 8, 2, 0);\nVELTA_WHEEL(0, 0, 120, 0);\n"
                                  "VELTA_MOUSE(-10, 20);\nVELTA_RELEASE(-10, 20, 1, 1);\n";
    velta_test::reset();
    {
        Display display;
        display.set_input(VELTA_INPUT_KEYS | VELTA_INPUT_MOUSE);
        velta_test::command('p', 50);
        VeltaEvent e;
        std::vector<std::string> got;
        for (int i = 0; i < 7; ++i) {
            display.next_input(&e);
            got.push_back(describe(e));
        }
        EXPECT_EQ(got[0], played[0]);
        EXPECT_EQ(got[2], played[5]);
        EXPECT_EQ(got[4], played[8]);
        EXPECT_EQ(got[6], "9 (-10, 20) key 0 code 0 button 1 mods 1");
    }
    velta_test::reset();
    {
        Display display;
        display.set_input(VELTA_INPUT_KEYS);
        velta_test::command('p', 50);
        VeltaEvent e;
        std::vector<int> kinds;
        for (int i = 0; i < 3; ++i) kinds.push_back(display.next_input(&e));
        EXPECT_EQ(kinds, (std::vector<int>{EVENT_KEY_DOWN, EVENT_KEY_UP, EVENT_MOUSE}));
    }
}

TEST(GameInput, TheStateOfKeysButtonsAndMouseFollowsTheEvents) {
    velta_test::reset();
    Display display;
    display.set_input(VELTA_INPUT_KEYS | VELTA_INPUT_MOUSE);
    velta_test::key_down(VELTA_KEY_UP, 10);
    velta_test::press(VELTA_BUTTON_MIDDLE, 30, -40, 20);
    VeltaEvent e;
    display.next_input(&e);
    EXPECT_TRUE(display.key_is_down(VELTA_KEY_UP));
    EXPECT_FALSE(display.key_is_down(VELTA_KEY_DOWN));
    display.next_input(&e);
    EXPECT_TRUE(display.button_is_down(VELTA_BUTTON_MIDDLE));
    int x = 0, y = 0;
    display.mouse_position(&x, &y);
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, -40);
    // A classic program's loop never sees the further kinds: next_event gives EVENT_NONE.
    velta_test::key_up(VELTA_KEY_UP, 10);
    char key = 0;
    EXPECT_EQ(display.next_event(&x, &y, &key), EVENT_NONE);
    EXPECT_FALSE(display.key_is_down(VELTA_KEY_UP));
}

// Halted, nothing scheduled: the program is told why and gets a quit instead of waiting for ever,
// and what the console says is on standard error too, as printed.
TEST(TestedProgram, AWaitNothingCanEndGivesAQuitAndEveryMessageReachesStandardError) {
    velta_test::reset();
    Display display;
    // Under node's raw file system descriptor 2 is node's own, which cannot be redirected into
    // a file, so there the copy on standard error is seen by eye only.
#ifndef __EMSCRIPTEN__
    testing::internal::CaptureStderr();
#endif
    display.rectangle(0, 0, 10, 10, 99, 0);
    int x = 0, y = 0;
    char key = 0;
    EXPECT_EQ(display.next_event(&x, &y, &key), EVENT_QUIT);
    const std::string quitting =
        "Nothing can end this wait: no input is coming and the animation is halted; quitting.\n";
#ifndef __EMSCRIPTEN__
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "Illegal color 99; using RED.\n" + quitting);
#endif
    EXPECT_EQ(velta_test::console(),
              (std::vector<std::string>{"Illegal color 99; using RED.\n", quitting}));
    // Its picture: the rectangle in red, where the picture's coordinates say.
    EXPECT_EQ(velta_test::pixel(5, 5), 0xFF0000);
    EXPECT_EQ(velta_test::pixel(-1000, 0), -1);
}

}  // namespace
