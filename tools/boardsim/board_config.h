// Settings of one simulated interface board and the parser for the
// "key=value,key=value" text that describes it on the command line, in a
// config file and in the control file.
#ifndef TOOLS_BOARDSIM_BOARD_CONFIG_H_
#define TOOLS_BOARDSIM_BOARD_CONFIG_H_

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace boardsim {

// The six requests a board understands. Count doubles as "not a request".
enum class Request { Search, ExtSearch, Basic, Model, Serial, Status, Count };

const char* RequestName(Request r);
std::optional<Request> RequestFromName(const std::string& name);

enum class Form { Classic, Newer };

constexpr uint16_t kBoardPort = 3289;
constexpr uint16_t kWrongPort = 3290;

struct Faults {
  bool silent = false;
  bool truncated = false;    // announce full length, send only `cut` data bytes
  bool wrongPort = false;    // reply from kWrongPort instead of kBoardPort
  bool trailing = false;     // append `trail` stray bytes after the frame
  bool lenMinusOne = false;  // length field one less than the data sent
  unsigned ignoreMask = 0;   // bit (1 << Request) set: that request is not answered
};

// How the board's web server treats a firmware upload.
enum class HttpMode {
  Ok,        // check the request, answer 200 (400/404 when it is wrong), then restart
  Error500,  // read the body, answer 500
  Refuse,    // nothing listens on port 80: connection refused
  Reset,     // reset the connection after `resetAt` body bytes
  NoAnswer,  // read the body, never answer, keep the connection open
  SlowBody,  // answer a 200 head whose body never comes, keep the connection, then restart
  CutShort,  // answer a 200 head, a few of its announced body bytes, close, then restart
  NoCode,    // answer with a status line without a code ("HTTP/ OK"); no restart
  Continue,  // an unasked "100 Continue" before the 200 of Ok, then restart
  Redirect,  // read the body, answer 302 with a Location; no restart
  Unauthorized,  // read the body, answer 401; no restart
};

const char* HttpModeName(HttpMode m);

constexpr int64_t kNever = INT64_MAX;  // downUntilMs of a board that never comes back

struct Board {
  uint32_t ip = 0;  // host byte order
  std::array<uint8_t, 6> mac{};
  uint8_t versionMajor = 0x05;
  uint8_t versionMinor = 0x00;
  uint8_t typeNumber = 4;
  uint8_t typeSecond = 0;
  Form form = Form::Classic;
  uint8_t kind = 4;                   // data byte 61 of the newer form
  std::optional<std::string> prefix;  // data bytes 0..; default depends on form
  std::optional<uint16_t> result;     // basic reply result; default depends on form
  std::string model = "QJ-L04";
  std::string printer = "RECEIPT PRINTER";
  std::string serial;  // default derived from the MAC
  uint8_t status = 0x00;
  Faults faults;
  size_t cut = 30;
  size_t trail = 1;
  size_t size = 0;  // 0: natural size; else every reply resized to this many bytes
  unsigned delayMs = 0;

  // Firmware upload over HTTP.
  HttpMode http = HttpMode::Ok;
  uint64_t resetAt = 1 << 20;
  uint64_t rateBytesPerSec = 0;                      // 0: as fast as the client sends
  int64_t restartMs = 20000;                         // kNever: the board does not come back
  std::optional<std::array<uint8_t, 2>> newVersion;  // unset: the version the image brings
  std::optional<std::string> field;                  // unset: the simulator-wide expectation
  std::optional<std::string> filename;

  // Run-time state.
  int64_t downUntilMs = 0;  // answers nothing until this time (ms since start); kNever: for good

  std::string PrefixText() const {
    return prefix ? *prefix : (form == Form::Classic ? "QJ-L" : "");
  }
  uint16_t BasicResult() const {
    return result ? *result : (form == Form::Classic ? 0x0000 : 0xE000);
  }
};

// Builds a board from a full description; "ip" is required.
bool ParseBoard(const std::string& desc, Board& out, std::string& err);

// Applies settings to an existing board (used at run time); "ip" and "mac"
// may not change there because they identify the board.
bool ApplySettings(Board& b, const std::string& desc, int64_t nowMs, bool initial,
                   std::string& err);

// Splits "a=1,b=2" into pairs; a backslash escapes a comma or backslash.
bool SplitSettings(const std::string& desc, std::vector<std::pair<std::string, std::string>>& out,
                   std::string& err);

bool ParseIpv4(const std::string& s, uint32_t& out);
bool ParseMac(const std::string& s, std::array<uint8_t, 6>& out);
bool ParseVersion(const std::string& s, uint8_t& major, uint8_t& minor);

std::string IpText(uint32_t ip);
std::string MacText(const std::array<uint8_t, 6>& mac);
std::string VersionText(uint8_t major, uint8_t minor);
std::string FaultsText(const Faults& f);
// "ok", "500", ... plus the settings that go with the mode, for the log.
std::string HttpText(const Board& b);

}  // namespace boardsim

#endif  // TOOLS_BOARDSIM_BOARD_CONFIG_H_
