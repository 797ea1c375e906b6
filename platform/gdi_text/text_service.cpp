// The text service on GDI, for Windows builds: the faces, metrics and glyphs are Windows' own (the
// stock ANSI_FIXED_FONT, and CreateFontA with the request's attributes through the font mapper),
// rendered without anti-aliasing into a one-bit bitmap, so that the core's surfaces get exact
// pixels in the text colour, as with the FreeType service on other systems.
//
// A run is drawn by GDI itself (TextOutA into the monochrome bitmap), so placement, overhangs and
// the font mapper's choices are those of the system; the bitmap covers only the part of the cell
// that the clip leaves, and the ink is copied from it.
#include "platform/text_service.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace plat {
namespace {

using i64 = std::int64_t;

// Sizes beyond this are asked for at this size: larger glyphs would only cost memory.
constexpr int kMaxPixelSize = 1024;

// A memory context of its own for measuring and drawing, with a one-bit bitmap as large as the
// largest run drawn so far.
class GdiFont final : public Font {
  public:
    GdiFont(HFONT font, bool owned) : font_(font), owned_(owned) {
        dc_ = CreateCompatibleDC(nullptr);
        if (dc_ != nullptr) {
            old_font_ = SelectObject(dc_, font_);
            SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
            SetBkMode(dc_, TRANSPARENT);
            SetTextColor(dc_, RGB(0, 0, 0));
            SetMapMode(dc_, MM_TEXT);
        }
    }
    GdiFont(const GdiFont&) = delete;
    GdiFont& operator=(const GdiFont&) = delete;
    ~GdiFont() override {
        if (dc_ != nullptr) {
            SelectObject(dc_, old_font_);
            if (bitmap_ != nullptr) SelectObject(dc_, old_bitmap_);
            DeleteDC(dc_);
        }
        if (bitmap_ != nullptr) DeleteObject(bitmap_);
        if (owned_) DeleteObject(font_);
    }

    // Reads the metrics and the advance widths; false when the font cannot be used.
    bool set_up() {
        if (dc_ == nullptr) return false;
        TEXTMETRICA tm{};
        if (!GetTextMetricsA(dc_, &tm)) return false;
        cell_.height = tm.tmHeight;
        cell_.ascent = tm.tmAscent;
        cell_.descent = tm.tmDescent;
        cell_.internal_leading = tm.tmInternalLeading;
        cell_.external_leading = tm.tmExternalLeading;
        cell_.ave_char_width = tm.tmAveCharWidth;
        overhang_ = std::max<int>(tm.tmMaxCharWidth, 1);
        INT widths[256] = {};
        if (!GetCharWidth32A(dc_, 0, 255, widths)) return false;
        for (int i = 0; i < 256; ++i) advances_[static_cast<std::size_t>(i)] = widths[i];
        return cell_.height > 0;
    }

    const TextMetrics& metrics() override { return cell_; }

    i64 advance(const char* text, int length) override {
        i64 sum = 0;
        for (int i = 0; i < length; ++i) sum += width_of(text[i]);
        return sum;
    }

    void draw(Surface& s, int x, int y, const char* text, int length, Color color,
              const Rect& clip) override {
        const int w = clip.right - clip.left;
        const int h = clip.bottom - clip.top;
        if (w <= 0 || h <= 0 || length <= 0) return;
        // Characters that end well left of the clip are skipped, and drawing stops past its right
        // edge, so that GDI only ever sees coordinates near the bitmap.
        i64 pen = x;
        int first = 0;
        while (first < length && pen + width_of(text[first]) + overhang_ < clip.left)
            pen += width_of(text[first++]);
        int last = first;
        i64 end = pen;
        while (last < length && end < static_cast<i64>(clip.right) + overhang_)
            end += width_of(text[last++]);
        if (last == first || !ensure_bitmap(w, h)) return;
        std::fill(bits_, bits_ + static_cast<std::size_t>(stride_) * static_cast<std::size_t>(h),
                  std::uint8_t{0xFF});
        TextOutA(dc_, static_cast<int>(pen - clip.left), y - clip.top, text + first, last - first);
        GdiFlush();
        for (int r = 0; r < h; ++r) {
            const std::uint8_t* line = bits_ + static_cast<std::size_t>(r) * stride_;
            for (int c = 0; c < w; ++c)
                if ((line[c >> 3] & (0x80 >> (c & 7))) == 0)
                    s.put(clip.left + c, clip.top + r, color);
        }
    }

