// What the backend contract tests (contract_test.cpp) need from a backend beyond the
// backend-neutral API: a fresh start, time passing, and the user's input as the native layer
// delivers it. Each backend's test build links one driver; the test bodies are the same for all of
// them.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace contract {

class Driver {
  public:
    virtual ~Driver() = default;
    // Forgets every class, window, timer and queued message.
    virtual void reset() = 0;
    // Milliseconds on the clock that timers run on.
    virtual std::uint64_t now() = 0;
    // Lets at least `ms` milliseconds pass on that clock without taking any message.
    virtual void pass_time(std::uint64_t ms) = 0;
    // A left click at a client position, made the way the user makes one; it has reached the
    // message queue when the call returns.
    virtual void click(plat::Window window, int x, int y) = 0;
    // The same click, arriving `delay_ms` from now while the program waits for messages.
    virtual void click_later(std::uint64_t delay_ms, plat::Window window, int x, int y) = 0;
    // Lets new native windows settle (mapped, framed by a window manager, exposed) before a test
    // looks at what the queue hands out.
    virtual void settle() {}
    // From now on a modal dialog waits for a user who does nothing with it, while time passes.
    virtual void leave_dialogs_alone() {}
};

// The driver of the backend that is linked in.
Driver& driver();

}  // namespace contract
