// Start-up, the event wait and the graphics window's commands, driven through the headless backend.
#include <array>
#include <string>
#include <vector>

#include "support/velta_fixture.h"

using plat::headless::after;
using plat::headless::now;

namespace {

class SpineTest : public VeltaTest {
  protected:
    void SetUp() override {
        VeltaTest::SetUp();
        init();
    }
    static void running() { velta_set_animation(ANIMATION_RUN); }
    static bool checked(std::uint32_t command) {
        for (const auto& item : plat::menu_items(velta_state.run_menu))
            if (!item.separator && item.id == command) return item.checked;
        return false;
    }
};

TEST(SpineStartup, CallsBeforeInitReturnZero) {
    velta_reset_for_tests();
    plat::headless::reset();
    EXPECT_EQ(velta_set_animation(ANIMATION_RUN), 0);
    EXPECT_EQ(velta_set_logging(1), 0);
    EXPECT_EQ(velta_state.run, 0);
    EXPECT_EQ(velta_state.logging, 1);
}

TEST_F(SpineTest, WindowsHaveTheirTitlesAndGeometry) {
    plat::Rect outer = plat::window_rect(graphics());
    EXPECT_EQ(plat::window_title(graphics()), "VELTA Graphics");
    EXPECT_EQ(outer.left, 0);
    EXPECT_EQ(outer.top, 0);
    EXPECT_EQ(outer.width(), 601);
    EXPECT_EQ(outer.height(), 540);
    plat::Rect client = plat::client_rect(graphics());
    EXPECT_EQ(client.width(), 595);
    EXPECT_EQ(client.height(), 490);
    EXPECT_EQ(velta_state.origin_x, 297);
    EXPECT_EQ(velta_state.origin_y, 245);

    plat::Rect text_rect = plat::window_rect(text());
    EXPECT_EQ(plat::window_title(text()), "VELTA Text");
    EXPECT_EQ(text_rect.left, 0);
    EXPECT_EQ(text_rect.top, 513);
    EXPECT_EQ(text_rect.width(), 1024);
    EXPECT_EQ(text_rect.height(), 256);
    EXPECT_TRUE(plat::is_window_visible(text()));
    EXPECT_TRUE(plat::is_window_visible(graphics()));

    reset(800, 600);
    init();
    text_rect = plat::window_rect(text());
    EXPECT_EQ(text_rect.top, 401);
    EXPECT_EQ(text_rect.width(), 800);
    EXPECT_EQ(text_rect.height(), 200);
}

TEST_F(SpineTest, RunMenuHasItsItemsInOrder) {
    auto bar = plat::menu_items(plat::get_menu(graphics()));
    ASSERT_EQ(bar.size(), 1u);
    EXPECT_EQ(bar[0].text, "&Run");
    EXPECT_EQ(bar[0].popup, velta_state.run_menu);

    auto items = plat::menu_items(velta_state.run_menu);
    ASSERT_EQ(items.size(), 16u);
    const std::vector<std::pair<std::string, std::uint32_t>> expected = {
        {"&Animate\tCtrl+A", 1},
        {"&Halt animation\tCtrl+H", 2},
        {"Advance one &frame\tCtrl+F", 3},
        {"", 0},
        {"&Logging\tCtrl+L", 4},
        {"", 0},
        {"&Record Script\tCtrl+R", 5},
        {"&Playback Script\tCtrl+P", 6},
        {"Play &One Script\tCtrl+O", 7},
        {"", 0},
        {"&Quit\tCtrl+Q", 8},
        {"", 0},
        {"VELTA v2.2 July 1997", 9}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(items[i].separator, expected[i].first.empty());
        EXPECT_EQ(items[i].text, expected[i].first);
        EXPECT_EQ(items[i].id, expected[i].second);
        EXPECT_EQ(items[i].grayed, i >= 12);
        EXPECT_EQ(items[i].checked, i == 4);
    }
    for (std::size_t i = 13; i < 16; ++i) {
        EXPECT_TRUE(items[i].grayed);
        EXPECT_EQ(items[i].id, 9u);
        EXPECT_FALSE(items[i].text.empty());
    }
    // Grayed items cannot be chosen.
    EXPECT_FALSE(plat::headless::choose_menu(graphics(), 9));
}

TEST_F(SpineTest, RunningDeliversPeriodicEventsEveryTimerPeriod) {
    running();
    std::uint64_t last = now();
    for (int i = 0; i < 5; ++i) {
        int x = -1, y = -1;
        char key = 1;
        EXPECT_EQ(wait(&x, &y, &key), EVENT_PERIODIC);
        EXPECT_EQ(x, 0);
        EXPECT_EQ(y, 0);
        EXPECT_EQ(key, 0);
        EXPECT_EQ(now() - last, 100u);
        last = now();
    }
}

TEST_F(SpineTest, HaltedWaitReturnsOnlyUserEvents) {
    after(1000, [] { plat::headless::type_char(graphics(), 'a'); });
    char key = 0;
    EXPECT_EQ(wait(nullptr, nullptr, &key), EVENT_KEY);
    EXPECT_EQ(key, 'a');
    EXPECT_EQ(now(), 1000u);
}

TEST_F(SpineTest, HaltedWaitSleepsRatherThanSpins) {
    after(10'000, [] { plat::headless::click(graphics(), 297, 245); });
    std::uint64_t sleeps_before = plat::headless::sleep_count();
    EXPECT_EQ(wait(), EVENT_MOUSE);
    // One sleep per timer period: the timer wakes the wait, which finds nothing to do and sleeps.
    EXPECT_LE(plat::headless::sleep_count() - sleeps_before, 105u);
}

TEST_F(SpineTest, HaltDuringAWaitStillDeliversTheArmedTick) {
    running();
    EXPECT_EQ(wait(), EVENT_PERIODIC);
    after(50, [] { plat::headless::choose_menu(graphics(), 2); });
    EXPECT_EQ(wait(), EVENT_PERIODIC);
    EXPECT_EQ(velta_state.run, 0);
    after(1000, [] { plat::headless::click(graphics(), 0, 0); });
    EXPECT_EQ(wait(), EVENT_MOUSE);
}

TEST_F(SpineTest, SingleStepsYieldOnePeriodicEventEach) {
    // Several requests before the wait arms its event yield one step.
    velta_set_animation(ANIMATION_SINGLE_STEP);
    velta_set_animation(ANIMATION_SINGLE_STEP);
    after(2000, [] { plat::headless::type_char(graphics(), 'x'); });
    EXPECT_EQ(wait(), EVENT_PERIODIC);
    EXPECT_EQ(wait(), EVENT_KEY);
    EXPECT_EQ(now(), 2000u);

    // Each Advance one frame from the keyboard gives one step and leaves the animation halted.
    plat::headless::ctrl_key(graphics(), 'F');
    EXPECT_EQ(wait(), EVENT_PERIODIC);
    after(500, [] { plat::headless::click(graphics(), 1, 1); });
    EXPECT_EQ(wait(), EVENT_MOUSE);

    // Mode 1 while running: the animation keeps running.
    running();
    velta_set_animation(ANIMATION_SINGLE_STEP);
    EXPECT_EQ(wait(), EVENT_PERIODIC);
    EXPECT_EQ(wait(), EVENT_PERIODIC);
    EXPECT_EQ(velta_state.run, 1);
}

TEST_F(SpineTest, MenuStepHaltsTheAnimation) {
    running();
    EXPECT_EQ(wait(), EVENT_PERIODIC);
    plat::headless::choose_menu(graphics(), 3);
    EXPECT_EQ(wait(), EVENT_PERIODIC);  // the step
    EXPECT_EQ(velta_state.run, 0);
    after(700, [] { plat::headless::click(graphics(), 0, 0); });
    EXPECT_EQ(wait(), EVENT_MOUSE);
}

TEST_F(SpineTest, ClickReplacesAnArmedPeriodicEvent) {
    running();
    EXPECT_EQ(wait(), EVENT_PERIODIC);
    std::uint64_t start = now();
    after(30, [] { plat::headless::click(graphics(), 297 + 10, 245 - 10); });
    int x = 0, y = 0;
    EXPECT_EQ(wait(&x, &y), EVENT_MOUSE);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 10);
    EXPECT_EQ(now() - start, 30u);
    EXPECT_EQ(wait(), EVENT_PERIODIC);
}

TEST_F(SpineTest, ClickCoordinatesAreCentredAndYUp) {
    const std::vector<std::array<int, 4>> cases = {
        {297, 245, 0, 0}, {0, 0, -297, 245}, {594, 489, 297, -244}, {307, 255, 10, -10}};
    for (const auto& c : cases) {
        plat::headless::click(graphics(), c[0], c[1]);
        int x = 0, y = 0;
        EXPECT_EQ(wait(&x, &y), EVENT_MOUSE);
        EXPECT_EQ(x, c[2]);
        EXPECT_EQ(y, c[3]);
    }
}

TEST_F(SpineTest, QueuedInputComesOutOneEventPerCallInOrder) {
    plat::headless::click(graphics(), 297, 245);
    plat::headless::type_text(graphics(), "ab");
    plat::headless::click(graphics(), 298, 245);
    int x = 0, y = 0;
    char key = 0;
    EXPECT_EQ(wait(&x, &y, &key), EVENT_MOUSE);
    EXPECT_EQ(wait(&x, &y, &key), EVENT_KEY);
    EXPECT_EQ(key, 'a');
    EXPECT_EQ(wait(&x, &y, &key), EVENT_KEY);
    EXPECT_EQ(key, 'b');
    EXPECT_EQ(wait(&x, &y, &key), EVENT_MOUSE);
    EXPECT_EQ(x, 1);
}

TEST_F(SpineTest, QuitModeEndsTheNextWaitAtOnceRunningOrHalted) {
    running();
    EXPECT_EQ(wait(), EVENT_PERIODIC);
    std::uint64_t then = now();
    velta_set_animation(ANIMATION_QUIT);
    int x = -1, y = -1;
    char key = 1;
    EXPECT_EQ(wait(&x, &y, &key), EVENT_QUIT);  // not at the next tick: now
    EXPECT_EQ(now(), then);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(key, 0);
    // Halted, with a click queued: still at once, and every later wait too.
    velta_set_animation(ANIMATION_HALT);
    plat::headless::click(graphics(), 297 + 3, 245 - 4);
    EXPECT_EQ(wait(&x, &y), EVENT_QUIT);
    EXPECT_EQ(wait(&x, &y), EVENT_QUIT);
    EXPECT_EQ(now(), then);
    // Modes 3, 4 and others change nothing but still succeed.
    EXPECT_EQ(velta_set_animation(3), 1);
    EXPECT_EQ(velta_set_animation(-1), 1);
    EXPECT_EQ(velta_state.run, 0);
}

TEST_F(SpineTest, QuitCommandAndClosingTheGraphicsWindowEndTheWait) {
    after(100, [] { plat::headless::choose_menu(graphics(), 8); });
    EXPECT_EQ(wait(), EVENT_QUIT);

    reset();
    init();
    after(100, [] { plat::headless::ctrl_key(graphics(), 'Q'); });
    EXPECT_EQ(wait(), EVENT_QUIT);

    reset();
    init();
    running();
    after(50, [] { plat::headless::close(graphics()); });
    EXPECT_EQ(wait(), EVENT_QUIT);
    EXPECT_FALSE(plat::is_window(graphics()));
}

TEST_F(SpineTest, AQuitFromTheQueueIsReturnedOnceAndAGoneWindowForEver) {
    // The Quit command with the window still there: returned once, so that a program that asks
    // "are you sure?" can go on; a second Quit is returned again.
    running();
    after(100, [] { plat::headless::choose_menu(graphics(), 8); });
    EXPECT_EQ(wait(), EVENT_QUIT);
    EXPECT_EQ(wait(), EVENT_PERIODIC);
    plat::headless::click(graphics(), 297, 245);
    EXPECT_EQ(wait(), EVENT_MOUSE);
    plat::headless::ctrl_key(graphics(), 'Q');
    EXPECT_EQ(wait(), EVENT_QUIT);
    EXPECT_EQ(velta_state.quit, 0);
    // A quit that a pump takes between waits, right after a wait returned quit, is the next
    // wait's, and only the next one's.
    plat::headless::choose_menu(graphics(), 8);
    for (int i = 0; i < 3; ++i) velta_pump();
    EXPECT_EQ(wait(), EVENT_QUIT);
    EXPECT_EQ(wait(), EVENT_PERIODIC);

    // The close box: with the graphics window gone nothing can come any more, so even a halted
    // wait returns at once instead of waiting for ever.
    reset();
    init();
    after(50, [] { plat::headless::close(graphics()); });
    EXPECT_EQ(wait(), EVENT_QUIT);
    std::uint64_t then = now();
    EXPECT_EQ(wait(), EVENT_QUIT);
    EXPECT_EQ(wait(), EVENT_QUIT);
    EXPECT_EQ(now(), then);
}

TEST_F(SpineTest, ClosingTheTextWindowLeavesTheProgramRunning) {
    running();
    after(50, [] { plat::headless::close(text()); });
    EXPECT_EQ(wait(), EVENT_PERIODIC);
    EXPECT_EQ(wait(), EVENT_PERIODIC);
    EXPECT_FALSE(plat::is_window(text()));
    EXPECT_TRUE(plat::is_window(graphics()));
    velta_print("after the text window is gone\n");
    EXPECT_EQ(velta_show_console(1), 0);
}

TEST_F(SpineTest, CtrlKeysRunCommandsAndDropCharacters) {
    plat::headless::ctrl_key(graphics(), 'A');
    EXPECT_EQ(wait(), EVENT_PERIODIC);  // animation started, and no key event from Ctrl+A
    EXPECT_EQ(velta_state.run, 1);

    // The lower-case codes are keypad and function keys, which give the same commands.
    plat::headless::ctrl_key(graphics(), 104);  // keypad 8: halt
    after(300, [] { plat::headless::type_char(graphics(), 'z'); });
    char key = 0;
    EXPECT_EQ(wait(nullptr, nullptr, &key), EVENT_PERIODIC);  // the tick armed before the halt
    EXPECT_EQ(wait(nullptr, nullptr, &key), EVENT_KEY);
    EXPECT_EQ(key, 'z');
    EXPECT_EQ(velta_state.run, 0);

    plat::headless::ctrl_key(graphics(), 108);  // keypad separator: logging off
    plat::headless::ctrl_key(graphics(), 97);   // keypad 1: animate
    plat::headless::ctrl_key(graphics(), 113);  // F2: quit
    EXPECT_EQ(wait(), EVENT_QUIT);
    EXPECT_FALSE(checked(4));
    EXPECT_EQ(velta_state.logging, 0);
    EXPECT_EQ(velta_state.run, 1);
    // F1 and F3 (playback and record) touch the script file; the script tests cover them.
}

TEST_F(SpineTest, CharactersTypedWhileCtrlIsHeldAreDropped) {
    plat::headless::key_down(graphics(), plat::vk::control);
    plat::headless::type_char(graphics(), 'q');  // 'Q' with Ctrl held: the quit command
    plat::headless::key_up(graphics(), plat::vk::control);
    plat::headless::type_char(graphics(), 'k');
    char key = 0;
    // The quit message comes after the input already queued; the 'q' itself was dropped.
    EXPECT_EQ(wait(nullptr, nullptr, &key), EVENT_KEY);
    EXPECT_EQ(key, 'k');
    EXPECT_EQ(wait(nullptr, nullptr, &key), EVENT_QUIT);

    // Without Ctrl, command letters are ordinary keys.
    reset();
    init();
    plat::headless::type_char(graphics(), 'q');
    EXPECT_EQ(wait(nullptr, nullptr, &key), EVENT_KEY);
    EXPECT_EQ(key, 'q');
    // A Ctrl release in another application leaves the flag set: characters stay dropped.
    plat::headless::key_down(graphics(), plat::vk::control);
    plat::headless::type_char(graphics(), 'x');
    after(500, [] { plat::headless::click(graphics(), 0, 0); });
    EXPECT_EQ(wait(), EVENT_MOUSE);
    EXPECT_EQ(velta_state.ctrl_held, 1);
}

TEST_F(SpineTest, KeysTypedIntoTheTextWindowReachTheGraphicsWindow) {
    plat::headless::type_char(text(), 'w');
    char key = 0;
    EXPECT_EQ(wait(nullptr, nullptr, &key), EVENT_KEY);
    EXPECT_EQ(key, 'w');

    running();
    EXPECT_EQ(wait(), EVENT_PERIODIC);
    plat::headless::ctrl_key(text(), 'H');
    EXPECT_EQ(wait(), EVENT_PERIODIC);
    EXPECT_EQ(velta_state.run, 0);
}

TEST_F(SpineTest, LoggingCommandsKeepFlagAndCheckMarkInStep) {
    EXPECT_TRUE(checked(4));
    plat::headless::choose_menu(graphics(), 4);
    plat::headless::click(graphics(), 0, 0);
    wait();
    EXPECT_EQ(velta_state.logging, 0);
    EXPECT_FALSE(checked(4));

    // The menu command never shows the console; velta_set_logging does.
    velta_show_console(0);
    plat::headless::choose_menu(graphics(), 4);
    plat::headless::click(graphics(), 0, 0);
    wait();
    EXPECT_TRUE(checked(4));
    EXPECT_FALSE(plat::is_window_visible(text()));
    velta_set_logging(0);
    EXPECT_FALSE(checked(4));
    EXPECT_FALSE(plat::is_window_visible(text()));
    EXPECT_EQ(velta_set_logging(2), 1);
    EXPECT_EQ(velta_state.logging, 1);
    EXPECT_TRUE(checked(4));
    EXPECT_TRUE(plat::is_window_visible(text()));
}

TEST_F(SpineTest, RecordAndPlaybackCommandsSetFlagsAndMarks) {
    // Pumped directly, so that no script read interferes with the flags.
    auto command = [](std::uint32_t id) {
        plat::headless::choose_menu(graphics(), id);
        velta_pump();
    };
    running();
    command(6);
    command(5);
    EXPECT_EQ(velta_state.run, 0);
    EXPECT_EQ(velta_state.playback, 1);
    EXPECT_EQ(velta_state.recording, 1);
    EXPECT_TRUE(checked(5));
    EXPECT_TRUE(checked(6));
    command(5);
    command(6);
    EXPECT_FALSE(checked(5));
    EXPECT_FALSE(checked(6));
    EXPECT_EQ(velta_state.recording, 0);
    EXPECT_EQ(velta_state.playback, 0);
    running();
    velta_state.single_step = 1;
    command(7);
    EXPECT_EQ(velta_state.play_one, 1);
    EXPECT_EQ(velta_state.run, 0);
    EXPECT_EQ(velta_state.single_step, 0);
}

TEST_F(SpineTest, CommandNumbersOutsideOneToEightDoNothing) {
    // With 64-bit parameters, a command's high half counts too.
    constexpr plat::WParam kHighHalf =
        sizeof(plat::WParam) > 4 ? static_cast<plat::WParam>(0x100000001ull) : plat::WParam{9};
    for (plat::WParam command :
         {plat::WParam{0}, plat::WParam{9}, kHighHalf, plat::WParam{0x10002}}) {
        plat::post_message(graphics(), plat::wm::command, command, 0);
        velta_pump();
    }
    EXPECT_EQ(velta_state.run, 0);
    EXPECT_EQ(velta_state.quit, 0);
    EXPECT_EQ(velta_state.logging, 1);
}

TEST_F(SpineTest, AnyTimerMessageSetsTheTickFlag) {
    velta_state.timer_tick = 0;
    plat::post_message(graphics(), plat::wm::timer, 77, 0);
    velta_pump();
    EXPECT_EQ(velta_state.timer_tick, 1);
}

TEST_F(SpineTest, ImageReachesTheWindowOnThePumpAndOnRepaint) {
    plat::Surface* image = plat::dc_surface(velta_state.memory_dc);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->width, 601);
    ASSERT_EQ(image->height, 540);
    image->put(297, 245, plat::rgb(1, 2, 3));
    // The dirty flag starts set, so the first pump copies the image before anything was drawn.
    velta_pump();
    EXPECT_EQ(velta_state.dirty, 0);
    EXPECT_EQ(plat::headless::surface(graphics()).at(297, 245), plat::rgb(1, 2, 3));

    // Clean: a pump copies nothing; a repaint copies unconditionally.
    image->put(0, 0, plat::rgb(9, 9, 9));
    velta_pump();
    EXPECT_NE(plat::headless::surface(graphics()).at(0, 0), plat::rgb(9, 9, 9));
    plat::invalidate(graphics());
    velta_pump();
    EXPECT_EQ(plat::headless::surface(graphics()).at(0, 0), plat::rgb(9, 9, 9));
}

TEST_F(SpineTest, ShutdownReleasesTheContextOnly) {
    EXPECT_EQ(velta_shutdown(), 1);
    EXPECT_EQ(velta_state.window_dc, nullptr);
    EXPECT_TRUE(plat::is_window(graphics()));
    EXPECT_TRUE(plat::is_window(text()));
}

}  // namespace
