#include "tools/boardsim/control.h"

#include <cstdio>

namespace boardsim {

namespace {

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

bool Matches(const std::string& sel, size_t index, const Board& b) {
  if (sel == "*") return true;
  if (sel.find_first_not_of("0123456789") == std::string::npos)
    return std::to_string(index + 1) == sel;
  std::array<uint8_t, 6> mac{};
  if (ParseMac(sel, mac)) return mac == b.mac;
  uint32_t ip = 0;
  return ParseIpv4(sel, ip) && ip == b.ip;
}

std::string Describe(const Board& b) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "board=%s mac=%s version=%s status=0x%02X fault=%s",
                IpText(b.ip).c_str(), MacText(b.mac).c_str(),
                VersionText(b.versionMajor, b.versionMinor).c_str(), b.status,
                FaultsText(b.faults).c_str());
  return buf + (" http=" + HttpText(b));
}

}  // namespace

int ApplyControlText(const std::string& text, std::vector<Board>& boards, int64_t nowMs,
                     const LogFn& log) {
  int errors = 0;
  size_t lineNo = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    std::string line =
        Trim(text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos));
    pos = nl == std::string::npos ? text.size() : nl + 1;
    ++lineNo;
    if (line.empty() || line[0] == '#') continue;
    size_t sp = line.find_first_of(" \t");
    std::string sel = line.substr(0, sp);
    std::string settings = sp == std::string::npos ? "" : Trim(line.substr(sp));
    bool any = false;
    std::string err;
    for (size_t i = 0; i < boards.size() && err.empty(); ++i) {
      if (!Matches(sel, i, boards[i])) continue;
      any = true;
      if (ApplySettings(boards[i], settings, nowMs, false, err)) log("set " + Describe(boards[i]));
    }
    if (!any && err.empty()) err = "no board matches '" + sel + "'";
    if (!err.empty()) {
      log("control error line=" + std::to_string(lineNo) + " " + err);
      ++errors;
    }
  }
  return errors;
}

void ToggleReadiness(std::vector<Board>& boards, const LogFn& log) {
  for (Board& b : boards) {
    b.status ^= 0x10;
    log("set " + Describe(b));
  }
}

}  // namespace boardsim
