// When changed surfaces go on the screen, on every backend. The library copies its picture into a
// window's surface as often as it likes (every event of an unpaced playback); handing each copy to
// the screen (the X server, Windows, the browser) would cost far more than drawing it. Changed
// surfaces go on the screen at most once a display refresh while they keep changing, and at once
// when the program is about to sleep, so that the last picture is always shown: a halted or slowly
// running program looks as if every copy were presented. A sleep that ends before the next refresh
// is due presents nothing; the pump after it presents once the refresh is due.
#pragma once

#include <cstdint>

namespace plat {

class PresentPacer {
  public:
    // One refresh of a 60 Hz display, in microseconds.
    static constexpr std::uint64_t kRefreshMicros = 16'667;

    // Whether changed surfaces go on the screen at a pump at `now` (microseconds on any steady
    // clock): at the first presentation, then once a refresh has passed since the last one.
    bool due(std::uint64_t now) const { return !presented_ || now >= last_ + kRefreshMicros; }

    // Whether changed surfaces go on the screen before a sleep from `now` until `wake`: when they
    // are due, or when the sleep lasts until the next refresh would be due.
    bool due_before_sleep(std::uint64_t now, std::uint64_t wake) const {
        return due(now) || wake >= last_ + kRefreshMicros;
    }

    void presented(std::uint64_t now) {
        last_ = now;
        presented_ = true;
    }

  private:
    std::uint64_t last_ = 0;
    bool presented_ = false;
};

}  // namespace plat
