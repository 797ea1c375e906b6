// The modal dialog's rules, which the core applies on every backend: which control takes the focus,
// what Enter, Escape, the close box and buttons send to the procedure, the item texts it reads, and
// the owner's state around the dialog. Run on the headless backend, whose responder plays the user.
#include <gtest/gtest.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"

namespace {

using plat::headless::DialogControl;

constexpr int kEdit = 10;
constexpr int kLabel = 11;
constexpr int kPlain = 12;
constexpr int kDefault = 13;
constexpr int kEndId = 99;  // a command that makes the test procedure end the dialog

plat::DialogItem item(std::uint16_t atom, std::uint32_t style, int id, std::string text = {}) {
    plat::DialogItem i;
    i.class_atom = atom;
    i.style = plat::ws::child | plat::ws::visible | style;
    i.id = id;
    i.text = std::move(text);
    return i;
}

// A label first (no tab stop), then an edit, a plain button and, unless left out, the default one.
plat::DialogTemplate make_template(bool with_default = true) {
    plat::DialogTemplate t;
    t.style = plat::ws::popup | plat::ws::caption | plat::ds::modal_frame;
    t.title = "Rules";
    t.items = {
        item(plat::dlg::static_text, plat::ss::left, kLabel, "label"),
        item(plat::dlg::edit, plat::ws::tab_stop | plat::es::multiline, kEdit, "start"),
        item(plat::dlg::button, plat::ws::tab_stop, kPlain, "Plain"),
    };
    if (with_default)
        t.items.push_back(item(plat::dlg::button, plat::ws::tab_stop | plat::bs::def_push_button,
                               kDefault, "Go"));
    return t;
}

// What the test procedure saw; it answers wm::init_dialog with `init_answer`, records every command
// with the edit's and the label's text at that moment, and ends the dialog on kEndId (with 7) and
// on the default button (with 1).
struct Seen {
    plat::LResult init_answer = 1;
    std::vector<int> commands;
    std::vector<std::string> edit_texts;
    std::string label_text;
};
Seen* seen = nullptr;
plat::Window test_owner = nullptr;
std::vector<std::uint32_t> owner_messages;  // what the owner's procedure got, paints left out

std::string item_text(plat::Window dialog, int id) {
    char buffer[64];
    plat::get_dlg_item_text(dialog, id, buffer, sizeof buffer);
    return buffer;
}

plat::LResult test_proc(plat::Window dialog, std::uint32_t msg, plat::WParam wparam, plat::LParam) {
    if (msg == plat::wm::init_dialog) {
        return seen->init_answer;
    }
    if (msg != plat::wm::command) return 0;
    int id = static_cast<int>(wparam & 0xFFFF);
    seen->commands.push_back(id);
    seen->edit_texts.push_back(item_text(dialog, kEdit));
    seen->label_text = item_text(dialog, kLabel);
    if (id == kEndId) plat::end_dialog(dialog, 7);
    if (id == kDefault) plat::end_dialog(dialog, 1);
    return 1;
}

plat::LResult owner_proc(plat::Window w, std::uint32_t msg, plat::WParam wp, plat::LParam lp) {
    if (msg != plat::wm::paint) owner_messages.push_back(msg);
    return plat::def_window_proc(w, msg, wp, lp);
}

class DialogRules : public testing::Test {
  protected:
    void SetUp() override {
        plat::headless::reset();
        seen = &seen_;
        test_owner = nullptr;
        owner_messages.clear();
    }
    void TearDown() override {
        seen = nullptr;
        test_owner = nullptr;
        plat::headless::reset();
    }
    plat::LResult run(const plat::DialogTemplate& t, plat::Window owner = nullptr) {
        test_owner = owner;
        return plat::dialog_box(t, owner, test_proc, 0);
    }
    Seen seen_;
};

TEST_F(DialogRules, TheFirstTabStopTakesTheFocusOnlyWhenInitAnswersTrue) {
    int focus = -1;
    plat::headless::set_dialog_responder([&](DialogControl& d) {
        focus = d.focus();
        d.press_enter();
    });
    plat::DialogTemplate t = make_template();
    EXPECT_EQ(run(t), 1);
    EXPECT_EQ(focus, kEdit);  // the label before it has no tab stop

    seen_.init_answer = 0;  // the procedure set the focus itself (here: nowhere)
    EXPECT_EQ(run(t), 1);
    EXPECT_EQ(focus, 0);
}

TEST_F(DialogRules, EnterPressesTheDefaultButtonEvenInAMultiLineEdit) {
    plat::headless::set_dialog_responder([](DialogControl& d) {
        d.type(" more");
        d.press_enter();
    });
    EXPECT_EQ(run(make_template()), 1);
    EXPECT_EQ(seen_.commands, std::vector<int>{kDefault});
    EXPECT_EQ(seen_.edit_texts, std::vector<std::string>{"start more"});  // no new line typed
    EXPECT_EQ(seen_.label_text, "label");
}

TEST_F(DialogRules, EscapeAndTheCloseBoxSendCancelWhichTheProcedureMayIgnore) {
    int round = 0;
    plat::headless::set_dialog_responder([&](DialogControl& d) {
        if (round++ == 0) {
            d.press_escape();
            d.press_close_box();
            return;  // the dialog is still open: the responder is asked again
        }
        d.press_button(kPlain);
        d.press_button(kLabel);  // not a button: nothing is sent
        d.press_button(kDefault);
        d.press_button(kPlain);  // after the end: nothing is sent
    });
    EXPECT_EQ(run(make_template()), 1);
    EXPECT_EQ(round, 2);
    EXPECT_EQ(seen_.commands, (std::vector<int>{2, 2, kPlain, kDefault}));
}

TEST_F(DialogRules, EnterWithoutADefaultButtonSendsNothing) {
    plat::headless::set_dialog_responder([](DialogControl& d) {
        d.press_enter();
        d.press_button(kPlain);
        if (!seen->commands.empty()) plat::end_dialog(d.dialog(), 7);
    });
    EXPECT_EQ(run(make_template(false)), 7);
    EXPECT_EQ(seen_.commands, std::vector<int>{kPlain});
}

TEST_F(DialogRules, ItemTextsAndEndDialogWorkOnlyOnARunningDialog) {
    plat::Window dialog = nullptr;
    plat::headless::set_dialog_responder([&](DialogControl& d) {
        dialog = d.dialog();
        EXPECT_TRUE(plat::is_window(dialog));
        EXPECT_EQ(item_text(dialog, 12345), "");
        char small_buffer[4];
        EXPECT_EQ(plat::get_dlg_item_text(dialog, kEdit, small_buffer, sizeof small_buffer), 3);
        EXPECT_STREQ(small_buffer, "sta");
        d.press_enter();
    });
    EXPECT_EQ(run(make_template()), 1);
    EXPECT_FALSE(plat::is_window(dialog));
    EXPECT_FALSE(plat::end_dialog(dialog, 3));
    char buffer[8] = "keep";
    EXPECT_EQ(plat::get_dlg_item_text(dialog, kEdit, buffer, sizeof buffer), 0);
}

TEST_F(DialogRules, TheOwnerGetsPostedMessagesButNoInputWhileTheDialogRuns) {
    plat::WindowClass cls;
    cls.name = "owner";
    cls.proc = owner_proc;
    ASSERT_TRUE(plat::register_class(cls));
    plat::Window owner =
        plat::create_window("owner", "Owner", plat::ws::overlapped_window, 0, 0, 200, 100, nullptr);
    ASSERT_NE(owner, nullptr);
    constexpr std::uint32_t kPosted = 0x8001;
    std::vector<std::uint32_t> during;
    plat::headless::set_dialog_responder([&](DialogControl& d) {
        owner_messages.clear();
        plat::headless::click(owner, 5, 5);
        plat::headless::key_down(owner, 'A', 'a');
        plat::post_message(owner, kPosted, 0, 0);
        d.wait(10);
        during = owner_messages;
        d.press_enter();
    });
    EXPECT_EQ(run(make_template(), owner), 1);
    EXPECT_EQ(during, std::vector<std::uint32_t>{kPosted});

    // Once the dialog is over the owner takes input again.
    owner_messages.clear();
    plat::headless::click(owner, 5, 5);
    plat::Message msg;
    while (plat::peek_message(&msg)) plat::dispatch_message(msg);
    EXPECT_EQ(owner_messages, std::vector<std::uint32_t>{plat::wm::left_button_down});
}

TEST_F(DialogRules, ABackendThatCannotShowADialogRunsNone) {
    EXPECT_EQ(run(make_template()), -1);  // no responder
    EXPECT_TRUE(seen_.commands.empty());
    EXPECT_EQ(plat::dialog_box(make_template(), nullptr, nullptr, 0), -1);
}

// Every dialog and every destroyed window gives its record back; a handle that has ended stays
// invalid and never reaches the windows made after it.
std::size_t heap_in_use() {
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
    return mallinfo2().uordblks;
#else
    return 0;  // not measurable here; the handle checks below still run
#endif
}

TEST_F(DialogRules, EndedWindowsLeaveNoRecordAndTheirHandlesStayDead) {
    plat::WindowClass cls;
    cls.name = "owner";
    cls.proc = owner_proc;
    ASSERT_TRUE(plat::register_class(cls));
    plat::Window gone =
        plat::create_window("owner", "Gone", plat::ws::overlapped_window, 0, 0, 100, 100, nullptr);
    ASSERT_TRUE(plat::destroy_window(gone));
    plat::Window owner =
        plat::create_window("owner", "Owner", plat::ws::overlapped_window, 0, 0, 100, 100, nullptr);
    owner_messages.clear();
    EXPECT_NE(owner, gone);
    EXPECT_FALSE(plat::is_window(gone));
    EXPECT_FALSE(plat::post_message(gone, plat::wm::command, 1, 0));
    EXPECT_EQ(plat::send_message(gone, plat::wm::command, 1, 0), 0);
    EXPECT_TRUE(owner_messages.empty());

    // Each dialog's handle is new, and the one before it is dead by then.
    static plat::Window last_dialog = nullptr;
    static int reused = 0;
    last_dialog = nullptr;
    reused = 0;
    plat::headless::set_dialog_responder([](DialogControl& d) {
        if (d.dialog() == last_dialog || plat::is_window(last_dialog)) ++reused;
        last_dialog = d.dialog();
        d.press_enter();
    });
    plat::DialogTemplate t = make_template();
    auto run_dialogs = [&](int n) {
        for (int i = 0; i < n; ++i) ASSERT_EQ(run(t, owner), 1);
    };
    run_dialogs(1000);
    std::size_t before = heap_in_use();
    run_dialogs(10000);
    EXPECT_LE(heap_in_use(), before + 64 * 1024);
    EXPECT_EQ(plat::all_windows(), std::vector<plat::Window>{owner});
    EXPECT_EQ(reused, 0);
    EXPECT_FALSE(plat::is_window(last_dialog));
}

}  // namespace
