#include "platform/text_file.h"

#include "platform/utf8.h"

namespace platform {

TextEncoding DetectByteOrderMark(const uint8_t* d, size_t size, size_t* mark_length) {
  *mark_length = 0;
  if (size >= 3 && d[0] == 0xEF && d[1] == 0xBB && d[2] == 0xBF) {
    *mark_length = 3;
    return TextEncoding::kUtf8;
  }
  if (size >= 2 && d[0] == 0xFF && d[1] == 0xFE) {
    *mark_length = 2;
    return TextEncoding::kUtf16Le;
  }
  if (size >= 2 && d[0] == 0xFE && d[1] == 0xFF) {
    *mark_length = 2;
    return TextEncoding::kUtf16Be;
  }
  return TextEncoding::kSystem;
}

std::string Utf16BytesToUtf8(const uint8_t* d, size_t size, bool big_endian) {
  std::string out;
  out.reserve(size);
  const size_t units = size / 2;
  auto unit = [&](size_t i) -> uint32_t {
    return big_endian ? (d[2 * i] << 8) | d[2 * i + 1] : d[2 * i] | (d[2 * i + 1] << 8);
  };
  for (size_t i = 0; i < units; ++i) {
    const uint32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      const uint32_t low = unit(i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00), &out);
        ++i;
        continue;
      }
    }
    AppendUtf8(u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u, &out);
  }
  return out;
}

std::vector<std::string> SplitTextLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::vector<std::string> DecodeTextLines(
    const uint8_t* data, size_t size,
    const std::function<std::string(const char* bytes, size_t size)>& system_decoder) {
  size_t mark = 0;
  const TextEncoding encoding = DetectByteOrderMark(data, size, &mark);
  const uint8_t* body = data + mark;
  const size_t length = size - mark;
  switch (encoding) {
    case TextEncoding::kUtf8:
      return SplitTextLines(std::string(reinterpret_cast<const char*>(body), length));
    case TextEncoding::kUtf16Le:
      return SplitTextLines(Utf16BytesToUtf8(body, length, false));
    case TextEncoding::kUtf16Be:
      return SplitTextLines(Utf16BytesToUtf8(body, length, true));
    case TextEncoding::kSystem:
      break;
  }
  return SplitTextLines(system_decoder(reinterpret_cast<const char*>(body), length));
}

}  // namespace platform
