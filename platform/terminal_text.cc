#include "platform/terminal_text.h"

#include <cstdint>

namespace platform {
namespace {

// Length of the well-formed UTF-8 sequence at `at` (shortest form, no
// surrogate, at most U+10FFFF), or 0; its code point in `code`.
size_t SequenceAt(std::string_view text, size_t at, uint32_t* code) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[at + i]); };
  const uint8_t lead = byte(0);
  size_t length = 0;
  uint32_t min = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, min = 0x80, *code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, min = 0x800, *code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, min = 0x10000, *code = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - at < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    *code = (*code << 6) | (byte(i) & 0x3F);
  }
  if (*code < min || *code > 0x10FFFF || (*code >= 0xD800 && *code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string TerminalText(std::string_view text, bool keep_line_feeds) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<uint8_t>(text[i]);
    if (c < 0x80) {
      const bool control = c < 0x20 || c == 0x7F;
      out.push_back(control && !(keep_line_feeds && c == '\n') ? '?' : static_cast<char>(c));
      ++i;
      continue;
    }
    uint32_t code = 0;
    const size_t length = SequenceAt(text, i, &code);
    if (length == 0 || code <= 0x9F) {
      // One mark per stray byte, one per C1 control.
      out.push_back('?');
      i += length == 0 ? 1 : length;
      continue;
    }
    out.append(text.substr(i, length));
    i += length;
  }
  return out;
}

}  // namespace platform
