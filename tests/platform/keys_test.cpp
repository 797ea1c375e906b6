// Which key-downs produce a character message: the rule itself, and the headless backend's key
// injection, which goes through it.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/headless/headless.h"
#include "platform/platform.h"

namespace {

using plat::key_character;

TEST(KeyCharacter, NavigationFunctionAndModifierKeysTypeNothing) {
    // X types DEL (127) for Delete and nothing for the others; the rule ignores what the native
    // layer reports for these keys, with or without Ctrl.
    std::vector<std::pair<int, int>> keys = {
        {plat::vk::del, 127},
        {plat::vk::insert, -1},
        {plat::vk::home, -1},
        {plat::vk::end, -1},
        {plat::vk::prior, -1},
        {plat::vk::next, -1},
        {plat::vk::left, -1},
        {plat::vk::up, -1},
        {plat::vk::right, -1},
        {plat::vk::down, -1},
        {plat::vk::clear, -1},
        {plat::vk::shift, -1},
        {plat::vk::control, -1},
        {18, -1},
        {19, -1},
        {20, -1},
        {44, -1},
        {91, -1},
        {93, -1},
        {144, -1},
        {145, -1},
        {plat::vk::del, 46},
        {plat::vk::left, '4'},
        {plat::vk::home, '7'},
    };
    for (int f = plat::vk::f1; f <= plat::vk::f24; ++f) keys.push_back({f, -1});
    for (const auto& [vk, native] : keys) {
        EXPECT_EQ(key_character(vk, native, false), -1) << "vk " << vk << " native " << native;
        EXPECT_EQ(key_character(vk, native, true), -1) << "vk " << vk << " with Ctrl";
    }
}

TEST(KeyCharacter, BackspaceTabEnterAndEscapeTypeTheirControlCodes) {
    // Whatever the layout reported (X reports nothing for some keypad keys, a line feed for
    // others).
    for (int native : {-1, 0, 10, 127, int{'x'}}) {
        EXPECT_EQ(key_character(plat::vk::back, native, false), 8);
        EXPECT_EQ(key_character(plat::vk::tab, native, false), 9);
        EXPECT_EQ(key_character(plat::vk::enter, native, false), 13);
        EXPECT_EQ(key_character(plat::vk::escape, native, false), 27);
    }
    // With Ctrl: Backspace types DEL, Enter a line feed, Tab nothing, Escape stays.
    EXPECT_EQ(key_character(plat::vk::back, 8, true), 127);
    EXPECT_EQ(key_character(plat::vk::enter, 13, true), 10);
    EXPECT_EQ(key_character(plat::vk::tab, 9, true), -1);
    EXPECT_EQ(key_character(plat::vk::escape, 27, true), 27);
}

TEST(KeyCharacter, CharacterKeysTypeWhatTheLayoutGives) {
    EXPECT_EQ(key_character('A', 'a', false), 'a');
    EXPECT_EQ(key_character('A', 'A', false), 'A');
    EXPECT_EQ(key_character('7', '/', false), '/');  // a layout with / on Shift+7
    EXPECT_EQ(key_character(plat::vk::space, ' ', false), ' ');
    EXPECT_EQ(key_character(plat::vk::oem_1, ';', false), ';');
    EXPECT_EQ(key_character(plat::vk::oem_102, '<', false), '<');
    EXPECT_EQ(key_character(plat::vk::numpad0 + 5, '5', false), '5');
    EXPECT_EQ(key_character(plat::vk::multiply, '*', false), '*');
    EXPECT_EQ(key_character(plat::vk::divide, '/', false), '/');
    // Latin-1 above 127, from a named key or from one that the backend could not name.
    EXPECT_EQ(key_character(plat::vk::oem_3, 0xE9, false), 0xE9);
    EXPECT_EQ(key_character(0, 0xFF, false), 0xFF);
    EXPECT_EQ(key_character(0, 0x80, false), 0x80);
    // No character, a control code, DEL or something beyond Latin-1: none.
    EXPECT_EQ(key_character('A', -1, false), -1);
    EXPECT_EQ(key_character('A', 1, false), -1);
    EXPECT_EQ(key_character(0, 127, false), -1);
    EXPECT_EQ(key_character(0, 31, false), -1);
    EXPECT_EQ(key_character(0, 256, false), -1);
    EXPECT_EQ(key_character(plat::vk::oem_8, 0x1B, false), -1);
}

TEST(KeyCharacter, CtrlTypesControlCodes) {
    // Letters by their key, whatever the layout types for them and with Shift or not.
    for (int vk = 'A'; vk <= 'Z'; ++vk) {
        EXPECT_EQ(key_character(vk, vk - 'A' + 'a', true), vk - 'A' + 1);
        EXPECT_EQ(key_character(vk, vk, true), vk - 'A' + 1);
    }
    EXPECT_EQ(key_character('L', -1, true), 12);
    // The keys that type @ [ \ ] ^ _ give 0 and 27 to 31.
    EXPECT_EQ(key_character('2', '@', true), 0);
    EXPECT_EQ(key_character(plat::vk::oem_4, '[', true), 27);
    EXPECT_EQ(key_character(plat::vk::oem_5, '\\', true), 28);
    EXPECT_EQ(key_character(plat::vk::oem_6, ']', true), 29);
    EXPECT_EQ(key_character('6', '^', true), 30);
    EXPECT_EQ(key_character(plat::vk::oem_minus, '_', true), 31);
    EXPECT_EQ(key_character(plat::vk::space, ' ', true), ' ');
    // Everything else types nothing: digits, other punctuation, the keypad (even its operators).
    EXPECT_EQ(key_character('2', '2', true), -1);
    EXPECT_EQ(key_character('6', '6', true), -1);
    EXPECT_EQ(key_character(plat::vk::oem_minus, '-', true), -1);
    EXPECT_EQ(key_character(plat::vk::oem_4, '{', true), -1);
    EXPECT_EQ(key_character(plat::vk::oem_1, ';', true), -1);
    EXPECT_EQ(key_character(plat::vk::numpad0 + 2, '2', true), -1);
    EXPECT_EQ(key_character(plat::vk::divide, '/', true), -1);
    EXPECT_EQ(key_character(plat::vk::separator, '_', true), -1);
    EXPECT_EQ(key_character(0, 0xE9, true), -1);
}

// ---- the headless backend's key injection ----

std::vector<plat::Message> delivered;

plat::LResult recording_proc(plat::Window w, std::uint32_t msg, plat::WParam wparam,
                             plat::LParam lparam) {
    if (msg == plat::wm::key_down || msg == plat::wm::key_up || msg == plat::wm::character)
        delivered.push_back(plat::Message{w, msg, wparam, lparam});
    return plat::def_window_proc(w, msg, wparam, lparam);
}

class HeadlessKeys : public testing::Test {
  protected:
    void SetUp() override {
        plat::headless::reset();
        delivered.clear();
        plat::WindowClass cls;
        cls.name = "keys";
        cls.proc = recording_proc;
        ASSERT_TRUE(plat::register_class(cls));
        window = plat::create_window("keys", "keys", plat::ws::overlapped_window, 0, 0, 200, 100,
                                     nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override { plat::headless::reset(); }

    // Runs the usual message loop over what is queued; returns "down vk char" / "char c" lines.
    std::vector<std::string> pump() {
        plat::Message msg;
        while (plat::peek_message(&msg)) {
            plat::translate_message(msg);
            plat::dispatch_message(msg);
        }
        std::vector<std::string> lines;
        for (const plat::Message& m : delivered) {
            if (m.code == plat::wm::key_down)
                lines.push_back("down " + std::to_string(m.wparam) + " " +
                                std::to_string(plat::key_lparam_character(m.lparam)));
            else if (m.code == plat::wm::character)
                lines.push_back("char " + std::to_string(m.wparam));
        }
        delivered.clear();
        return lines;
    }

    plat::Window window = nullptr;
};

using Lines = std::vector<std::string>;

TEST_F(HeadlessKeys, KeysWithoutACharacterGiveNoCharacterMessage) {
    plat::headless::key_down(window, plat::vk::del, 127);
    plat::headless::key_down(window, plat::vk::left);
    plat::headless::key_down(window, plat::vk::f1 + 4, 'x');
    plat::headless::key_down(window, plat::vk::enter);
    EXPECT_EQ(pump(), (Lines{"down 46 -1", "down 37 -1", "down 116 -1", "down 13 13", "char 13"}));
}

TEST_F(HeadlessKeys, TypedControlCharactersUseTheirOwnKeys) {
    plat::headless::type_text(window, "\t\b\x1b\n\r");
    EXPECT_EQ(pump(), (Lines{"down 9 9", "char 9", "down 8 8", "char 8", "down 27 27", "char 27",
                             "down 13 13", "char 13", "down 13 13", "char 13"}));
    // Latin-1 above 127 is typed; DEL is not a character that a key types by itself.
    plat::headless::type_text(window, "\xE9\x7F");
    EXPECT_EQ(pump(), (Lines{"down 223 233", "char 233", "down 223 -1"}));
}

TEST_F(HeadlessKeys, CtrlCountsFromItsKeyDownToItsKeyUp) {
    plat::headless::key_down(window, plat::vk::control);
    plat::headless::type_char(window, 'q');
    plat::headless::key_down(window, '2', '@');
    plat::headless::key_up(window, plat::vk::control);
    plat::headless::type_char(window, 'q');
    EXPECT_EQ(pump(), (Lines{"down 17 -1", "down 81 17", "char 17", "down 50 0", "char 0",
                             "down 81 113", "char 113"}));
    plat::headless::ctrl_key(window, 'L');
    plat::headless::ctrl_key(window, plat::vk::numpad0 + 8);
    plat::headless::key_down(window, 'L', 'l');
    EXPECT_EQ(pump(), (Lines{"down 17 -1", "down 76 12", "char 12", "down 17 -1", "down 104 -1",
                             "down 76 108", "char 108"}));
    // A reset forgets a Ctrl that was never released.
    plat::headless::key_down(window, plat::vk::control);
    plat::headless::reset();
    SetUp();
    plat::headless::type_char(window, 'k');
    EXPECT_EQ(pump(), (Lines{"down 75 107", "char 107"}));
}

TEST_F(HeadlessKeys, ResetClockKeepsTheWindowsAndForgetsTimeActionsAndCtrl) {
    bool ran = false;
    plat::headless::after(500, [&ran] { ran = true; });
    plat::headless::advance(200);
    plat::headless::key_down(window, plat::vk::control);
    pump();
    plat::headless::reset_clock();
    EXPECT_EQ(plat::headless::now(), 0u);
    EXPECT_EQ(plat::headless::sleep_count(), 0u);
    EXPECT_TRUE(plat::is_window(window));
    plat::headless::advance(1000);
    EXPECT_FALSE(ran);
    plat::headless::type_char(window, 'k');
    EXPECT_EQ(pump(), (Lines{"down 75 107", "char 107"}));
}

}  // namespace
