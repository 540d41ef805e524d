#include "tests/support/fake_http.h"

namespace testing_support {

namespace {

class FakeSession final : public platform::HttpSession {
 public:
  explicit FakeSession(FakeBoardHttp& board) : b_(board) {}
  bool Open(const platform::HttpRequestSpec& spec) override {
    b_.spec = spec;
    b_.uploads.push_back(spec.server);
    b_.closed = false;
    return !b_.fail_open;
  }
  bool AddHeader(const std::string& line) override {
    b_.headers.push_back(line);
    return true;
  }
  bool SendRequest(uint64_t length) override {
    b_.announced = length;
    return !b_.refuse;
  }
  bool WriteData(const uint8_t* data, uint32_t length, uint32_t* written) override {
    *written = 0;
    if (b_.refuse) return false;
    if (b_.fail_after_bytes >= 0 && b_.body.size() >= static_cast<size_t>(b_.fail_after_bytes)) {
      return false;
    }
    uint32_t take = length;
    if (b_.short_writes != 0 && take > b_.short_writes) take = b_.short_writes;
    b_.body.insert(b_.body.end(), data, data + take);
    b_.write_sizes.push_back(take);
    *written = take;
    return true;
  }
  bool ReceiveResponse() override { return !b_.fail_response; }
  bool QueryStatusCode(uint32_t* status) override {
    const auto own = b_.status_of.find(b_.spec.server);
    *status = own != b_.status_of.end() ? own->second : b_.status;
    return true;
  }
  void Close() override { b_.closed = true; }

 private:
  FakeBoardHttp& b_;
};

}  // namespace

update::HttpSessionFactory FakeBoardHttp::Factory() {
  return [this]() -> std::unique_ptr<platform::HttpSession> {
    ++sessions;
    return std::make_unique<FakeSession>(*this);
  };
}

}  // namespace testing_support
