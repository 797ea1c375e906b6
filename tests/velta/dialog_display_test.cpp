// The message dialog through the headless responder, and the Display's mappings and its
// one-per-process rule.
#include <cstring>
#include <string>

#include "draw_helpers.h"
#include "support/velta_fixture.h"

namespace {

using plat::headless::DialogControl;

class DialogTest : public VeltaTest {
  protected:
    void SetUp() override {
        VeltaTest::SetUp();
        init();
        std::memset(reply, '#', sizeof reply);
    }
    char reply[300];
};

TEST_F(DialogTest, OkayCopiesTheTypedTextAndEndsWithOne) {
    std::string title;
    int focus = 0;
    plat::headless::set_dialog_responder([&](DialogControl& d) {
        title = d.title();
        focus = d.focus();
        d.type("hello");
        d.press_button(101);
    });
    EXPECT_EQ(velta_message("Name?", reply), 1);
    EXPECT_STREQ(reply, "hello");
    EXPECT_EQ(title, "VELTA_gets");
    EXPECT_EQ(focus, 102);  // the input box has the focus
}

TEST_F(DialogTest, EnterPressesOkayAndEscapeOrCloseBoxDoNotClose) {
    bool open_after_escape = false;
    plat::headless::set_dialog_responder([&](DialogControl& d) {
        d.type("x");
        d.press_escape();
        d.press_close_box();
        open_after_escape = plat::headless::find_window("VELTA_gets") != nullptr;
        d.type("y");
        d.press_enter();
    });
    EXPECT_EQ(velta_message("Prompt", reply), 1);
    EXPECT_TRUE(open_after_escape);
    EXPECT_STREQ(reply, "xy");
}

TEST_F(DialogTest, ADialogOpenedInsideAnotherLeavesTheOuterOnesReply) {
    // The inner dialog opens while the outer one waits for its user (as a window procedure run by
    // the outer dialog's loop would open it); each reply goes to its own caller's buffer.
    char inner[300];
    std::memset(inner, '#', sizeof inner);
    int inner_result = -1;
    plat::Window outer = nullptr;
    plat::headless::set_dialog_responder([&](DialogControl& d) {
        if (outer == nullptr) outer = d.dialog();
        if (d.dialog() != outer) {
            d.type("inner");
            d.press_enter();
            return;
        }
        inner_result = velta_message("Inner", inner);
        d.type("outer");
        d.press_enter();
    });
    EXPECT_EQ(velta_message("Outer", reply), 1);
    EXPECT_EQ(inner_result, 1);
    EXPECT_STREQ(inner, "inner");
    EXPECT_STREQ(reply, "outer");
}

TEST_F(DialogTest, EmptyReplyIsASingleTerminator) {
    plat::headless::set_dialog_responder([](DialogControl& d) { d.press_enter(); });
    EXPECT_EQ(velta_message("", reply), 1);
    EXPECT_EQ(reply[0], '\0');
    EXPECT_EQ(reply[1], '#');
}

TEST_F(DialogTest, ReplyIsCutAt255Characters) {
    plat::headless::set_dialog_responder([](DialogControl& d) {
        d.type(std::string(300, 'k'));
        d.press_enter();
    });
    EXPECT_EQ(velta_message("Long", reply), 1);
    EXPECT_EQ(std::strlen(reply), 255u);
    EXPECT_EQ(reply[255], '\0');
    EXPECT_EQ(reply[256], '#');  // nothing written beyond the 256 bytes
}

TEST_F(DialogTest, PromptTakesExactly79Characters) {
    std::string shown;
    plat::headless::set_dialog_responder([&](DialogControl& d) {
        shown = d.item_text(103);
        d.press_enter();
    });
    std::string long_prompt;
    for (int i = 0; i < 100; ++i) long_prompt += static_cast<char>('a' + i % 26);
    velta_message(long_prompt.c_str(), reply);
    EXPECT_EQ(shown, long_prompt.substr(0, 79));

    velta_message("0123456789", reply);
    EXPECT_EQ(shown, "0123456789" + std::string(69, ' '));
}

TEST_F(DialogTest, NoDialogLeavesTheReplyUntouched) {
    // Without a responder the headless platform cannot run a dialog.
    EXPECT_EQ(velta_message("Prompt", reply), 0);
    EXPECT_EQ(reply[0], '#');
}

TEST_F(DialogTest, OtherWindowsKeepTheirTimersWhileTheDialogRuns) {
    bool ticked = false;
    bool clicked = false;
    plat::headless::set_dialog_responder([&](DialogControl& d) {
        velta_state.timer_tick = 0;
        velta_state.pending_kind = -1;
        plat::headless::click(graphics(), 10, 10);
        d.wait(250);
        ticked = velta_state.timer_tick == 1;
        clicked = velta_state.pending_kind == EVENT_MOUSE;
        d.press_enter();
    });
    EXPECT_EQ(velta_message("Wait", reply), 1);
    EXPECT_TRUE(ticked);
    EXPECT_FALSE(clicked);  // the owner takes no input while the dialog is open
}

TEST_F(DialogTest, KeysForwardedFromTheTextWindowStillReachTheOwner) {
    // The owner takes no input of its own while the dialog runs, but the key-downs and key-ups that
    // the text window posts to it arrive: a Ctrl released there does not stay held.
    velta_state.ctrl_held = 1;
    plat::headless::set_dialog_responder([&](DialogControl& d) {
        plat::headless::key_up(text(), plat::vk::control);
        d.wait(10);
        d.press_enter();
    });
    EXPECT_EQ(velta_message("Wait", reply), 1);
    EXPECT_EQ(velta_state.ctrl_held, 0);
}

class DisplayTest : public VeltaTest {};

TEST_F(DisplayTest, ConstructorOpensTheLibraryWithLoggingOff) {
    Display display;
    EXPECT_EQ(display.width, 600);
    EXPECT_EQ(display.height, 500);
    EXPECT_NE(velta_state.graphics, nullptr);
    EXPECT_EQ(velta_state.logging, 0);
    EXPECT_EQ(velta_state.single_display, 1);
    bool logging_checked = true;
    for (const auto& item : plat::menu_items(velta_state.run_menu))
        if (item.id == 4) logging_checked = item.checked;
    EXPECT_FALSE(logging_checked);
}

TEST_F(DisplayTest, AnimationModesAreMapped) {
    Display display;
    display.set_animation(2);
    EXPECT_EQ(velta_state.run, 1);
    display.set_animation(0);
    EXPECT_EQ(velta_state.run, 0);
    display.set_animation(1);
    EXPECT_EQ(velta_state.single_step, 1);
    display.set_animation(4);
    EXPECT_EQ(velta_state.quit, 0);
    display.set_animation(3);
    EXPECT_EQ(velta_state.quit, 1);
    int x = 0, y = 0;
    char key = 0;
    EXPECT_EQ(display.next_event(&x, &y, &key), EVENT_QUIT);

    reset();
    Display second_run;
    second_run.set_animation(5);
    EXPECT_EQ(velta_state.quit, 1);
}

TEST_F(DisplayTest, NextEventPassesThroughTheWait) {
    Display display;
    plat::headless::click(velta_state.graphics, 297 + 5, 245 + 6);
    int x = 0, y = 0;
    char key = 0;
    EXPECT_EQ(display.next_event(&x, &y, &key), EVENT_MOUSE);
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, -6);
}

