// libFuzzer target: arbitrary datagrams through the reply parser and the
// whole decoder of the main window. Each input is a run of datagrams, each
// prefixed by one byte that picks the source address and one length byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/form_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  protocol::ReplyParser whole;
  whole.ConsumeAll(data, size);
  if (static_cast<int>(whole.kind()) < -1 || static_cast<int>(whole.kind()) > 5) std::abort();

  testing_support::FormHarness h;
  h.Refresh();
  h.Select("QJ-L04(Wired)");
  size_t at = 0;
  int round = 0;
  while (at + 2 <= size) {
    const std::string from = "10.0.0." + std::to_string(data[at] % 8);
    size_t length = data[at + 1] * 3u;
    at += 2;
    if (length > size - at) length = size - at;
    h.Receive(std::vector<uint8_t>(data + at, data + at + length), from);
    at += length;
    if (++round % 4 == 0) h.loop.RunFor(1000);  // let the timers poll and retry
  }
  return 0;
}
