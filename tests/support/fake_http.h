// An HttpSession that records the request and plays a scripted board.
#ifndef TESTS_SUPPORT_FAKE_HTTP_H_
#define TESTS_SUPPORT_FAKE_HTTP_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/http_session.h"
#include "updater/update/chttp.h"

namespace testing_support {

// What the fake board does and what it saw, shared by every session a
// factory makes.
struct FakeBoardHttp {
  bool fail_open = false;
  bool refuse = false;        // the first write fails
  int fail_after_bytes = -1;  // writes fail once this much was taken
  uint32_t short_writes = 0;  // take at most this much per write (0: all)
  bool fail_response = false;
  uint32_t status = 200;
  std::map<std::string, uint32_t> status_of;  // by board address, before `status`
  std::vector<std::string> uploads;           // board addresses, in the order opened

  int sessions = 0;
  platform::HttpRequestSpec spec;
  std::vector<std::string> headers;
  uint64_t announced = 0;
  std::vector<uint8_t> body;
  std::vector<uint32_t> write_sizes;
  bool closed = false;

  update::HttpSessionFactory Factory();
};

}  // namespace testing_support

#endif  // TESTS_SUPPORT_FAKE_HTTP_H_