TEST_F(DisplayTest, DrawingCallsReachTheLibraryInItsArgumentOrder) {
    Display display;
    velta_set_logging(1);
    int before = static_cast<int>(velta_test::console_log().size());
    EXPECT_EQ(display.rectangle(10, 20, 30, 40, 2, 0), 1);
    EXPECT_EQ(display.triangle(1, 2, 3, 4, 5, 6, 7, 8), 1);
    auto log = velta_test::console_log();
    ASSERT_EQ(static_cast<int>(log.size()), before + 2);
    // The corners are normalised by the library: (10, 40) upper-left, (30, 20) lower-right.
    EXPECT_EQ(log[before], "red rectangle with bounding box (10,40) to (30,20), filled\n");
    EXPECT_EQ(log[before + 1], "cyan triangle at (1,2), (3,4), (5,6)\n");
}

TEST_F(DisplayTest, ClearFillsThePictureAndLogsThreeLines) {
    Display display;
    display.clear(3);  // logging is off: nothing is written
    EXPECT_TRUE(velta_test::console_log().empty());
    velta_set_logging(1);
    display.clear(3);
    auto log = velta_test::console_log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], "Flushing the graphics window\n");
    EXPECT_EQ(log[1], "Clearing the graphics window\n");
    EXPECT_EQ(log[2], "green rectangle with bounding box (-300,250) to (300,-250), filled\n");
    // The picture from (-300, 250) to (300, -250) is green wherever it lies on the image; the rows
    // below the picture keep the white of the erase and the image's black ring.
    const plat::Surface& img = velta_test::image();
    EXPECT_TRUE(
        velta_test::pixels_match(img, 0, 0, 597, 495, [](int, int) { return velta_test::kGreen; }));
    EXPECT_EQ(img.at(300, 497), velta_test::kWhite);
    EXPECT_EQ(img.at(600, 300), velta_test::kBlack);
}

// Death tests need a process to die in; node has one for the whole suite (the web build's page
// test shows the second display's end instead).
#if GTEST_HAS_DEATH_TEST

void make_two_displays(bool destroy_first) {
    velta_reset_for_tests();
    plat::headless::reset();
    plat::headless::set_dialog_responder([](DialogControl& d) {
        std::fprintf(stderr, "dialog: %s\n", d.item_text(103).c_str());
        d.press_enter();
    });
    if (destroy_first) {
        { Display first; }
        Display second;
    } else {
        Display first;
        Display second;
    }
    std::exit(0);
}

// The status of exit(-1) as the system reports it: all 32 bits on Windows, the low 8 elsewhere.
#ifdef _WIN32
constexpr int kMinusOneStatus = -1;
#else
constexpr int kMinusOneStatus = 255;
#endif

TEST(DisplayDeathTest, SecondDisplayShowsTheErrorAndExitsWithMinusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(make_two_displays(false), testing::ExitedWithCode(kMinusOneStatus),
                "dialog: Error: Attempted to instantiate multiple VELTA displays");
    EXPECT_EXIT(make_two_displays(true), testing::ExitedWithCode(kMinusOneStatus),
                "dialog: Error: Attempted to instantiate multiple VELTA displays");
}
#endif

}  // namespace
