// The text service in a web page: the browser's fonts through the Canvas 2D text API (the page's
// monospace face for the stock fixed font, the faces asked for, or the generic family of their
// pitch, for text commands), with the browser's metrics, drawn without anti-aliasing: a pixel
// is the text colour where the glyphs cover at least half of it, so that the core's surfaces get
// exact pixels, as with the GDI and FreeType services.
#include "platform/text_service.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <tuple>

// clang-format off
// Outside a page (the unit suites under node) there are no fonts, and text draws nothing.
EM_JS(int, velta_web_has_page, (), { return typeof Module.velta === 'object' ? 1 : 0; });
EM_JS(int, velta_web_font, (const char* css), { return Module.velta.font(UTF8ToString(css)); });
EM_JS(void, velta_web_font_metrics, (int font, int* out), {
    const m = Module.velta.fontMetrics(font);
    for (let i = 0; i < 3; ++i) HEAP32[(out >> 2) + i] = m[i];
});
EM_JS(int, velta_web_advance, (int font, const char* text, int length), {
    let s = "";
    for (let i = 0; i < length; ++i) s += String.fromCharCode(HEAPU8[text + i]);
    return Module.velta.advance(font, s);
});
EM_JS(void, velta_web_ink, (int font, const char* text, int length, int width, int height,
                            int ascent, std::uint8_t* out), {
    let s = "";
    for (let i = 0; i < length; ++i) s += String.fromCharCode(HEAPU8[text + i]);
    HEAPU8.set(Module.velta.ink(font, s, width, height, ascent), out);
});
// clang-format on

namespace plat {
namespace {

using i64 = std::int64_t;

// Sizes beyond this are asked for at this size: larger glyphs would only cost memory.
constexpr int kMaxPixelSize = 1024;

std::string css_family(const FontRequest& f) {
    const char* generic = f.fixed_pitch || f.stock_fixed ? "monospace" : "sans-serif";
    if (f.stock_fixed || f.face.empty()) return generic;
    std::string quoted = "\"";
    for (char c : f.face)
        if (c != '"' && c != '\\' && c != ';') quoted += c;
    return quoted + "\", " + generic;
}

class CanvasFont final : public Font {
  public:
    explicit CanvasFont(const FontRequest& f) {
        std::string style = f.italic ? "italic " : "";
        style += std::to_string(std::clamp(f.weight <= 0 ? 400 : f.weight, 100, 900)) + " ";
        std::string family = css_family(f);
        // Cell metrics in the classic style: the stock fixed font is a 13-pixel cell (ascent 11,
        // descent 2) drawn at a 12-pixel em; a negative height is an em, a positive one a cell
        // (16 pixels for 0).
        if (f.stock_fixed) {
            id_ = velta_web_font((style + "12px " + family).c_str());
            metrics_.height = 13;
            metrics_.ascent = 11;
            metrics_.descent = 2;
        } else if (f.height < 0) {
            int em =
                std::clamp(f.height == INT32_MIN ? kMaxPixelSize : -f.height, 1, kMaxPixelSize);
            id_ = velta_web_font((style + std::to_string(em) + "px " + family).c_str());
            int m[3] = {0, 0, 0};
            velta_web_font_metrics(id_, m);
            metrics_.ascent = m[0];
            metrics_.descent = m[1];
            metrics_.height = m[0] + m[1];
            metrics_.internal_leading = std::max(0, metrics_.height - em);
        } else {
            int cell = std::clamp(f.height == 0 ? 16 : f.height, 1, kMaxPixelSize);
            // The em that gives the cell, from the face's proportions at a large size.
            int probe = velta_web_font((style + "100px " + family).c_str());
            int m[3] = {0, 0, 0};
            velta_web_font_metrics(probe, m);
            int whole = std::max(1, m[0] + m[1]);
            int em = std::clamp(static_cast<int>(i64{cell} * 100 / whole), 1, kMaxPixelSize);
            id_ = velta_web_font((style + std::to_string(em) + "px " + family).c_str());
            metrics_.height = cell;
            metrics_.ascent = static_cast<int>(i64{cell} * m[0] / whole);
            metrics_.descent = cell - metrics_.ascent;
            metrics_.internal_leading = std::max(0, cell - em);
        }
        int m[3] = {0, 0, 0};
        velta_web_font_metrics(id_, m);
        metrics_.ave_char_width = std::max(1, m[2]);
    }

    const TextMetrics& metrics() override { return metrics_; }

    std::int64_t advance(const char* text, int length) override {
        if (text == nullptr || length <= 0) return 0;
        return velta_web_advance(id_, text, length);
    }

    void draw(Surface& s, int x, int y, const char* text, int length, Color color,
              const Rect& clip) override {
        if (text == nullptr || length <= 0) return;
        i64 width = std::min<i64>(advance(text, length) + metrics_.height, 4096);
        int height = metrics_.height;
        if (width <= 0 || height <= 0) return;
        // Only the part of the cell inside the clip matters.
        if (x >= clip.right || y >= clip.bottom || x + width <= clip.left || y + height <= clip.top)
            return;
        ink_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
        velta_web_ink(id_, text, length, static_cast<int>(width), height, metrics_.ascent,
                      ink_.data());
        for (int row = 0; row < height; ++row) {
            int sy = y + row;
            if (sy < clip.top || sy >= clip.bottom) continue;
            for (int col = 0; col < width; ++col) {
                int sx = x + col;
                if (sx < clip.left || sx >= clip.right) continue;
                if (ink_[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                         static_cast<std::size_t>(col)])
                    s.put(sx, sy, color);
            }
        }
    }

  private:
    int id_ = 0;
    TextMetrics metrics_;
    std::basic_string<std::uint8_t> ink_;
};

class CanvasService final : public TextService {
  public:
    std::shared_ptr<Font> font(const FontRequest& f) override {
        if (!velta_web_has_page()) return nullptr;
        int height = f.stock_fixed ? 0 : std::clamp(f.height, -kMaxPixelSize, kMaxPixelSize);
        auto key =
            std::make_tuple(f.stock_fixed, height, f.weight, f.face, f.fixed_pitch, f.italic);
        auto it = fonts_.find(key);
        if (it != fonts_.end()) return it->second;
        auto made = std::make_shared<CanvasFont>(f);
        fonts_.emplace(key, made);
        return made;
    }

  private:
    std::map<std::tuple<bool, int, int, std::string, bool, bool>, std::shared_ptr<Font>> fonts_;
};

}  // namespace

TextService& text_service() {
    static CanvasService service;
    return service;
}

}  // namespace plat
