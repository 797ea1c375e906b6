// The font technology behind the text services of gdi.h (text_out, get_text_extent_point,
// get_text_metrics). Exactly one implementation is linked into a program (platform/freetype/, or
// platform/gdi_text/ in Windows builds); the drawing code only talks to this interface and keeps
// the rules that do not depend on the technology: the text cell, the opaque background, clipping,
// and metrics when there is no font.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/gdi.h"
#include "platform/platform.h"

namespace plat {

// What create_font asked for.
struct FontRequest {
    // Below zero: an em (cell height less internal leading) of -height pixels; above zero: a
    // cell of height pixels; zero: the default size.
    int height = 0;
    int weight = 400;
    std::string face;  // empty or unknown: a normal face of the kind asked for
    bool fixed_pitch = false;
    // The rest of what create_font was given, for a service whose fonts have these attributes
    // (the GDI one); the FreeType service draws upright, plain faces.
    bool italic = false;
    bool underline = false;
    bool strike_out = false;
    int charset = 0;
    int pitch_and_family = 0;
    // The stock fixed-pitch font, sized as the classic 13-pixel fixed raster font.
    bool stock_fixed = false;
};

// A face at one size, ready to measure and draw text. Bytes are Latin-1 characters; a character
// without a glyph shows the face's missing-glyph shape.
class Font {
  public:
    virtual ~Font() = default;
    virtual const TextMetrics& metrics() = 0;
    // The sum of the characters' advances, in pixels.
    virtual std::int64_t advance(const char* text, int length) = 0;
    // Draws the characters' glyphs in `color`, with the top-left corner of the text cell at
    // (x, y), painting only the pixels inside `clip` (which lies inside the surface).
    virtual void draw(Surface& surface, int x, int y, const char* text, int length, Color color,
                      const Rect& clip) = 0;
};

class TextService {
  public:
    virtual ~TextService() = default;
    // The font for a request, shared by the requests that come to the same face and size; null
    // when no font can be had (the text services then draw nothing).
    virtual std::shared_ptr<Font> font(const FontRequest& request) = 0;
};

// The implementation that is linked in.
TextService& text_service();

}  // namespace plat
