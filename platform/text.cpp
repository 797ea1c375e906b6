// Text output through FreeType. Placeholder until the text renderer lands.
#include "platform/gdi_internal.h"

namespace plat {

bool text_out(DC, int, int, const char*, int) { return false; }
bool get_text_extent_point(DC, const char*, int, Size* size) {
    if (size) *size = Size{0, 13};
    return false;
}
bool get_text_metrics(DC, TextMetrics* metrics) {
    if (metrics) *metrics = TextMetrics{13, 11, 2, 0, 0, 8};
    return false;
}

}  // namespace plat
