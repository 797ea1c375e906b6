// The Win32 backend's rules that need no Windows: the in-memory dialog template that
// CreateDialogIndirect reads, and the character a key types without Ctrl.
#include "platform/win32/rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

using plat::win32::character_without_ctrl;
using plat::win32::dialog_template_words;

// Reads the template back the way Windows does.
class Reader {
  public:
    explicit Reader(const std::vector<std::uint16_t>& words) : words_(words) {}
    std::uint16_t word() { return pos_ < words_.size() ? words_[pos_++] : 0xDEAD; }
    std::uint32_t dword() {
        std::uint32_t low = word();
        return low | (static_cast<std::uint32_t>(word()) << 16);
    }
    int coordinate() { return static_cast<std::int16_t>(word()); }
    std::string string() {
        std::string out;
        for (std::uint16_t c = word(); c != 0 && c != 0xDEAD; c = word())
            out.push_back(static_cast<char>(c));
        return out;
    }
    void align() { pos_ += pos_ % 2; }  // to 4 bytes from the template's start
    std::size_t position() const { return pos_; }

  private:
    const std::vector<std::uint16_t>& words_;
    std::size_t pos_ = 0;
};

plat::DialogTemplate message_dialog() {
    plat::DialogTemplate t;
    t.style = plat::ws::popup | plat::ws::visible | plat::ws::caption | plat::ws::sys_menu |
              plat::ds::modal_frame;
    t.x = 50;
    t.y = 50;
    t.cx = 185;
    t.cy = 92;
    t.title = "VELTA_gets";
    auto item = [](std::uint16_t atom, std::uint32_t style, int x, int y, int cx, int cy, int id,
                   std::string text) {
        plat::DialogItem i;
        i.class_atom = atom;
        i.style = plat::ws::child | plat::ws::visible | style;
        i.x = x;
        i.y = y;
        i.cx = cx;
        i.cy = cy;
        i.id = id;
        i.text = std::move(text);
        return i;
    };
    t.items = {
        item(plat::dlg::edit,
             plat::ws::border | plat::ws::tab_stop | plat::es::multiline | plat::es::auto_vscroll,
             8, 30, 167, 37, 102, ""),
        item(plat::dlg::button, plat::ws::tab_stop | plat::bs::def_push_button, 67, 74, 50, 14, 101,
             "Okay"),
        item(plat::dlg::static_text, plat::ws::group, 8, 3, 167, 24, 103, "Type \xE9 reply"),
    };
    return t;
}

TEST(DialogTemplate, HeaderHoldsStyleCountPlaceNoMenuTheDialogClassAndTheTitle) {
    plat::DialogTemplate t = message_dialog();
    t.ex_style = 0x00010000;
    std::vector<std::uint16_t> words = dialog_template_words(t);
    Reader r(words);
    EXPECT_EQ(r.dword(),
              0x90C80080u);  // WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME
    EXPECT_EQ(r.dword(), 0x00010000u);
    EXPECT_EQ(r.word(), 3);
    EXPECT_EQ(r.coordinate(), 50);
    EXPECT_EQ(r.coordinate(), 50);
    EXPECT_EQ(r.coordinate(), 185);
    EXPECT_EQ(r.coordinate(), 92);
    EXPECT_EQ(r.word(), 0);  // menu
    EXPECT_EQ(r.word(), 0);  // class
    EXPECT_EQ(r.string(), "VELTA_gets");
}

TEST(DialogTemplate, EachItemStartsOnAFourByteBoundaryWithItsAtomTextAndNoCreationData) {
    plat::DialogTemplate t = message_dialog();
    std::vector<std::uint16_t> words = dialog_template_words(t);
    Reader r(words);
    for (int i = 0; i < 11; ++i) r.word();  // the fixed header, no menu, the dialog class
    EXPECT_EQ(r.string(), "VELTA_gets");
    for (const plat::DialogItem& item : t.items) {
        r.align();
        ASSERT_EQ(r.position() % 2, 0u);
        EXPECT_EQ(r.dword(), item.style);
        EXPECT_EQ(r.dword(), item.ex_style);
        EXPECT_EQ(r.coordinate(), item.x);
        EXPECT_EQ(r.coordinate(), item.y);
        EXPECT_EQ(r.coordinate(), item.cx);
        EXPECT_EQ(r.coordinate(), item.cy);
        EXPECT_EQ(r.word(), item.id);
        EXPECT_EQ(r.word(), 0xFFFF);  // an atom follows
        EXPECT_EQ(r.word(), item.class_atom);
        EXPECT_EQ(r.string(), item.text);  // Latin-1 kept: \xE9 is U+00E9
        EXPECT_EQ(r.word(), 0);
    }
    EXPECT_EQ(r.position(), words.size());
    // The edit control's style: multi-line, scrolling, a border and a tab stop.
    EXPECT_EQ(t.items[0].style & 0xFFFF, 0x0044u);
}

TEST(DialogTemplate, OddLengthsArePaddedAndNegativeCoordinatesKeepTheirSign) {
    plat::DialogTemplate t;
    t.title = "a";  // 11 words of header and 2 of title: the first item needs a word of padding
    plat::DialogItem item;
    item.class_atom = plat::dlg::button;
    item.x = -4;
    item.y = -32768;
    item.text = "xy";  // 15 words an item: the second one is padded too
    t.items = {item, item};
    std::vector<std::uint16_t> words = dialog_template_words(t);
    ASSERT_EQ(words.size(), 13u + 1 + 15 + 1 + 15);
    EXPECT_EQ(words[13], 0);
    EXPECT_EQ(words[14 + 4], 0xFFFC);  // x = -4
    EXPECT_EQ(words[14 + 5], 0x8000);
    EXPECT_EQ(words[14 + 9], 0xFFFF);
    EXPECT_EQ(words[29], 0);
    EXPECT_EQ(words[30 + 9], 0xFFFF);
    EXPECT_EQ(words[30 + 10], plat::dlg::button);
}

TEST(CtrlCharacters, WindowsControlCharactersTurnBackIntoWhatTheKeyTypes) {
    EXPECT_EQ(character_without_ctrl(1, true), 'A');
    EXPECT_EQ(character_without_ctrl(26, true), 'Z');
    EXPECT_EQ(character_without_ctrl(0, true), '@');
    EXPECT_EQ(character_without_ctrl(27, true), '[');
    EXPECT_EQ(character_without_ctrl(31, true), '_');
    EXPECT_EQ(character_without_ctrl(-1, true), -1);
    // Without Ctrl, and for what Ctrl leaves alone, the translation stands.
    EXPECT_EQ(character_without_ctrl(27, false), 27);
    EXPECT_EQ(character_without_ctrl(' ', true), ' ');
    EXPECT_EQ(character_without_ctrl(0xE9, false), 0xE9);
}

TEST(CtrlCharacters, TogetherWithTheSharedRuleTheyGiveTheOtherBackendsMessages) {
    // What Windows translates Ctrl+L, Ctrl+[, Ctrl+Shift+2 (US) and Ctrl+2 (nothing) to.
    EXPECT_EQ(plat::key_character('L', character_without_ctrl(12, true), true), 12);
    EXPECT_EQ(plat::key_character(plat::vk::oem_4, character_without_ctrl(27, true), true), 27);
    EXPECT_EQ(plat::key_character('2', character_without_ctrl(0, true), true), 0);
    EXPECT_EQ(plat::key_character('2', character_without_ctrl(-1, true), true), -1);
    // Delete types nothing, whatever a translation says.
    EXPECT_EQ(plat::key_character(plat::vk::del, character_without_ctrl(127, false), false), -1);
}

}  // namespace
