// Helpers shared by the drawing and console tests: the console log read back from the ring, and
// pixel access to the off-screen image and the windows.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/headless/headless.h"
#include "support/velta_fixture.h"

namespace velta_test {

// The stored messages, oldest first, as the repaint replays them.
inline std::vector<std::string> console_log() {
    std::vector<std::string> out;
    int slot = velta_ring_start();
    for (int k = 0; slot >= 0 && (slot != velta_ring_next() || k == 0); ++k) {
        const char* text = velta_console_slot(slot);
        if (text) out.emplace_back(text);
        slot = slot == kRingSlots - 1 ? 0 : slot + 1;
    }
    return out;
}

inline const plat::Surface& image() {
    return *plat::dc_surface(velta_state.memory_dc);
}

constexpr plat::Color kWhite = 0xFFFFFF;
constexpr plat::Color kBlack = 0x000000;
constexpr plat::Color kRed = 0xFF0000;
constexpr plat::Color kGreen = 0x00FF00;
constexpr plat::Color kBlue = 0x0000FF;

// Compares every pixel of the rectangle [x0, x1] x [y0, y1] of the surface with the expectation
// and describes the first few differences.
inline testing::AssertionResult pixels_match(const plat::Surface& s, int x0, int y0, int x1, int y1,
                                             const std::function<plat::Color(int, int)>& expected) {
    int bad = 0;
    std::string report;
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            plat::Color want = expected(x, y);
            plat::Color got = s.at(x, y);
            if (got != want && ++bad <= 5) {
                char line[96];
                std::snprintf(line, sizeof line, " (%d,%d): %06X not %06X;", x, y, got, want);
                report += line;
            }
        }
    }
    if (bad == 0) return testing::AssertionSuccess();
    return testing::AssertionFailure() << bad << " pixels differ:" << report;
}

inline int count_colour(const plat::Surface& s, plat::Color c) {
    int n = 0;
    for (plat::Color p : s.pixels) n += p == c;
    return n;
}

// A started library with logging off, an erased image and an empty console; ox and oy are the
// origin's pixel.
class DrawingTest : public VeltaTest {
  protected:
    void SetUp() override {
        VeltaTest::SetUp();
        init();
        velta_state.logging = 0;
        velta_erase();
        velta_console_reset();
        ox = velta_state.origin_x;
        oy = velta_state.origin_y;
    }

    int ox = 0;
    int oy = 0;
};

}  // namespace velta_test
