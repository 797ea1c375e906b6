// What only the Win32 backend shows, read back from Windows itself: the native menu bar built from
// the menu records and kept in step with their marks, native messages becoming the core's input
// (menu choices, keys with Windows' own translation, the close box), the client area that Windows
// reports, and the surface on the screen. Runs on real windows, beside the contract tests.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "contract_driver.h"
#include "platform/gdi.h"
#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace {

plat::LResult quiet_proc(plat::Window w, std::uint32_t msg, plat::WParam wp, plat::LParam lp) {
    return plat::def_window_proc(w, msg, wp, lp);
}

class Native : public testing::Test {
  protected:
    void SetUp() override {
        contract::driver().reset();
        plat::WindowClass cls;
        cls.name = "native";
        cls.proc = quiet_proc;
        ASSERT_TRUE(plat::register_class(cls));
        window = plat::create_window("native", "Native", plat::ws::overlapped_window, 20, 20, 320,
                                     240, nullptr);
        ASSERT_NE(window, nullptr);
        ASSERT_NE(plat::win32::native_of(window), nullptr);
        hwnd = plat::win32::native_of(window)->hwnd;
    }
    void TearDown() override { contract::driver().reset(); }

    // The Run menu's shape: an item, a separator, a checked item and a grayed one.
    plat::Menu add_menu() {
        plat::Menu bar = plat::create_menu();
        plat::Menu popup = plat::create_popup_menu();
        plat::append_menu(popup, plat::mf::string, 1, "&Animate\tCtrl+A");
        plat::append_menu(popup, plat::mf::separator, 0, nullptr);
        plat::append_menu(popup, plat::mf::string | plat::mf::checked, 4, "&Logging\tCtrl+L");
        plat::append_menu(popup, plat::mf::string | plat::mf::grayed, 9, "VELTA v2.2");
        plat::append_menu(bar, plat::mf::popup, reinterpret_cast<plat::WParam>(popup), "&Run");
        EXPECT_TRUE(plat::set_menu(window, bar));
        return popup;
    }

    // Everything Windows has queued, moved into the core's queue, and the core's messages taken.
    std::vector<plat::Message> take_all() {
        std::vector<plat::Message> taken;
        plat::Message msg;
        while (taken.size() < 100 && plat::peek_message(&msg)) {
            if (msg.code != plat::wm::paint) taken.push_back(msg);
            plat::translate_message(msg);
            plat::dispatch_message(msg);
        }
        return taken;
    }

    static std::string item_text(HMENU menu, int position) {
        char text[128] = {};
        GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
        return text;
    }

    plat::Window window = nullptr;
    HWND hwnd = nullptr;
};

