#include "platform/profile_text.h"

#include <cstdint>

#include "platform/utf8.h"

namespace platform {
namespace {

bool IsProfileSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1a'; }

std::string_view TrimLeft(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && IsProfileSpace(s[i])) ++i;
  return s.substr(i);
}

std::string_view TrimRight(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && IsProfileSpace(s[n - 1])) --n;
  return s.substr(0, n);
}

std::string_view Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

// Names and values are C strings once read.
std::string_view CutAtNul(std::string_view s) {
  const size_t nul = s.find('\0');
  return nul == std::string_view::npos ? s : s.substr(0, nul);
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::string Utf16ToUtf8(std::string_view bytes, bool big_endian) {
  std::string out;
  out.reserve(bytes.size());
  const size_t units = bytes.size() / 2;  // an odd last byte is no unit
  auto unit = [&](size_t i) -> uint32_t {
    const auto hi = static_cast<uint8_t>(bytes[2 * i + (big_endian ? 0 : 1)]);
    const auto lo = static_cast<uint8_t>(bytes[2 * i + (big_endian ? 1 : 0)]);
    return (static_cast<uint32_t>(hi) << 8) | lo;
  };
  for (size_t i = 0; i < units; ++i) {
    uint32_t cp = unit(i);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;  // a lone surrogate has no UTF-8 form
    }
    AppendUtf8(cp, &out);
  }
  return out;
}

}  // namespace

std::string ProfileBytesToText(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    return std::string(bytes.substr(3));
  }
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") {
    return Utf16ToUtf8(bytes.substr(2), false);
  }
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") {
    return Utf16ToUtf8(bytes.substr(2), true);
  }
  return std::string(bytes);
}

std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key) {
  section = Trim(CutAtNul(section));
  key = Trim(CutAtNul(key));
  if (key.empty()) return std::nullopt;

  bool in_section = section.empty();  // lines before any header
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = TrimLeft(text.substr(pos, end - pos));
    pos = end + 1;

    if (!line.empty() && line[0] == '[') {
      const size_t close = line.rfind(']');
      if (close != 0 && close != std::string_view::npos) {
        // Only the first section of the name is searched.
        if (in_section) return std::nullopt;
        in_section = SameName(CutAtNul(Trim(line.substr(1, close - 1))), section);
        continue;
      }
    }
    if (!in_section) continue;

    const std::string_view content = TrimRight(line);
    const size_t eq = content.find('=');
    const std::string_view name =
        eq == std::string_view::npos ? content : TrimRight(content.substr(0, eq));
    if (!SameName(CutAtNul(name), key)) continue;
    if (eq == std::string_view::npos) return std::nullopt;  // the key, without a value

    std::string_view value = CutAtNul(TrimLeft(content.substr(eq + 1)));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
  }
  return std::nullopt;
}

std::string FitProfileBuffer(const std::string& value, size_t capacity) {
  if (capacity == 0) return std::string();
  const size_t room = capacity - 1;
  size_t units = 0;
  size_t i = 0;
  while (i < value.size()) {
    const auto lead = static_cast<uint8_t>(value[i]);
    size_t bytes = 1;
    size_t need = 1;
    if (lead >= 0xF0 && lead <= 0xF4) {
      bytes = 4;
      need = 2;  // a surrogate pair
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      bytes = 3;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      bytes = 2;
    }
    if (i + bytes > value.size()) bytes = value.size() - i;
    if (units + need > room) break;
    units += need;
    i += bytes;
  }
  return value.substr(0, i);
}

}  // namespace platform
