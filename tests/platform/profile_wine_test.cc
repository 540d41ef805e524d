// Windows only: the portable reader of platform/profile_text.h against the
// real GetPrivateProfileStringW, on the same files. Under Wine this is what
// keeps the Linux reader honest.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/profile.h"
#include "platform/profile_text.h"
#include "tests/platform/profile_cases.h"

namespace {

namespace fs = std::filesystem;

std::string AnsiToUtf8(const std::string& bytes) {
  if (bytes.empty()) return bytes;
  const int n =
      MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &wide[0], n);
  const int m = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(m), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, &out[0], m, nullptr, nullptr);
  return out;
}

// The portable reader fed as Windows feeds itself: text with a byte-order
// mark decoded, any other text taken in the ANSI code page.
std::string Portable(const std::string& bytes, const char* section, const char* key) {
  const bool bom = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ||
                   bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0;
  const std::string text = bom ? platform::ProfileBytesToText(bytes) : AnsiToUtf8(bytes);
  const auto value = platform::FindProfileValue(text, section, key);
  return value ? platform::FitProfileBuffer(*value, platform::kProfileValueCapacity) : "";
}

class WineDir {
 public:
  WineDir() {
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = platform::TempPath() + "zt_profile_wine_" + std::to_string(tick);
    platform::MakeDirectory(path_);
  }
  ~WineDir() {
    std::error_code ignored;
    fs::remove_all(fs::u8path(path_), ignored);
  }
  // Windows keeps recently read profiles cached by name; every file gets
  // its own name so no answer comes from an earlier file.
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = path_ + "\\" + name;
    std::ofstream out(fs::u8path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

 private:
  std::string path_;
};

// Returns whether Windows found a value, so a test can tell that it asked
// questions with answers.
bool Compare(const std::string& path, const std::string& bytes, const char* section,
             const char* key, const std::string& label) {
  const std::string windows = platform::ReadProfileString(path, section, key);
  EXPECT_EQ(Portable(bytes, section, key), windows)
      << label << " [" << section << "] '" << key << "'";
  return !windows.empty();
}

TEST(ProfileAgainstWindows, TrickyFiles) {
  WineDir dir;
  for (const profile_cases::Case& c : profile_cases::Cases()) {
    const std::string path = dir.Write(c.name, c.bytes);
    for (const profile_cases::Query& q : c.queries)
      Compare(path, c.bytes, q.section, q.key, c.name);
  }
}

TEST(ProfileAgainstWindows, AnsiTextAndBinaryJunk) {
  WineDir dir;
  const std::vector<std::pair<const char*, std::string>> files = {
      {"ansi.ini",
       "[Application]\r\nA=\xE9\xA0x\xA0\r\n\xA0"
       "B=1\r\nC=\x80\x9F\r\n"},
      {"case.ini", "[Caf\xC9]\r\nA=1\r\n[caf\xE9]\r\nA=2\r\n"},
      {"junk_high.ini", profile_cases::Junk(30000, 99, false) + "\r\n[Application]\r\nA=ok\r\n"},
  };
  for (const auto& f : files) {
    const std::string path = dir.Write(f.first, f.second);
    for (const char* section : {"Application", "caf\xC3\xA9", "Caf\xC3\x89"}) {
      for (const char* key : {"A", "B", "C",
                              "\xC2\xA0"
                              "B"})
        Compare(path, f.second, section, key, f.first);
    }
  }
}

// Random files from the characters that matter to the rules, with random
// questions: the two readers must never disagree.
TEST(ProfileAgainstWindows, RandomFilesOfTrickyCharacters) {
  WineDir dir;
  const std::vector<std::string> pieces = {
      "[",      "]",          "=", "\"", "'", " ", "\t", "\r",  "\n",  "\r\n", std::string(1, '\0'),
      "\x1a",   "S",          "s", "K",  "k", "v", ";",  "[S]", "[s]", "K=",   "k =",
      "=\"v\"", "\r\n[S]\r\n"};
  const char* sections[] = {"S", "s", "", " S "};
  const char* keys[] = {"K", "k", "v", " K", "S", ";", "K=", "[S]"};
  uint32_t x = 12345;
  auto next = [&x](uint32_t n) {
    x = x * 1103515245u + 12345u;
    return (x >> 16) % n;
  };
  int answered = 0;
  for (int i = 0; i < 300; ++i) {
    std::string bytes;
    const uint32_t length = 1 + next(40);
    for (uint32_t k = 0; k < length; ++k)
      bytes += pieces[next(static_cast<uint32_t>(pieces.size()))];
    const std::string name = "random_" + std::to_string(i) + ".ini";
    const std::string path = dir.Write(name, bytes);
    for (const char* section : sections) {
      for (const char* key : keys) answered += Compare(path, bytes, section, key, name);
    }
  }
  EXPECT_GT(answered, 100);
}

}  // namespace
