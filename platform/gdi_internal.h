// The records behind GDI handles, shared by the files that implement the drawing services.
#pragma once

#include <memory>
#include <string>

#include "platform/gdi.h"

namespace plat {

enum class GdiKind { Pen, Brush, Font, Bitmap };

struct GdiObject {
    explicit GdiObject(GdiKind k) : kind(k) {}
    virtual ~GdiObject() = default;
    GdiKind kind;
    bool stock = false;
};

struct PenObject : GdiObject {
    PenObject() : GdiObject(GdiKind::Pen) {}
    int style = ps::solid;
    int width = 1;  // 0 and 1 both draw one pixel wide
    Color color = 0;
};

struct BrushObject : GdiObject {
    BrushObject() : GdiObject(GdiKind::Brush) {}
    bool hollow = false;
    Color color = 0x00FFFFFF;
};

class Font;  // the text service's font behind a font object (text_service.h)

struct FontObject : GdiObject {
    FontObject() : GdiObject(GdiKind::Font) {}
    int height = 0;
    int weight = 400;
    std::string face;
    bool fixed_pitch = false;
    bool italic = false;
    bool underline = false;
    bool strike_out = false;
    int charset = 0;
    int pitch_and_family = 0;
    std::shared_ptr<Font> loaded;  // asked for on first use
};

struct BitmapObject : GdiObject {
    BitmapObject() : GdiObject(GdiKind::Bitmap) {}
    Surface surface;
    bool selected = false;
};

struct DeviceContext {
    Window window = nullptr;         // window contexts draw onto the window's client surface
    BitmapObject* bitmap = nullptr;  // memory contexts draw onto their selected bitmap
    PenObject* pen = nullptr;
    BrushObject* brush = nullptr;
    FontObject* font = nullptr;
    Color text_color = 0;
    Color bk_color = 0x00FFFFFF;
    int bk_mode = bk::opaque;
    Point position;
};

// Called after drawing onto a window context so that the backend can present the change.
void surface_touched(DC dc);

}  // namespace plat
