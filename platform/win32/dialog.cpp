// The modal dialog's native side: a real Windows dialog made from the template in memory
// (CreateDialogIndirectParamW: modeless to Windows, so that the core's loop runs it), which reports
// the user's buttons, Enter, Escape and close box to the core. It never ends itself: IDOK and
// IDCANCEL from Windows do nothing here, and the core decides what Enter and Escape mean.
#include "platform/win32/rules.h"
#include "platform/win32/win32.h"

namespace plat {
namespace win32 {

class Win32Dialog final : public NativeDialog {
  public:
    Win32Dialog(const DialogTemplate& tmpl, Window owner);
    ~Win32Dialog() override;
    bool made() const { return hwnd_ != nullptr; }

    void set_focus(int id) override {
        HWND item = GetDlgItem(hwnd_, id);
        if (item != nullptr) SetFocus(item);
    }

    std::string edit_text(int id) override {
        HWND item = GetDlgItem(hwnd_, id);
        if (item == nullptr) return std::string();
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
        int n = GetWindowTextW(item, text.data(), static_cast<int>(text.size()));
        text.resize(static_cast<std::size_t>(n < 0 ? 0 : n));
        return narrow(text);
    }

    void wait_for_user(std::uint64_t deadline, DialogUser& user) override {
        if (actions_.empty()) {
            backend().sleep_until(deadline);
            pump();
        }
        actions_.report(user);
    }

    // Enter and Escape are reported as such, before Windows' dialog keys make commands of them;
    // the dialog's other keys (typing, Tab) are Windows' own.
    bool takes(MSG& msg) {
        if (hwnd_ == nullptr || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd))) return false;
        if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
            if (msg.wParam == VK_RETURN)
                actions_.enter();
            else
                actions_.escape();
            return true;
        }
        return IsDialogMessageW(hwnd_, &msg) != 0;
    }

  private:
    static INT_PTR CALLBACK dialog_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
        if (msg == WM_INITDIALOG) {
            SetWindowLongPtrW(hwnd, DWLP_USER, lparam);
            return FALSE;  // the core gives the focus
        }
        auto* self = reinterpret_cast<Win32Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
        if (self == nullptr) return FALSE;
        switch (msg) {
            case WM_COMMAND:
                // A button clicked (or pressed with Space); IDOK and IDCANCEL that Windows makes
                // of keys come without a control and are not reports.
                if (lparam != 0 && HIWORD(wparam) == BN_CLICKED)
                    self->actions_.button(LOWORD(wparam));
                return TRUE;
            case WM_CLOSE:
                self->actions_.close_box();
                return TRUE;
            default:
                return FALSE;
        }
    }

    HWND hwnd_ = nullptr;
    HWND owner_ = nullptr;
    bool owner_was_enabled_ = false;
    // The dialog that ran before this one opened (a dialog opened from a dialog's procedure).
    Win32Dialog* outer_ = nullptr;
    DialogActions actions_;
};

namespace {
Win32Dialog* running = nullptr;
}  // namespace

Win32Dialog::Win32Dialog(const DialogTemplate& tmpl, Window owner) {
    if (NativeWindow* native = native_of(owner)) owner_ = native->hwnd;
    std::vector<std::uint16_t> words = dialog_template_words(tmpl);
    hwnd_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                       reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), owner_,
                                       dialog_proc, reinterpret_cast<LPARAM>(this));
    if (hwnd_ == nullptr) return;
    // As a modal dialog does, the owner takes no input while it runs.
    if (owner_ != nullptr) owner_was_enabled_ = EnableWindow(owner_, FALSE) == 0;
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    outer_ = running;
    running = this;
}

Win32Dialog::~Win32Dialog() {
    if (hwnd_ == nullptr) return;
    running = outer_;
    // The owner is enabled first, so that Windows gives it the activation back.
    if (owner_ != nullptr && owner_was_enabled_) EnableWindow(owner_, TRUE);
    DestroyWindow(hwnd_);
    if (owner_ != nullptr && owner_was_enabled_) SetForegroundWindow(owner_);
}

Win32Dialog* active_dialog() {
    return running;
}

bool dialog_takes(Win32Dialog& dialog, MSG& msg) {
    return dialog.takes(msg);
}

std::unique_ptr<NativeDialog> create_dialog(const DialogTemplate& tmpl, Window, Window owner) {
    auto dialog = std::make_unique<Win32Dialog>(tmpl, owner);
    if (!dialog->made()) return nullptr;
    return dialog;
}

}  // namespace win32
}  // namespace plat
