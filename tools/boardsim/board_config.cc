#include "tools/boardsim/board_config.h"

#include <cstdio>

namespace boardsim {

namespace {

const char* const kRequestNames[] = {"search", "extsearch", "basic", "model", "serial", "status"};

// Text fields live at fixed offsets of the reply data; each keeps room for its NUL.
constexpr size_t kMaxPrefix = 36;   // data 0..35, before the type number
constexpr size_t kMaxModel = 35;    // data 6..41, before the printer name
constexpr size_t kMaxPrinter = 63;  // data 42..105
constexpr size_t kMaxSerial = 31;   // data 6..37

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHexByte(const std::string& s, uint8_t& out) {
  if (s.empty() || s.size() > 2) return false;
  int v = 0;
  for (char c : s) {
    int d = HexDigit(c);
    if (d < 0) return false;
    v = v * 16 + d;
  }
  out = static_cast<uint8_t>(v);
  return true;
}

// Decimal or 0x-prefixed hexadecimal, no sign, within [0, max].
bool ParseNumber(const std::string& s, unsigned long max, unsigned long& out) {
  bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
  size_t i = hex ? 2 : 0;
  if (i == s.size()) return false;
  unsigned long v = 0;
  for (; i < s.size(); ++i) {
    int d = hex ? HexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
    if (d < 0) return false;
    v = v * (hex ? 16 : 10) + static_cast<unsigned long>(d);
    if (v > max) return false;
  }
  out = v;
  return true;
}

bool HasNul(const std::string& s) { return s.find('\0') != std::string::npos; }

// Field and file names go into a quoted header of the body; line breaks could never match there.
bool UsableFormName(const std::string& s) {
  return !s.empty() && s.size() <= 255 &&
         s.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

const char* const kHttpModeNames[] = {"ok",       "500",      "refuse",   "reset",
                                      "noanswer", "slowbody", "cutshort", "nocode",
                                      "continue", "302",      "401"};

}  // namespace

const char* HttpModeName(HttpMode m) { return kHttpModeNames[static_cast<size_t>(m)]; }

std::string HttpText(const Board& b) {
  std::string s = HttpModeName(b.http);
  if (b.http == HttpMode::Reset) s += " resetat=" + std::to_string(b.resetAt);
  if (b.rateBytesPerSec) s += " rate=" + std::to_string(b.rateBytesPerSec);
  s += " restart=" + (b.restartMs == kNever ? std::string("never") : std::to_string(b.restartMs));
  if (b.newVersion) s += " newversion=" + VersionText((*b.newVersion)[0], (*b.newVersion)[1]);
  if (b.field) s += " field=\"" + *b.field + "\"";
  if (b.filename) s += " filename=\"" + *b.filename + "\"";
  return s;
}

const char* RequestName(Request r) {
  auto i = static_cast<size_t>(r);
  return i < static_cast<size_t>(Request::Count) ? kRequestNames[i] : "ignored";
}

std::optional<Request> RequestFromName(const std::string& name) {
  for (size_t i = 0; i < static_cast<size_t>(Request::Count); ++i)
    if (name == kRequestNames[i]) return static_cast<Request>(i);
  return std::nullopt;
}

bool ParseIpv4(const std::string& s, uint32_t& out) {
  uint32_t v = 0;
  int parts = 0;
  size_t i = 0;
  while (parts < 4) {
    size_t start = i;
    unsigned part = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - start < 3)
      part = part * 10 + (s[i++] - '0');
    if (i == start || part > 255) return false;
    v = (v << 8) | part;
    ++parts;
    if (parts < 4) {
      if (i >= s.size() || s[i] != '.') return false;
      ++i;
    }
  }
  if (i != s.size()) return false;
  out = v;
  return true;
}

bool ParseMac(const std::string& s, std::array<uint8_t, 6>& out) {
  if (s.size() != 17) return false;
  std::array<uint8_t, 6> m{};
  for (size_t k = 0; k < 6; ++k) {
    if (k > 0 && s[k * 3 - 1] != ':' && s[k * 3 - 1] != '-') return false;
    if (!ParseHexByte(s.substr(k * 3, 2), m[k])) return false;
  }
  out = m;
  return true;
}

bool ParseVersion(const std::string& s, uint8_t& major, uint8_t& minor) {
  size_t dot = s.find('.');
  if (dot == std::string::npos) return ParseHexByte(s, major) && ((minor = 0), true);
  uint8_t a = 0, b = 0;
  if (!ParseHexByte(s.substr(0, dot), a) || !ParseHexByte(s.substr(dot + 1), b)) return false;
  major = a;
  minor = b;
  return true;
}

std::string IpText(uint32_t ip) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", ip >> 24, (ip >> 16) & 0xFF, (ip >> 8) & 0xFF,
                ip & 0xFF);
  return buf;
}

