// Reading a text file as lines, the way the address-list import needs it: a
// byte-order mark selects UTF-8 or UTF-16 (little or big endian); without
// one the bytes are in the system's code page (Windows: the ANSI code page;
// Linux: UTF-8). Lines come back as UTF-8.
#ifndef PLATFORM_TEXT_FILE_H_
#define PLATFORM_TEXT_FILE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// Larger files are refused rather than read into memory.
constexpr size_t kTextFileMaxBytes = 32u << 20;

// False when the file cannot be read; `error` then holds the reason in the
// system's own words, with the file's name.
bool ReadTextLines(const std::string& path, std::vector<std::string>* lines, std::string* error);

// The system-independent half, for the backends and the tests.
enum class TextEncoding { kSystem, kUtf8, kUtf16Le, kUtf16Be };
// The encoding a byte-order mark announces, and the mark's length.
TextEncoding DetectByteOrderMark(const uint8_t* data, size_t size, size_t* mark_length);
// UTF-16 code units to UTF-8; unpaired surrogates become U+FFFD and an odd
// last byte is dropped.
std::string Utf16BytesToUtf8(const uint8_t* data, size_t size, bool big_endian);
// Lines split at CR LF, LF or CR; a last line break opens no empty line.
std::vector<std::string> SplitTextLines(const std::string& text);
// The whole decoding: mark, encoding and lines. `system_decoder` turns bytes
// without a mark into UTF-8.
std::vector<std::string> DecodeTextLines(
    const uint8_t* data, size_t size,
    const std::function<std::string(const char* bytes, size_t size)>& system_decoder);

}  // namespace platform

#endif  // PLATFORM_TEXT_FILE_H_
