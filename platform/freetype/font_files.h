// Where the FreeType text service gets its font files. One lookup is linked in beside it
// (platform/fontconfig/ now), so that a build without fontconfig can bring another.
#pragma once

#include <string>

namespace plat {

struct FontFile {
    std::string path;  // empty: nothing was found
    int index = 0;     // the face's index inside the file
};

// The file of the scalable, upright face to use for a family name: that family when it exists,
// otherwise a normal sans face, or a monospace one when fixed pitch is asked for (an unknown name
// such as "VELTA-font" gives one of those). The FreeType service asks once per description.
FontFile find_font_file(const std::string& family, bool bold, bool fixed_pitch);

}  // namespace plat
