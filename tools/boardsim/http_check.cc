#include "tools/boardsim/http_check.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/boardsim/board_config.h"

namespace boardsim {

namespace {

constexpr size_t kExcerptBefore = 12;  // bytes shown before a wrong byte
constexpr size_t kExcerptAfter = 24;   // the wrong byte and what follows

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && IsSpace(s[a])) ++a;
  while (b > a && IsSpace(s[b - 1])) --b;
  return s.substr(a, b - a);
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

std::string MultipartPreamble(const std::string& field, const std::string& filename,
                              const std::string& boundary) {
  return "--" + boundary + "\r\n" + "Content-Disposition: form-data; name=\"" + field +
         "\"; filename=\"" + filename + "\"\r\n" + "Content-Type: application/octet-stream\r\n\r\n";
}

std::string MultipartEpilogue(const std::string& boundary) {
  return "\r\n--" + boundary + "--\r\n";
}

bool VersionFromFileName(const std::string& name, uint8_t& major, uint8_t& minor) {
  size_t us = name.rfind('_');
  size_t dot = name.rfind('.');
  if (us == std::string::npos || dot == std::string::npos || dot <= us + 1) return false;
  return ParseVersion(name.substr(us + 1, dot - us - 1), major, minor);
}

std::string LogQuote(const void* data, size_t len, size_t max) {
  const auto* p = static_cast<const uint8_t*>(data);
  std::string out = "\"";
  for (size_t i = 0; i < len && i < max; ++i) {
    uint8_t c = p[i];
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buf[5];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  if (len > max) out += "...";
  return out + "\"";
}

std::string LogQuote(const std::string& s, size_t max) { return LogQuote(s.data(), s.size(), max); }

RequestCheck::RequestCheck(UploadExpect expect)
    : want_(std::move(expect)),
      preamble_(MultipartPreamble(want_.field, want_.filename, want_.boundary)),
      epilogue_(MultipartEpilogue(want_.boundary)),
      expectedSize_(preamble_.size() + want_.imageSize + epilogue_.size()) {}

void RequestCheck::Note(const std::string& problem) {
  if (problem_.empty()) problem_ = problem;
}

size_t RequestCheck::Feed(const uint8_t* data, size_t len) {
  size_t used = 0;
  if (state_ == State::Head) {
    while (used < len) {
      char c = static_cast<char>(data[used++]);
      head_ += c;
      size_t n = head_.size();
      // A blank line ends the head; a bare-LF one is taken too, so it can be named as the fault.
      if (c == '\n' && ((n >= 2 && head_[n - 2] == '\n') ||
                        (n >= 3 && head_[n - 2] == '\r' && head_[n - 3] == '\n'))) {
        ParseHead();
        break;
      }
      if (n >= kMaxHead) {
        problem_ = "header larger than " + std::to_string(kMaxHead) + " bytes";
        state_ = State::Rejected;
        return used;
      }
    }
  }
  if (state_ != State::Body) return used;
  size_t take = static_cast<size_t>(std::min<uint64_t>(len - used, length_ - received_));
  if (bodyStart_.size() < 512)
    bodyStart_.append(reinterpret_cast<const char*>(data + used),
                      std::min(take, 512 - bodyStart_.size()));
  CompareBody(data + used, take);
  received_ += take;
  if (received_ == length_) state_ = State::Complete;
  return used + take;
}

void RequestCheck::ParseHead() {
  std::vector<std::string> lines;
  size_t pos = 0;
  bool bareLf = false;
  while (pos < head_.size()) {
    size_t nl = head_.find('\n', pos);
    std::string line = head_.substr(pos, nl - pos);
    pos = nl + 1;
    if (line.empty() || line.back() != '\r')
      bareLf = true;
    else
      line.pop_back();
    lines.push_back(line);
  }
  lines.pop_back();  // the blank line that ended the head
  if (bareLf) Note("header lines end in LF without CR");

  const std::string& rl = lines.empty() ? std::string() : lines[0];
  size_t s1 = rl.find(' ');
  size_t s2 = s1 == std::string::npos ? s1 : rl.find(' ', s1 + 1);
  if (s1 == std::string::npos || s2 == std::string::npos ||
      rl.find(' ', s2 + 1) != std::string::npos) {
    Note("request line " + LogQuote(rl));
  } else {
    std::string method = rl.substr(0, s1), target = rl.substr(s1 + 1, s2 - s1 - 1),
                version = rl.substr(s2 + 1);
    if (method != "POST") Note("method " + LogQuote(method));
    if (target != kUploadPath) {
      wrongPath_ = true;
      Note("path " + LogQuote(target));
    }
    if (version != "HTTP/1.1") Note("version " + LogQuote(version));
  }

  std::string rejected;
  bool haveType = false;
  std::string type;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    size_t colon = line.find(':');
    if (line.empty()) continue;
    if (IsSpace(line[0])) {
      Note("folded header line " + LogQuote(line));
      continue;
    }
    if (colon == std::string::npos || colon == 0) {
      Note("header line " + LogQuote(line));
      continue;
    }
    std::string name = line.substr(0, colon);
    if (name.find_first_of(" \t") != std::string::npos) Note("header name " + LogQuote(name));
    std::string value = Trim(line.substr(colon + 1));
    std::string key = Lower(Trim(name));
    if (key == "content-length") {
      bool digits = !value.empty() && value.size() <= 18 &&
                    value.find_first_not_of("0123456789") == std::string::npos;
      uint64_t v = digits ? std::stoull(value) : 0;
      if (!digits)
        rejected = "Content-Length " + LogQuote(value);
      else if (hasLength_ && v != length_)
        rejected = "two different Content-Length values";
      hasLength_ = digits;
      length_ = v;
    } else if (key == "transfer-encoding") {
      // A board reads exactly Content-Length bytes; it knows no other framing.
      rejected = "Transfer-Encoding " + LogQuote(value);
    } else if (key == "content-type") {
      if (haveType) Note("two Content-Type headers");
      haveType = true;
      type = value;
    } else if (key == "user-agent") {
      hasAgent_ = true;
      agent_ = value;
    } else if (key == "expect") {
      expect_ = value;
    }
  }
  const std::string typePrefix = "multipart/form-data; boundary=";
  if (haveType && type.compare(0, typePrefix.size(), typePrefix) == 0)
    boundary_ = type.substr(typePrefix.size());
  if (want_.boundary == kAnyBoundary && !boundary_.empty() && boundary_.size() <= 70) {
    // Clients such as curl make up a boundary per request: expect the one named.
    preamble_ = MultipartPreamble(want_.field, want_.filename, boundary_);
    epilogue_ = MultipartEpilogue(boundary_);
    expectedSize_ = preamble_.size() + want_.imageSize + epilogue_.size();
  } else if (!haveType) {
    Note("no Content-Type");
  } else if (want_.boundary == kAnyBoundary || type != typePrefix + want_.boundary) {
    Note("Content-Type " + LogQuote(type, 100));
  }
  if (rejected.empty() && !hasLength_) rejected = "no Content-Length";
  if (!rejected.empty()) {
    // Why the body was not read comes first; what else was wrong may explain it.
    problem_ = problem_.empty() ? rejected : rejected + "; " + problem_;
    state_ = State::Rejected;
    return;
  }
  state_ = length_ == 0 ? State::Complete : State::Body;
}

uint8_t RequestCheck::ExpectedAt(uint64_t pos) const {
  uint64_t imageEnd = preamble_.size() + want_.imageSize;
  if (pos < preamble_.size()) return static_cast<uint8_t>(preamble_[pos]);
  if (pos < imageEnd) return want_.image[pos - preamble_.size()];
  return static_cast<uint8_t>(epilogue_[pos - imageEnd]);
}

void RequestCheck::CompareBody(const uint8_t* data, size_t len) {
  if (mismatchAt_ >= 0) {
    size_t more = std::min(len, kExcerptAfter - std::min(kExcerptAfter, mismatchGot_.size()));
    mismatchGot_.append(reinterpret_cast<const char*>(data), more);
    return;
  }
  const uint64_t imageEnd = preamble_.size() + want_.imageSize;
  size_t i = 0;
  while (i < len) {
    uint64_t pos = received_ + i;
    const uint8_t* expected = nullptr;
    uint64_t segEnd = 0;
    if (pos < preamble_.size()) {
      expected = reinterpret_cast<const uint8_t*>(preamble_.data()) + pos;
      segEnd = preamble_.size();
    } else if (pos < imageEnd) {
      expected = want_.image + (pos - preamble_.size());
      segEnd = imageEnd;
    } else if (pos < expectedSize_) {
      expected = reinterpret_cast<const uint8_t*>(epilogue_.data()) + (pos - imageEnd);
      segEnd = expectedSize_;
    }
    size_t n = expected ? static_cast<size_t>(std::min<uint64_t>(len - i, segEnd - pos)) : 0;
    if (expected && std::memcmp(expected, data + i, n) == 0) {
      i += n;
      continue;
    }
    size_t j = 0;
    while (j < n && expected[j] == data[i + j]) ++j;
    mismatchAt_ = static_cast<int64_t>(pos + j);
    size_t rest = len - i - j;
    mismatchGot_.assign(reinterpret_cast<const char*>(data + i + j), std::min(rest, kExcerptAfter));
    return;
  }
}

std::string RequestCheck::Field() const {
  const std::string key = "Content-Disposition: form-data; name=\"";
  const size_t at = bodyStart_.find(key);
  if (at == std::string::npos) return "";
  const size_t end = bodyStart_.find('"', at + key.size());
  if (end == std::string::npos) return "";
  return bodyStart_.substr(at + key.size(), end - at - key.size());
}

const char* RequestCheck::Compare() const {
  if (state_ == State::Head || (state_ == State::Rejected && received_ == 0)) return "none";
  if (mismatchAt_ >= 0)
    return static_cast<uint64_t>(mismatchAt_) >= expectedSize_ ? "long" : "differs";
  return received_ < expectedSize_ ? "short" : "match";
}

std::string RequestCheck::Problem() const {
  if (!problem_.empty()) return problem_;
  char buf[160];
  if (mismatchAt_ >= 0) {
    const uint64_t at = static_cast<uint64_t>(mismatchAt_);
    const uint64_t imageEnd = preamble_.size() + want_.imageSize;
    if (at >= expectedSize_)
      return "body goes on after the expected " + std::to_string(expectedSize_) + " bytes";
    if (at >= preamble_.size() && at < imageEnd) {
      std::snprintf(buf, sizeof buf,
                    "image byte %llu (body byte %llu) differs: got 0x%02X expected 0x%02X",
                    static_cast<unsigned long long>(at - preamble_.size()),
                    static_cast<unsigned long long>(at), static_cast<uint8_t>(mismatchGot_[0]),
                    ExpectedAt(at));
      return buf;
    }
    // Text parts: show the neighbourhood, since a wrong name shifts every later byte.
    bool pre = at < preamble_.size();
    uint64_t regionStart = pre ? 0 : imageEnd;
    uint64_t from = at - std::min<uint64_t>(at - regionStart, kExcerptBefore);
    std::string before, expected;
    for (uint64_t p = from; p < at; ++p) before += static_cast<char>(ExpectedAt(p));
    for (uint64_t p = from; p < expectedSize_ && p < at + kExcerptAfter; ++p)
      expected += static_cast<char>(ExpectedAt(p));
    std::string got = before + mismatchGot_;
    if (pre)
      std::snprintf(buf, sizeof buf, "preamble byte %llu differs",
                    static_cast<unsigned long long>(at));
    else
      std::snprintf(buf, sizeof buf, "epilogue byte %llu (body byte %llu) differs",
                    static_cast<unsigned long long>(at - imageEnd),
                    static_cast<unsigned long long>(at));
    return std::string(buf) + ": got " + LogQuote(got) + " expected " + LogQuote(expected);
  }
  if (hasLength_ && length_ != expectedSize_)
    return "Content-Length " + std::to_string(length_) + ", expected " +
           std::to_string(expectedSize_);
  return "";
}

}  // namespace boardsim
