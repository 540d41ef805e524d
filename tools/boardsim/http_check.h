// The board's view of a firmware upload: the HTTP request head and every
// byte of the multipart body, checked as they arrive in whatever pieces the
// network delivers. No sockets here, so the checks run in unit tests.
#ifndef TOOLS_BOARDSIM_HTTP_CHECK_H_
#define TOOLS_BOARDSIM_HTTP_CHECK_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace boardsim {

constexpr char kUploadPath[] = "/fwupdate/cgi-bin/fwupdate.cgi";
constexpr char kBoundary[] = "---------------------------7dd1963540348";
constexpr size_t kMaxHead = 8192;  // request line and headers together
// UploadExpect::boundary that takes whatever boundary the request names.
constexpr char kAnyBoundary[] = "any";

// What the board expects to receive.
struct UploadExpect {
  std::string field = "rcc";
  std::string filename = "l04_05.12.rcc";
  const uint8_t* image = nullptr;  // not owned; usually a mapped file
  uint64_t imageSize = 0;
  // The multipart boundary the Content-Type must name, or kAnyBoundary.
  std::string boundary = kBoundary;
};

std::string MultipartPreamble(const std::string& field, const std::string& filename,
                              const std::string& boundary = kBoundary);
std::string MultipartEpilogue(const std::string& boundary = kBoundary);

// The version a file name such as "l04_05.12.rcc" carries: the text between
// the last '_' and the last '.', read as by ParseVersion.
bool VersionFromFileName(const std::string& name, uint8_t& major, uint8_t& minor);

// Bytes as a quoted log value: printable ASCII kept, '"' and '\' escaped,
// the rest as \r, \n or \xNN; at most `max` bytes of input, "..." when cut.
std::string LogQuote(const void* data, size_t len, size_t max = 64);
std::string LogQuote(const std::string& s, size_t max = 64);

class RequestCheck {
 public:
  enum class State {
    Head,      // reading the request line and headers
    Body,      // reading Content-Length bytes
    Complete,  // the whole body is in
    Rejected,  // no way to read a body (no length, chunked, head too big)
  };

  explicit RequestCheck(UploadExpect expect);

  // Takes bytes of the request and returns how many it used: in Complete and
  // Rejected it uses none, so what is left over follows the request.
  size_t Feed(const uint8_t* data, size_t len);

  State state() const { return state_; }
  // Complete and nothing wrong.
  bool Ok() const { return state_ == State::Complete && !HasProblem(); }
  bool HasProblem() const { return !problem_.empty() || mismatchAt_ >= 0; }
  // The first thing found wrong, empty when none (yet).
  std::string Problem() const;
  // The status a board answers a wrong request with: 404 for another path, else 400.
  int BadStatus() const { return wrongPath_ ? 404 : 400; }

  // "match" (complete, every byte as expected), "differs", "short" (all bytes
  // so far as expected, fewer than expected), "long" (more than expected) or
  // "none" (no body read).
  const char* Compare() const;

  uint64_t BodyReceived() const { return received_; }
  uint64_t ExpectedBodySize() const { return expectedSize_; }
  bool HasLength() const { return hasLength_; }
  uint64_t ContentLength() const { return length_; }
  size_t HeadBytes() const { return head_.size(); }
  bool HasAgent() const { return hasAgent_; }
  const std::string& Agent() const { return agent_; }
  const std::string& Expect() const { return expect_; }
  // The boundary the request's Content-Type named ("" when none) and the
  // form field name its body announced ("" until that part is in).
  const std::string& Boundary() const { return boundary_; }
  std::string Field() const;

 private:
  void ParseHead();
  void Note(const std::string& problem);
  uint8_t ExpectedAt(uint64_t pos) const;
  void CompareBody(const uint8_t* data, size_t len);

  UploadExpect want_;
  std::string preamble_, epilogue_;
  uint64_t expectedSize_ = 0;

  State state_ = State::Head;
  std::string head_;
  std::string problem_;
  bool wrongPath_ = false;
  bool hasLength_ = false;
  uint64_t length_ = 0;
  bool hasAgent_ = false;
  std::string agent_, expect_;
  std::string boundary_;
  std::string bodyStart_;  // the first bytes of the body, for Field()

  uint64_t received_ = 0;
  int64_t mismatchAt_ = -1;  // body offset of the first wrong byte
  std::string mismatchGot_;  // received bytes from there on, a few
};

}  // namespace boardsim

#endif  // TOOLS_BOARDSIM_HTTP_CHECK_H_