std::string MacText(const std::array<uint8_t, 6>& m) {
  char buf[18];
  std::snprintf(buf, sizeof buf, "%02X:%02X:%02X:%02X:%02X:%02X", m[0], m[1], m[2], m[3], m[4],
                m[5]);
  return buf;
}

std::string VersionText(uint8_t major, uint8_t minor) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%X.%02X", major, minor);
  return buf;
}

std::string FaultsText(const Faults& f) {
  std::string s;
  auto add = [&s](const char* n) { s += s.empty() ? n : std::string("+") + n; };
  if (f.silent) add("silent");
  if (f.truncated) add("truncated");
  if (f.wrongPort) add("wrongport");
  if (f.trailing) add("trailing");
  if (f.lenMinusOne) add("lenminus1");
  for (size_t i = 0; i < static_cast<size_t>(Request::Count); ++i)
    if (f.ignoreMask & (1u << i)) add((std::string("no") + kRequestNames[i]).c_str());
  return s.empty() ? "none" : s;
}

bool SplitSettings(const std::string& desc, std::vector<std::pair<std::string, std::string>>& out,
                   std::string& err) {
  out.clear();
  std::vector<std::string> items(1);
  for (size_t i = 0; i < desc.size(); ++i) {
    char c = desc[i];
    if (c == '\\' && i + 1 < desc.size() && (desc[i + 1] == ',' || desc[i + 1] == '\\')) {
      items.back() += desc[++i];
    } else if (c == ',') {
      items.emplace_back();
    } else {
      items.back() += c;
    }
  }
  for (const auto& item : items) {
    if (item.empty()) continue;
    size_t eq = item.find('=');
    if (eq == std::string::npos || eq == 0) {
      err = "expected key=value, got '" + item + "'";
      return false;
    }
    out.emplace_back(item.substr(0, eq), item.substr(eq + 1));
  }
  return true;
}

static bool ParseFaults(const std::string& v, Faults& f, std::string& err) {
  Faults n;
  size_t start = 0;
  while (start <= v.size()) {
    size_t plus = v.find('+', start);
    std::string name =
        v.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
    if (name == "silent")
      n.silent = true;
    else if (name == "truncated")
      n.truncated = true;
    else if (name == "wrongport")
      n.wrongPort = true;
    else if (name == "trailing")
      n.trailing = true;
    else if (name == "lenminus1")
      n.lenMinusOne = true;
    else if (name.size() > 2 && name.compare(0, 2, "no") == 0 && RequestFromName(name.substr(2)))
      n.ignoreMask |= 1u << static_cast<unsigned>(*RequestFromName(name.substr(2)));
    else if (name != "none") {
      err = "unknown fault '" + name + "'";
      return false;
    }
    if (plus == std::string::npos) break;
    start = plus + 1;
  }
  f = n;
  return true;
}

