// The test view: the headless view (it records what the window would show
// and answers questions from a queue), whose questions can behave as modal
// boxes do. A box's own message loop keeps running timers and socket
// messages while it is open, so handlers run nested inside the one that
// asked; `while_open` lets a test deliver something at exactly that moment.
#ifndef TESTS_SUPPORT_TEST_VIEW_H_
#define TESTS_SUPPORT_TEST_VIEW_H_

#include <cstdint>
#include <functional>
#include <string>

#include "tests/support/virtual_loop.h"
#include "updater/ui/headless_view.h"

namespace testing_support {

class TestView final : public ui::HeadlessView {
 public:
  explicit TestView(VirtualLoop& loop) : loop_(loop) {}

  // Off: a question returns at once, as in most tests. On: each question
  // stays open for `open_ms` of virtual time, pumping the loop.
  bool modal = false;
  uint32_t open_ms = 100;
  // Runs inside each open question (modal only), with its index.
  std::function<void(size_t question)> while_open;

  ui::Answer Ask(const std::string& text, const std::string& caption, ui::AskKind icon,
                 ui::AskButtons buttons) override {
    const ui::Answer answer = HeadlessView::Ask(text, caption, icon, buttons);
    if (modal) {
      const size_t index = questions.size() - 1;
      if (while_open) while_open(index);
      loop_.RunFor(open_ms);
    }
    return answer;
  }

 private:
  VirtualLoop& loop_;
};

}  // namespace testing_support

#endif  // TESTS_SUPPORT_TEST_VIEW_H_
