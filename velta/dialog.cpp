// The modal message dialog. (Placeholder until the dialog work lands.)
#include "velta/state.h"
#include "velta/velta.h"

int velta_message(const char*, char*) { return 0; }

plat::LResult velta_message_proc(plat::Window, std::uint32_t, plat::WParam, plat::LParam) {
    return 0;
}
