// What every backend must do the same way, checked through the backend-neutral API and a small
// driver (contract_driver.h): the order in which the queue hands out messages, one pending timer
// message per timer, coalesced paints, menu check marks and gray items, and a wait that wakes on
// input and on the next timer. Times are checked as lower bounds, or with a wide margin, so that a
// backend on a real clock passes too.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contract_driver.h"
#include "platform/platform.h"

namespace {

constexpr std::uint32_t kPostedA = 0x8001;
constexpr std::uint32_t kPostedB = 0x8002;

// The messages that reached the test window's procedure.
std::vector<plat::Message> delivered;
// Called with each message after it is recorded, when a test sets it.
void (*on_message)(const plat::Message&) = nullptr;

plat::LResult test_proc(plat::Window w, std::uint32_t msg, plat::WParam wp, plat::LParam lp) {
    delivered.push_back(plat::Message{w, msg, wp, lp});
    if (on_message != nullptr) on_message(delivered.back());
    return plat::def_window_proc(w, msg, wp, lp);  // validates on paint
}

class Contract : public testing::Test {
  protected:
    void SetUp() override {
        contract::driver().reset();
        plat::WindowClass cls;
        cls.name = "contract";
        cls.proc = test_proc;
        ASSERT_TRUE(plat::register_class(cls));
    }
    void TearDown() override {
        contract::driver().reset();
        delivered.clear();
    }

    plat::Window make_window(bool visible = true) {
        std::uint32_t style = plat::ws::overlapped_window | (visible ? plat::ws::visible : 0u);
        plat::Window w =
            plat::create_window("contract", "Contract", style, 10, 10, 200, 150, nullptr);
        EXPECT_NE(w, nullptr);
        contract::driver().settle();
        return w;
    }

    // Takes and dispatches every message that is ready now and returns them. Stops after
    // `limit`, so that a message handed out forever fails the test instead of hanging it.
    std::vector<plat::Message> drain(int limit = 50) {
        std::vector<plat::Message> taken;
        plat::Message msg;
        while (static_cast<int>(taken.size()) < limit && plat::peek_message(&msg)) {
            taken.push_back(msg);
            plat::translate_message(msg);
            plat::dispatch_message(msg);
        }
        return taken;
    }

