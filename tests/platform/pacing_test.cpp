// When changed surfaces go on the screen, on a clock the test moves by hand.
#include "platform/pacing.h"

#include <gtest/gtest.h>

#include "platform/gdi.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"

namespace {

using plat::PresentPacer;
constexpr std::uint64_t kRefresh = PresentPacer::kRefreshMicros;

// Pumps every `step` microseconds from `start` to `end`, with a change before each, presenting
// whenever the pacer allows; returns the times of the presentations.
std::vector<std::uint64_t> pump(PresentPacer& pacer, std::uint64_t start, std::uint64_t end,
                                std::uint64_t step) {
    std::vector<std::uint64_t> shown;
    for (std::uint64_t t = start; t < end; t += step) {
        if (pacer.due(t)) {
            pacer.presented(t);
            shown.push_back(t);
        }
    }
    return shown;
}

TEST(PresentPacer, KeepsChangingPicturesToOneARefresh) {
    PresentPacer pacer;
    // The first change goes on the screen at once.
    EXPECT_TRUE(pacer.due(5'000'000));
    // Changes every 100 us for one second (10,000 frames) go on the screen 60 times, never two
    // within one refresh.
    std::vector<std::uint64_t> shown = pump(pacer, 5'000'000, 6'000'000, 100);
    ASSERT_GE(shown.size(), 59u);
    ASSERT_LE(shown.size(), 60u);
    for (std::size_t i = 1; i < shown.size(); ++i)
        EXPECT_GE(shown[i] - shown[i - 1], kRefresh) << "presentation " << i;
    // Each one as soon as the refresh is due: no later than the pump after it.
    for (std::size_t i = 1; i < shown.size(); ++i)
        EXPECT_LT(shown[i] - shown[i - 1], kRefresh + 100) << "presentation " << i;
}

TEST(PresentPacer, SlowChangesGoOnTheScreenAtOnce) {
    // A program running at ten ticks a second: every change is due when it is made.
    PresentPacer pacer;
    std::vector<std::uint64_t> shown = pump(pacer, 0, 1'000'000, 100'000);
    EXPECT_EQ(shown.size(), 10u);
}

TEST(PresentPacer, SleepingPresentsTheLastPictureUnlessTheSleepEndsFirst) {
    PresentPacer pacer;
    pacer.presented(1'000'000);
    std::uint64_t now = 1'000'000 + kRefresh / 2;
    // A pump half a refresh later waits for the refresh.
    EXPECT_FALSE(pacer.due(now));
    // Going to sleep (halted: up to a second) shows the picture at once.
    EXPECT_TRUE(pacer.due_before_sleep(now, now + 1'000'000));
    // So does a sleep that ends exactly when the refresh is due.
    EXPECT_TRUE(pacer.due_before_sleep(now, 1'000'000 + kRefresh));
    // A sleep that ends before the refresh leaves it to the pump after it, which presents once
    // the refresh is due.
    EXPECT_FALSE(pacer.due_before_sleep(now, 1'000'000 + kRefresh - 1));
    EXPECT_TRUE(pacer.due(1'000'000 + kRefresh));
    // Once a refresh has passed, a sleep of any length presents, and so does a pump.
    EXPECT_TRUE(pacer.due_before_sleep(1'000'000 + kRefresh, 1'000'000 + kRefresh + 1));
}

TEST(PresentPacer, ShortSleepsBetweenChangesStillCoalesce) {
    // A fast timer (a sleep of 1 ms after each change) presents about once a refresh, not once a
    // sleep: a sleep presents only when it would outlast the next refresh, so presentations come
    // at least a refresh less one sleep apart.
    PresentPacer pacer;
    std::vector<std::uint64_t> shown;
    for (std::uint64_t t = 0; t < 1'000'000; t += 1'000) {
        if (pacer.due(t) || pacer.due_before_sleep(t, t + 1'000)) {
            pacer.presented(t);
            shown.push_back(t);
        }
    }
    EXPECT_GE(shown.size(), 59u);
    EXPECT_LE(shown.size(), 64u);
    for (std::size_t i = 1; i < shown.size(); ++i)
        EXPECT_GE(shown[i] - shown[i - 1], kRefresh - 1'000) << "presentation " << i;
}

}  // namespace

// The core applies the pacer on every backend: here on the headless backend's virtual clock, where
// polling takes no time at all.
TEST(PresentPacer, TheCorePresentsChangesAtMostOnceARefreshAndBeforeASleep) {
    plat::headless::reset();
    plat::WindowClass cls;
    cls.name = "paced";
    cls.proc = plat::def_window_proc;
    ASSERT_TRUE(plat::register_class(cls));
    plat::Window w = plat::create_window(
        "paced", "Paced", plat::ws::overlapped_window | plat::ws::visible, 0, 0, 100, 100, nullptr);
    plat::DC dc = plat::get_dc(w);
    auto change = [&](int i) {
        plat::set_pixel(dc, i % 50, 1, 0x00FF0000u + static_cast<unsigned>(i));
    };
    plat::Message m;
    while (plat::peek_message(&m)) plat::dispatch_message(m);
    std::uint64_t first = plat::headless::presentations(w);
    EXPECT_EQ(first, 1u);  // the first picture at once
    // A burst of changes with no time passing: none of them yet.
    for (int i = 0; i < 100; ++i) {
        change(i);
        plat::peek_message(&m);
    }
    EXPECT_EQ(plat::headless::presentations(w), first);
    // A refresh later, the latest one.
    plat::headless::advance(17);
    plat::peek_message(&m);
    EXPECT_EQ(plat::headless::presentations(w), first + 1);
    // A change just before the program sleeps (until its 100 ms timer) goes on the screen first.
    change(7);
    plat::set_timer(w, 1, 100);
    plat::wait_message();
    EXPECT_EQ(plat::headless::presentations(w), first + 2);
    // Nothing changed: nothing more is presented.
    plat::headless::advance(500);
    while (plat::peek_message(&m)) plat::dispatch_message(m);
    EXPECT_EQ(plat::headless::presentations(w), first + 2);
    plat::release_dc(w, dc);
    plat::headless::reset();
}
