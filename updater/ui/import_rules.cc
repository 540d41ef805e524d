#include "updater/ui/import_rules.h"

namespace ui {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal value of the digits, saturated just above 255 so that any number
// of digits neither overflows nor wraps into range.
int SaturatedValue(const std::string& digits) {
  int value = 0;
  for (char c : digits) {
    if (!IsDigit(c)) continue;
    value = value * 10 + (c - '0');
    if (value > 255) return 256;
  }
  return value;
}

}  // namespace

size_t Utf16Length(const std::string& utf8) {
  size_t n = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) ++n;  // a lead byte starts a character
    if (c >= 0xF0) ++n;           // outside the basic plane: a surrogate pair
  }
  return n;
}

bool ImportLineAddress(const std::string& line, std::string* address) {
  if (Utf16Length(line) > kImportLineMaxChars) return false;
  int dots = 0;
  for (char c : line) {
    if (c == '.') {
      ++dots;
    } else if (!IsDigit(c)) {
      return false;  // any other character, also any byte of a non-ASCII one
    }
  }
  if (dots != 3) return false;
  std::string out;
  size_t start = 0;
  for (int part = 0; part < 4; ++part) {
    const size_t end = part < 3 ? line.find('.', start) : line.size();
    const int value = SaturatedValue(line.substr(start, end - start));
    if (value > 255) return false;
    if (part > 0) out += '.';
    out += std::to_string(value);
    start = end + 1;
  }
  *address = out;
  return true;
}

bool IpBoxAcceptsChar(int code) {
  return (code >= '0' && code <= '9') || (code >= 1 && code <= 31);
}

std::string NormaliseIpBox(const std::string& text) {
  const int value = SaturatedValue(text);
  return std::to_string(value > 255 ? 255 : value);
}

std::string JoinIpBoxes(const std::array<std::string, 4>& boxes) {
  return boxes[0] + "." + boxes[1] + "." + boxes[2] + "." + boxes[3];
}

}  // namespace ui