    static std::vector<std::uint32_t> codes(const std::vector<plat::Message>& messages) {
        std::vector<std::uint32_t> out;
        for (const auto& m : messages) out.push_back(m.code);
        return out;
    }
    static int count(const std::vector<plat::Message>& messages, std::uint32_t code,
                     plat::WParam wparam) {
        int n = 0;
        for (const auto& m : messages) n += m.code == code && m.wparam == wparam;
        return n;
    }
};

// ---- the queue ----

TEST_F(Contract, PostedAndInputFirstInOrderThenQuitThenPaintThenTimer) {
    plat::Window w = make_window();
    drain();  // the first paint
    ASSERT_TRUE(plat::set_timer(w, 1, 100));
    contract::driver().pass_time(150);
    plat::invalidate(w);
    plat::post_message(w, kPostedA, 0, 0);
    contract::driver().click(w, 5, 6);
    plat::post_message(w, kPostedB, 0, 0);
    plat::post_quit_message(3);

    std::vector<plat::Message> taken = drain();
    EXPECT_EQ(codes(taken),
              (std::vector<std::uint32_t>{kPostedA, plat::wm::left_button_down, kPostedB,
                                          plat::wm::quit, plat::wm::paint, plat::wm::timer}));
    ASSERT_EQ(taken.size(), 6u);
    EXPECT_EQ(taken[1].lparam, plat::make_point_lparam(5, 6));
    EXPECT_EQ(taken[3].wparam, 3u);
    EXPECT_EQ(taken[3].window, nullptr);
    EXPECT_EQ(taken[5].wparam, 1u);
}

TEST_F(Contract, ADestroyedWindowTakesItsQueuedMessagesAndTimersWithIt) {
    plat::Window gone = make_window();
    plat::Window stays = make_window();
    drain();
    plat::set_timer(gone, 1, 50);
    plat::post_message(gone, kPostedA, 0, 0);
    plat::post_message(stays, kPostedB, 0, 0);
    ASSERT_TRUE(plat::destroy_window(gone));
    EXPECT_FALSE(plat::is_window(gone));
    EXPECT_FALSE(plat::post_message(gone, kPostedA, 0, 0));
    contract::driver().pass_time(200);
    // Nothing reaches the window that is gone; the other gets its message (and whatever paints
    // the native windows' exposure asks for).
    std::vector<plat::Message> taken = drain();
    EXPECT_EQ(count(taken, kPostedB, 0), 1);
    for (const plat::Message& m : taken) {
        EXPECT_NE(m.window, gone);
        EXPECT_TRUE(m.code == kPostedB || m.code == plat::wm::paint) << m.code;
    }
    EXPECT_FALSE(plat::kill_timer(gone, 1));
}

// ---- timers ----

TEST_F(Contract, ATimerNeverHasMoreThanOneMessageWaiting) {
    plat::Window w = make_window();
    drain();
    plat::set_timer(w, 1, 100);
    plat::set_timer(w, 2, 250);
    contract::driver().pass_time(1000);  // ten periods of the first timer
    std::vector<plat::Message> taken = drain();
    EXPECT_EQ(count(taken, plat::wm::timer, 1), 1);
    EXPECT_EQ(count(taken, plat::wm::timer, 2), 1);
    EXPECT_EQ(taken.size(), 2u);

    // The next one is due a period after the last one was taken, not at once.
    EXPECT_TRUE(drain().empty());
    contract::driver().pass_time(120);
    taken = drain();
    EXPECT_EQ(count(taken, plat::wm::timer, 1), 1);
    EXPECT_EQ(count(taken, plat::wm::timer, 2), 0);
}

TEST_F(Contract, AKilledTimerSendsNothingMore) {
    plat::Window w = make_window();
    drain();
    plat::set_timer(w, 7, 50);
    contract::driver().pass_time(100);
    EXPECT_TRUE(plat::kill_timer(w, 7));
    EXPECT_FALSE(plat::kill_timer(w, 7));
    contract::driver().pass_time(100);
    EXPECT_TRUE(drain().empty());
}

// ---- paints ----

TEST_F(Contract, ManyInvalidationsMakeOnePaint) {
    plat::Window w = make_window();
    EXPECT_EQ(count(drain(), plat::wm::paint, 0), 1);  // a window shown needs painting
    for (int i = 0; i < 5; ++i) plat::invalidate(w);
    std::vector<plat::Message> taken = drain();
    EXPECT_EQ(codes(taken), std::vector<std::uint32_t>{plat::wm::paint});
    EXPECT_TRUE(drain().empty());  // the procedure validated the window
}

TEST_F(Contract, AHiddenWindowIsPaintedWhenItIsShown) {
    plat::Window w = make_window(false);
    plat::invalidate(w);
    EXPECT_TRUE(drain().empty());
    plat::show_window(w, plat::sw::show);
    plat::invalidate(w);
    EXPECT_EQ(codes(drain()), std::vector<std::uint32_t>{plat::wm::paint});
}

// ---- menus ----

TEST_F(Contract, CheckMarksAreSetByCommandAndReportThePreviousState) {
    plat::Window w = make_window();
    plat::Menu bar = plat::create_menu();
    plat::Menu popup = plat::create_popup_menu();
    plat::append_menu(popup, plat::mf::string, 1, "One");
    plat::append_menu(popup, plat::mf::separator, 0, nullptr);
    plat::append_menu(popup, plat::mf::string | plat::mf::checked, 2, "Two");
    plat::append_menu(popup, plat::mf::string | plat::mf::grayed, 3, "Three");
    plat::append_menu(bar, plat::mf::popup, reinterpret_cast<plat::WParam>(popup), "&Menu");
    ASSERT_TRUE(plat::set_menu(w, bar));
    EXPECT_EQ(plat::get_menu(w), bar);

    // Through the bar: items are found in its popups.
    EXPECT_EQ(plat::check_menu_item(bar, 2, plat::mf::unchecked), int{plat::mf::checked});
    EXPECT_EQ(plat::check_menu_item(bar, 2, plat::mf::unchecked), int{plat::mf::unchecked});
    EXPECT_EQ(plat::check_menu_item(popup, 1, plat::mf::checked), int{plat::mf::unchecked});
    EXPECT_EQ(plat::check_menu_item(bar, 42, plat::mf::checked), -1);

    std::vector<plat::MenuItemInfo> items = plat::menu_items(popup);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].text, "One");
    EXPECT_TRUE(items[0].checked);
    EXPECT_TRUE(items[1].separator);
    EXPECT_FALSE(items[2].checked);
    EXPECT_TRUE(items[3].grayed);
    std::vector<plat::MenuItemInfo> top = plat::menu_items(bar);
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].popup, popup);
}

