// The contract tests' driver for the headless backend: virtual time and injected input.
#include "contract_driver.h"
#include "platform/headless/headless.h"

namespace contract {
namespace {

class HeadlessDriver final : public Driver {
  public:
    void reset() override { plat::headless::reset(); }
    std::uint64_t now() override { return plat::headless::now(); }
    void pass_time(std::uint64_t ms) override { plat::headless::advance(ms); }
    void click(plat::Window window, int x, int y) override { plat::headless::click(window, x, y); }
    void click_later(std::uint64_t delay_ms, plat::Window window, int x, int y) override {
        plat::headless::after(delay_ms, [=] { plat::headless::click(window, x, y); });
    }
    void leave_dialogs_alone() override {
        plat::headless::set_dialog_responder([](plat::headless::DialogControl& d) { d.wait(10); });
    }
};

}  // namespace

Driver& driver() {
    static HeadlessDriver d;
    return d;
}

}  // namespace contract
