// Shapes: rectangles, ellipses, polygons and lines with the classic pixel rules.
// Placeholder until the rasterizer lands: shapes draw nothing yet.
#include "platform/gdi_internal.h"

namespace plat {

bool rectangle(DC, int, int, int, int) { return false; }
bool ellipse(DC, int, int, int, int) { return false; }
bool polygon(DC, const Point*, int) { return false; }
bool move_to(DC dc, int x, int y, Point* previous) {
    if (dc == nullptr) return false;
    if (previous) *previous = dc->position;
    dc->position = Point{x, y};
    return true;
}
bool line_to(DC dc, int x, int y) {
    if (dc == nullptr) return false;
    dc->position = Point{x, y};
    return false;
}

}  // namespace plat