TEST_F(Contract, OnlyEnabledItemsCanBeChosen) {
    plat::Window w = make_window();
    plat::Window bare = make_window();
    plat::Menu bar = plat::create_menu();
    plat::Menu popup = plat::create_popup_menu();
    plat::append_menu(popup, plat::mf::string, 1, "One");
    plat::append_menu(popup, plat::mf::string | plat::mf::grayed, 3, "Three");
    plat::append_menu(bar, plat::mf::popup, reinterpret_cast<plat::WParam>(popup), "&Menu");
    plat::set_menu(w, bar);
    drain();

    EXPECT_FALSE(plat::choose_menu_command(w, 3));
    EXPECT_FALSE(plat::choose_menu_command(w, 42));
    EXPECT_FALSE(plat::choose_menu_command(bare, 1));
    EXPECT_TRUE(drain().empty());
    EXPECT_TRUE(plat::choose_menu_command(w, 1));
    std::vector<plat::Message> taken = drain();
    ASSERT_EQ(codes(taken), std::vector<std::uint32_t>{plat::wm::command});
    EXPECT_EQ(taken[0].window, w);
    EXPECT_EQ(taken[0].wparam, 1u);
}

// ---- waiting ----

TEST_F(Contract, AWaitWakesOnInput) {
    plat::Window w = make_window();
    drain();
    std::uint64_t start = contract::driver().now();
    contract::driver().click_later(200, w, 1, 2);
    plat::wait_message();
    EXPECT_GE(contract::driver().now(), start + 200);
    EXPECT_EQ(codes(drain()), std::vector<std::uint32_t>{plat::wm::left_button_down});
}

TEST_F(Contract, AWaitWakesOnTheNextTimer) {
    plat::Window w = make_window();
    drain();
    plat::set_timer(w, 1, 500);
    plat::set_timer(w, 2, 300);
    std::uint64_t start = contract::driver().now();
    plat::wait_message();
    EXPECT_GE(contract::driver().now(), start + 300);
    EXPECT_LT(contract::driver().now(), start + 500);
    std::vector<plat::Message> taken = drain();
    EXPECT_EQ(codes(taken), std::vector<std::uint32_t>{plat::wm::timer});
    EXPECT_EQ(count(taken, plat::wm::timer, 2), 1);
}

// A quit posted while a modal dialog runs waits for the dialog's end; meanwhile the dialog's loop
// sleeps, and the other windows keep their timers and paints.
plat::Window running_dialog = nullptr;
plat::LResult quiet_dialog_proc(plat::Window dialog, std::uint32_t msg, plat::WParam,
                                plat::LParam) {
    if (msg == plat::wm::init_dialog) running_dialog = dialog;
    return 0;
}

TEST_F(Contract, AQuitPostedDuringADialogWaitsForItsEnd) {
    plat::Window w = make_window();
    drain();
    delivered.clear();
    plat::set_timer(w, 1, 100);
    plat::post_quit_message(0);
    contract::driver().leave_dialogs_alone();
    // The window's fifth timer message ends the dialog; each one asks for a paint too.
    on_message = [](const plat::Message& m) {
        if (m.code != plat::wm::timer) return;
        plat::invalidate(m.window);
        if (count(delivered, plat::wm::timer, 1) == 5) plat::end_dialog(running_dialog, 7);
    };
    plat::DialogTemplate tmpl;
    tmpl.style = plat::ws::popup | plat::ws::caption | plat::ds::modal_frame;
    tmpl.cx = 100;
    tmpl.cy = 40;
    tmpl.title = "Contract dialog";
    plat::DialogItem text;
    text.class_atom = plat::dlg::static_text;
    text.style = plat::ws::child | plat::ws::visible;
    text.cx = 80;
    text.cy = 10;
    text.id = 1;
    text.text = "Waiting";
    tmpl.items.push_back(text);
    std::uint64_t start = contract::driver().now();
    EXPECT_EQ(plat::dialog_box(tmpl, nullptr, quiet_dialog_proc, 0), 7);
    on_message = nullptr;
    EXPECT_GE(contract::driver().now(), start + 500);
    EXPECT_GE(count(delivered, plat::wm::paint, 0), 4);
    // The quit is still there for the main loop, once.
    std::vector<plat::Message> after = drain();
    EXPECT_EQ(count(after, plat::wm::quit, 0), 1);
}

TEST_F(Contract, AWaitReturnsAtOnceWhenAMessageIsReady) {
    plat::Window w = make_window();
    drain();
    plat::set_timer(w, 1, 1000);
    std::uint64_t start = contract::driver().now();
    plat::post_message(w, kPostedA, 0, 0);
    plat::wait_message();
    EXPECT_EQ(codes(drain()), std::vector<std::uint32_t>{kPostedA});
    plat::invalidate(w);  // a paint is a message that is ready too
    plat::wait_message();
    EXPECT_EQ(codes(drain()), std::vector<std::uint32_t>{plat::wm::paint});
    // Not at the timer's second: well before it, however loaded the machine.
    EXPECT_LT(contract::driver().now(), start + 900);
}

}  // namespace
