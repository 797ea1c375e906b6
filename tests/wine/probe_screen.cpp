// The probe's look at the screen on the Win32 backend (see tests/e2e/probe_screen.h): the
// surface is put on the screen at each WM_PAINT, without shared memory and unpaced, and what is on
// the screen is read back with BitBlt.
#include "probe_screen.h"

#include <windows.h>

#include <vector>

#include "platform/backend.h"
#include "platform/win32/win32.h"

namespace probe_screen {

bool shared(plat::Window) {
    return false;
}

std::uint64_t puts(plat::Window window) {
    plat::NativeWindow* native = plat::win32::native_of(window);
    return native != nullptr ? native->presented : 0;
}

long differing(plat::Window window) {
    plat::NativeWindow* native = plat::win32::native_of(window);
    if (native == nullptr) return -1;
    const plat::Surface& s = plat::window_record(window)->surface;
    HWND hwnd = native->hwnd;
    HDC screen = GetDC(hwnd);
    if (screen == nullptr) return -1;
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = s.width;
    info.bmiHeader.biHeight = -s.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    long count = -1;
    if (memory != nullptr && bitmap != nullptr && bits != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, s.width, s.height, screen, 0, 0, SRCCOPY)) {
            GdiFlush();
            const auto* shown = static_cast<const std::uint32_t*>(bits);
            count = 0;
            for (std::size_t i = 0; i < s.pixels.size(); ++i)
                count += (shown[i] & 0x00FFFFFF) != s.pixels[i];
        }
        SelectObject(memory, old);
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
    if (memory != nullptr) DeleteDC(memory);
    ReleaseDC(hwnd, screen);
    return count;
}

void refuse_shm_attach() {}

}  // namespace probe_screen
