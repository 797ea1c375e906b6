// Compiled, never run: the platform and library headers, and the core's headers for backends,
// must stay usable in a translation unit that has included <windows.h> first, as the native
// Windows backend's sources will. That header defines the original platform's constant names
// (WM_PAINT, VK_RETURN, TRANSPARENT, ...) and a few lowercase words (small, near, far, min, max,
// interface) as macros; none of our names may be one.
#include <windows.h>

#include "library_state.h"
#include "platform/backend.h"
#include "platform/gdi.h"
#include "platform/platform.h"
#include "platform/text_service.h"
#include "velta/velta.h"

// Our constants keep the original values, so the two spellings agree.
static_assert(plat::wm::paint == WM_PAINT && plat::wm::left_button_down == WM_LBUTTONDOWN);
static_assert(plat::vk::enter == VK_RETURN && plat::vk::oem_102 == VK_OEM_102);
static_assert(plat::ws::overlapped_window == WS_OVERLAPPEDWINDOW);
static_assert(plat::mf::checked == MF_CHECKED && plat::mf::separator == MF_SEPARATOR);
static_assert(plat::bs::def_push_button == BS_DEFPUSHBUTTON &&
              plat::ds::modal_frame == DS_MODALFRAME);
static_assert(plat::stock::ansi_fixed_font == ANSI_FIXED_FONT &&
              plat::bk::transparent == TRANSPARENT);
