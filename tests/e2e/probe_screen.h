// The probe's look at how the FLTK backend puts a window's picture on the screen, kept apart from
// the probe's main file: X's headers name a type Display too.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace probe_screen {

// Whether the window's picture is put from a shared memory segment.
bool shared(plat::Window window);
// How many times the window's picture has been put on the screen.
std::uint64_t puts(plat::Window window);
// The pixels of the window's client area on the screen that differ from its surface (-1 when the
// screen could not be read).
long differing(plat::Window window);
// Makes the server refuse the shared memory segments of the windows made from now on.
void refuse_shm_attach();

}  // namespace probe_screen
