// The test view is the headless view: it records what the window would
// show and answers questions from a queue.
#ifndef TESTS_SUPPORT_TEST_VIEW_H_
#define TESTS_SUPPORT_TEST_VIEW_H_

#include "updater/ui/headless_view.h"

namespace testing_support {

using TestView = ui::HeadlessView;

}  // namespace testing_support

#endif  // TESTS_SUPPORT_TEST_VIEW_H_
