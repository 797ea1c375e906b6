// The probe's look at the screen is the FLTK backend's; in a page the tests read the canvases
// themselves, so the probe's present mode has nothing to ask here.
#include "probe_screen.h"

namespace probe_screen {

bool shared(plat::Window) {
    return false;
}
std::uint64_t puts(plat::Window) {
    return 0;
}
long differing(plat::Window) {
    return -1;
}
void refuse_shm_attach() {}

}  // namespace probe_screen