  private:
    int width_of(char c) const { return advances_[static_cast<unsigned char>(c)]; }

    // A top-down one-bit bitmap of at least w x h: colour 0 black (ink), 1 white (paper).
    bool ensure_bitmap(int w, int h) {
        if (bitmap_ != nullptr && w <= bitmap_w_ && h <= bitmap_h_) return true;
        int new_w = std::max(w, bitmap_w_), new_h = std::max(h, bitmap_h_);
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colours[2];
        } info{};
        info.header.biSize = sizeof(BITMAPINFOHEADER);
        info.header.biWidth = new_w;
        info.header.biHeight = -new_h;
        info.header.biPlanes = 1;
        info.header.biBitCount = 1;
        info.header.biCompression = BI_RGB;
        info.colours[1] = RGBQUAD{255, 255, 255, 0};
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                          &bits, nullptr, 0);
        if (bitmap == nullptr || bits == nullptr) return false;
        HGDIOBJ previous = SelectObject(dc_, bitmap);
        if (bitmap_ != nullptr) {
            DeleteObject(bitmap_);
        } else {
            old_bitmap_ = previous;
        }
        bitmap_ = bitmap;
        bits_ = static_cast<std::uint8_t*>(bits);
        bitmap_w_ = new_w;
        bitmap_h_ = new_h;
        stride_ = ((new_w + 31) / 32) * 4;  // rows are padded to 32 bits
        return true;
    }

    HFONT font_;
    bool owned_;
    HDC dc_ = nullptr;
    HGDIOBJ old_font_ = nullptr;
    HGDIOBJ old_bitmap_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    std::uint8_t* bits_ = nullptr;
    int bitmap_w_ = 0;
    int bitmap_h_ = 0;
    int stride_ = 0;
    int overhang_ = 1;
    TextMetrics cell_;
    std::array<int, 256> advances_{};
};

class GdiTextService final : public TextService {
  public:
    std::shared_ptr<Font> font(const FontRequest& f) override {
        int height = f.stock_fixed ? 0 : std::clamp(f.height, -kMaxPixelSize, kMaxPixelSize);
        auto key = std::make_tuple(f.stock_fixed, height, f.weight, f.face, f.pitch_and_family,
                                   f.italic, f.underline, f.strike_out, f.charset);
        auto it = fonts_.find(key);
        if (it != fonts_.end()) return it->second;
        std::shared_ptr<GdiFont> font = make(f, height);
        if (font == nullptr) {
            report_once("no font could be made");
            return nullptr;
        }
        // Sizes nobody holds any more are dropped once the cache grows large.
        if (fonts_.size() >= 64)
            for (auto e = fonts_.begin(); e != fonts_.end();)
                e = e->second.use_count() == 1 ? fonts_.erase(e) : std::next(e);
        fonts_.emplace(key, font);
        return font;
    }

  private:
    static std::shared_ptr<GdiFont> make(const FontRequest& f, int height) {
        HFONT handle = nullptr;
        bool owned = !f.stock_fixed;
        if (f.stock_fixed) {
            handle = static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
        } else {
            // What create_font was asked for, drawn without anti-aliasing. An unknown face (such
            // as "VELTA-font") is left to the font mapper, which picks the closest face of the
            // pitch and family asked for.
            handle = CreateFontA(height, 0, 0, 0, std::clamp(f.weight, 0, 1000), f.italic,
                                 f.underline, f.strike_out, static_cast<DWORD>(f.charset & 0xFF),
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                 static_cast<DWORD>(f.pitch_and_family & 0xFF), f.face.c_str());
        }
        if (handle == nullptr) return nullptr;
        auto font = std::make_shared<GdiFont>(handle, owned);
        if (!font->set_up()) return nullptr;
        return font;
    }

    void report_once(const char* what) {
        if (reported_) return;
        reported_ = true;
        std::fprintf(stderr, "platform: %s; text will not be drawn\n", what);
    }

    bool reported_ = false;
    std::map<std::tuple<bool, int, int, std::string, int, bool, bool, bool, int>,
             std::shared_ptr<GdiFont>>
        fonts_;
};

}  // namespace

// Never destroyed: fonts held by stock objects outlive every static destructor.
TextService& text_service() {
    static TextService* instance = new GdiTextService;
    return *instance;
}

}  // namespace plat
