// One code point appended as UTF-8: the one encoder for every reader that
// turns UTF-16 or numeric references into the core's UTF-8 text.
#ifndef PLATFORM_UTF8_H_
#define PLATFORM_UTF8_H_

#include <cstdint>
#include <string>

namespace platform {

// Encodes `code` as it is; a caller that may hold a surrogate or a value
// past U+10FFFF decides first what to put in its place.
inline void AppendUtf8(uint32_t code, std::string* out) {
  if (code < 0x80) {
    out->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code >> 6)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace platform

#endif  // PLATFORM_UTF8_H_
