#include "updater/protocol/frames.h"

#include <cctype>

namespace protocol {

namespace {
constexpr RequestFrame Frame(uint8_t letter, uint8_t group, uint8_t command) {
  return RequestFrame{'K',  'A',  'V',     'R',  'O',  letter, group,
                      0x00, 0x00, command, 0x00, 0x00, 0x00,   0x00};
}
constexpr char kHex[] = "0123456789ABCDEF";
}  // namespace

const RequestFrame kSearchRequest = Frame('P', 0x00, 0x00);
const RequestFrame kExtendedSearchRequest = Frame('P', 0x03, 0x01);
const RequestFrame kBasicInfoQuery = Frame('Q', 0x00, 0x00);
const RequestFrame kModelNameQuery = Frame('Q', 0x03, 0x01);
const RequestFrame kSerialNumberQuery = Frame('Q', 0x03, 0x03);
const RequestFrame kStatusQuery = Frame('Q', 0x03, 0x10);

std::string MacText(const uint8_t* b) {
  std::string text;
  text.reserve(17);
  for (int i = 0; i < 6; ++i) {
    if (i) text += ':';
    text += kHex[b[i] >> 4];
    text += kHex[b[i] & 0xF];
  }
  return text;
}

std::string VersionText(uint8_t major, uint8_t minor) {
  std::string text;
  if (major >= 0x10) text += kHex[major >> 4];
  text += kHex[major & 0xF];
  text += '.';
  text += kHex[minor >> 4];
  text += kHex[minor & 0xF];
  return text;
}

namespace {

// ASCII only, as toupper is in the "C" locale the program runs in, without a
// library call per character: every reply compares against every record.
inline unsigned char AsciiUpper(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 'a' && u <= 'z' ? static_cast<unsigned char>(u - ('a' - 'A')) : u;
}

}  // namespace

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  // From the end: MACs of one maker, and addresses of one network, share
  // their first characters.
  for (size_t i = a.size(); i-- > 0;) {
    if (a[i] != b[i] && AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

}  // namespace protocol
