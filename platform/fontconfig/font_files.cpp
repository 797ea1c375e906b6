// Font files found through fontconfig.
#include "platform/freetype/font_files.h"

#include <fontconfig/fontconfig.h>

namespace plat {
namespace {

// Fontconfig is initialised once and never finalised here: other libraries in the process (the
// FLTK backend's font rendering) share its caches, and finalising them at exit while those still
// hold references aborts the program.
bool fontconfig_ready() {
    static const bool ready = [] { return FcInit() == FcTrue; }();
    return ready;
}

}  // namespace

// The requested family first, then DejaVu and the generic family.
FontFile find_font_file(const std::string& family_name, bool bold, bool fixed_pitch) {
    FontFile out;
    if (!fontconfig_ready()) return out;
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return out;
    auto family = [&](const char* name) {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name));
    };
    if (!family_name.empty()) family(family_name.c_str());
    if (fixed_pitch) {
        family("DejaVu Sans Mono");
        family("monospace");
        FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
    } else {
        family("DejaVu Sans");
        family("sans-serif");
    }
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (match != nullptr) {
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
            out.path = reinterpret_cast<const char*>(file);
            if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) out.index = index;
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return out;
}

}  // namespace plat