bool ApplySettings(Board& b, const std::string& desc, int64_t nowMs, bool initial,
                   std::string& err) {
  std::vector<std::pair<std::string, std::string>> kv;
  if (!SplitSettings(desc, kv, err)) return false;
  Board n = b;  // all or nothing: a bad key leaves the board unchanged
  for (const auto& [key, value] : kv) {
    unsigned long num = 0;
    bool ok = true;
    if ((key == "ip" || key == "mac") && !initial) {
      err = "'" + key + "' cannot change at run time";
      return false;
    }
    if (key == "ip")
      ok = ParseIpv4(value, n.ip);
    else if (key == "mac")
      ok = ParseMac(value, n.mac);
    else if (key == "version")
      ok = ParseVersion(value, n.versionMajor, n.versionMinor);
    else if (key == "type")
      ok = ParseVersion(value, n.typeNumber, n.typeSecond);
    else if (key == "form") {
      ok = value == "classic" || value == "newer";
      n.form = value == "newer" ? Form::Newer : Form::Classic;
    } else if (key == "kind")
      ok = ParseNumber(value, 0xFF, num) && ((n.kind = static_cast<uint8_t>(num)), true);
    else if (key == "prefix")
      ok = value.size() <= kMaxPrefix && !HasNul(value) && ((n.prefix = value), true);
    else if (key == "result")
      ok = ParseNumber(value, 0xFFFF, num) && ((n.result = static_cast<uint16_t>(num)), true);
    else if (key == "model")
      ok = value.size() <= kMaxModel && ((n.model = value), true);
    else if (key == "printer")
      ok = value.size() <= kMaxPrinter && ((n.printer = value), true);
    else if (key == "serial")
      ok = value.size() <= kMaxSerial && ((n.serial = value), true);
    else if (key == "status")
      ok = ParseNumber(value, 0xFF, num) && ((n.status = static_cast<uint8_t>(num)), true);
    else if (key == "ready") {
      ok = value == "0" || value == "1";
      n.status = static_cast<uint8_t>(value == "1" ? (n.status & ~0x10) : (n.status | 0x10));
    } else if (key == "fault") {
      if (!ParseFaults(value, n.faults, err)) return false;
    } else if (key == "cut")
      ok = ParseNumber(value, 65535, num) && ((n.cut = num), true);
    else if (key == "trail")
      ok = ParseNumber(value, 1024, num) && ((n.trail = num), true);
    // A reply must keep its 14-byte header; 65507 is the largest UDP payload over IPv4.
    else if (key == "size")
      ok = ParseNumber(value, 65507, num) && (num == 0 || num >= 14) && ((n.size = num), true);
    else if (key == "delay")
      ok = ParseNumber(value, 600000, num) && ((n.delayMs = static_cast<unsigned>(num)), true);
    else if (key == "down")
      ok = ParseNumber(value, 86400000, num) &&
           ((n.downUntilMs = nowMs + static_cast<int64_t>(num)), true);
    else if (key == "http") {
      ok = false;
      for (size_t i = 0; i < sizeof kHttpModeNames / sizeof *kHttpModeNames; ++i)
        if (value == kHttpModeNames[i]) {
          n.http = static_cast<HttpMode>(i);
          ok = true;
        }
    } else if (key == "resetat")
      ok = ParseNumber(value, 1ul << 40, num) && ((n.resetAt = num), true);
    else if (key == "rate")
      ok = ParseNumber(value, 1ul << 40, num) && ((n.rateBytesPerSec = num), true);
    else if (key == "restart") {
      if (value == "never")
        n.restartMs = kNever;
      else
        ok = ParseNumber(value, 86400000, num) && ((n.restartMs = static_cast<int64_t>(num)), true);
    } else if (key == "newversion") {
      std::array<uint8_t, 2> v{};
      ok = ParseVersion(value, v[0], v[1]) && ((n.newVersion = v), true);
    } else if (key == "field")
      ok = UsableFormName(value) && ((n.field = value), true);
    else if (key == "filename")
      ok = UsableFormName(value) && ((n.filename = value), true);
    else {
      err = "unknown key '" + key + "'";
      return false;
    }
    if (!ok) {
      err = "bad value for '" + key + "': '" + value + "'";
      return false;
    }
  }
  b = n;
  return true;
}

bool ParseBoard(const std::string& desc, Board& out, std::string& err) {
  Board b;
  std::vector<std::pair<std::string, std::string>> kv;
  if (!SplitSettings(desc, kv, err)) return false;
  bool haveIp = false, haveMac = false;
  for (const auto& p : kv) {
    haveIp |= p.first == "ip";
    haveMac |= p.first == "mac";
  }
  if (!haveIp) {
    err = "board needs ip=";
    return false;
  }
  if (!ApplySettings(b, desc, 0, true, err)) return false;
  if (!haveMac) {
    // A locally administered address that shows the board's IP in its last bytes.
    b.mac = {0x02,
             0x00,
             static_cast<uint8_t>(b.ip >> 24),
             static_cast<uint8_t>(b.ip >> 16),
             static_cast<uint8_t>(b.ip >> 8),
             static_cast<uint8_t>(b.ip)};
  }
  if (b.serial.empty()) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "SN%02X%02X%02X%02X", b.mac[2], b.mac[3], b.mac[4], b.mac[5]);
    b.serial = buf;
  }
  out = b;
  return true;
}

}  // namespace boardsim
