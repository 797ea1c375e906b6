// A fixture that gives each test a fresh library on a fresh headless platform.
#pragma once

#include <gtest/gtest.h>

#include "library_state.h"
#include "platform/headless/headless.h"
#include "velta/velta.h"

class VeltaTest : public testing::Test {
  protected:
    void SetUp() override { reset(); }
    void TearDown() override { velta_reset_for_tests(); }

    static void reset(int screen_w = 1024, int screen_h = 768) {
        velta_reset_for_tests();
        plat::headless::reset(screen_w, screen_h);
    }
    // Starts the library as the Display does, without the single-display rule.
    static void init() { velta_init(nullptr, nullptr, nullptr, plat::sw::show_normal); }

    static plat::Window graphics() { return velta_state.graphics; }
    static plat::Window text() { return velta_state.text; }

    static int wait(int* x = nullptr, int* y = nullptr, char* key = nullptr) {
        int lx = 0, ly = 0;
        char lk = 0;
        int kind = velta_wait_event(&lx, &ly, &lk);
        if (x) *x = lx;
        if (y) *y = ly;
        if (key) *key = lk;
        return kind;
    }
};