TEST_F(Native, TheMenuBarIsBuiltFromTheRecordsAndFollowsTheirMarks) {
    RECT before{};
    GetClientRect(hwnd, &before);
    plat::Menu popup = add_menu();
    HMENU bar = GetMenu(hwnd);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 1);
    EXPECT_EQ(item_text(bar, 0), "&Run");
    HMENU run = GetSubMenu(bar, 0);
    ASSERT_NE(run, nullptr);
    ASSERT_EQ(GetMenuItemCount(run), 4);
    EXPECT_EQ(item_text(run, 0), "&Animate\tCtrl+A");
    EXPECT_EQ(GetMenuItemID(run, 0), 1u);
    EXPECT_NE(GetMenuState(run, 1, MF_BYPOSITION) & MF_SEPARATOR, 0u);
    EXPECT_EQ(item_text(run, 2), "&Logging\tCtrl+L");
    EXPECT_NE(GetMenuState(run, 4, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_EQ(GetMenuState(run, 1, MF_BYCOMMAND) & (MF_CHECKED | MF_GRAYED), 0u);
    EXPECT_NE(GetMenuState(run, 9, MF_BYCOMMAND) & MF_GRAYED, 0u);

    // Marks change in place: the same native menu, its item updated.
    EXPECT_EQ(plat::check_menu_item(popup, 4, plat::mf::unchecked), int{plat::mf::checked});
    EXPECT_EQ(GetMenu(hwnd), bar);
    EXPECT_EQ(GetMenuState(run, 4, MF_BYCOMMAND) & MF_CHECKED, 0u);
    plat::check_menu_item(popup, 1, plat::mf::checked);
    EXPECT_NE(GetMenuState(run, 1, MF_BYCOMMAND) & MF_CHECKED, 0u);

    // The menu bar takes its height from the client area, and the core has the client area that
    // Windows reports.
    take_all();
    RECT after{};
    GetClientRect(hwnd, &after);
    EXPECT_LT(after.bottom, before.bottom);
    plat::Rect client = plat::client_rect(window);
    EXPECT_EQ(client.width(), after.right);
    EXPECT_EQ(client.height(), after.bottom);
    EXPECT_EQ(plat::window_record(window)->surface.height, after.bottom);
}

TEST_F(Native, MenuChoicesKeysAndTheCloseBoxBecomeInput) {
    add_menu();
    take_all();
    // A menu choice, as the menu loop sends it: the command id, no control.
    PostMessageW(hwnd, WM_COMMAND, 4, 0);
    // A control's notification is no menu choice.
    PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd));
    // A, with its scan code: Windows translates it to 'a'.
    PostMessageW(hwnd, WM_KEYDOWN, 'A', 0x001E0001);
    PostMessageW(hwnd, WM_KEYUP, 'A', static_cast<LPARAM>(0xC01E0001u));
    // Delete has text in some layouts, but types no character.
    PostMessageW(hwnd, WM_KEYDOWN, VK_DELETE, 0x01530001);
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    std::vector<plat::Message> taken = take_all();
    std::vector<std::uint32_t> codes;
    for (const plat::Message& m : taken) codes.push_back(m.code);
    ASSERT_EQ(codes, (std::vector<std::uint32_t>{plat::wm::command, plat::wm::key_down,
                                                 plat::wm::character, plat::wm::key_up,
                                                 plat::wm::key_down, plat::wm::close}));
    EXPECT_EQ(taken[0].wparam, 4u);
    EXPECT_EQ(taken[1].wparam, static_cast<plat::WParam>('A'));
    EXPECT_EQ(plat::key_lparam_character(taken[1].lparam), 'a');
    EXPECT_EQ(taken[2].wparam, static_cast<plat::WParam>('a'));
    EXPECT_EQ(taken[4].wparam, static_cast<plat::WParam>(VK_DELETE));
    EXPECT_EQ(plat::key_lparam_character(taken[4].lparam), -1);
    for (const plat::Message& m : taken) EXPECT_EQ(m.window, window);
    // The close box only asks: the window is there until the program destroys it (here, the
    // default procedure did when the close message was dispatched).
    EXPECT_FALSE(plat::is_window(window));
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(Native, TheClientAreaShowsTheSurface) {
    plat::show_window(window, plat::sw::show);
    take_all();
    plat::DC dc = plat::get_dc(window);
    plat::GdiHandle brush = plat::create_solid_brush(plat::rgb(0, 0, 255));
    plat::GdiHandle old_brush = plat::select_object(dc, brush);
    plat::rectangle(dc, 10, 20, 50, 40);  // black ring, blue inside
    plat::select_object(dc, old_brush);
    plat::delete_object(brush);
    plat::set_pixel(dc, 100, 60, plat::rgb(255, 0, 0));
    plat::release_dc(window, dc);
    // Windows paints the window when its queue is otherwise empty (and once it is on the screen).
    HDC screen = GetDC(hwnd);
    ASSERT_NE(screen, nullptr);
    for (int i = 0; i < 150 && GetPixel(screen, 30, 30) != RGB(0, 0, 255); ++i) {
        take_all();
        Sleep(20);
    }
    EXPECT_EQ(GetPixel(screen, 10, 20), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(screen, 30, 30), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(screen, 49, 39), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(screen, 50, 40), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(screen, 100, 60), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(screen, 5, 5), RGB(255, 255, 255));
    ReleaseDC(hwnd, screen);
}

// Windows refuses to make a window when a hook vetoes it: the platform window is not made either,
// and its handle is none.
LRESULT CALLBACK refuse_windows(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_CREATEWND) return 1;
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

TEST_F(Native, AWindowThatWindowsRefusesIsNotMade) {
    std::size_t before = plat::all_windows().size();
    HHOOK hook = SetWindowsHookExW(WH_CBT, refuse_windows, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    plat::Window refused = plat::create_window("native", "Refused", plat::ws::overlapped_window, 20,
                                               20, 320, 240, nullptr);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(plat::all_windows().size(), before);
}

}  // namespace
