// The platform's text reader on real files: byte-order marks, line ends,
// the system code page, and unreadable files reported in the system's words.
#include "platform/text_file.h"

#include "platform/files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_file.h"
#include "updater/ui/import_rules.h"

namespace platform {
namespace {

using testing_support::TempFile;
using Bytes = std::vector<uint8_t>;

Bytes Utf16(const std::u16string& text, bool big_endian) {
  Bytes out = big_endian ? Bytes{0xFE, 0xFF} : Bytes{0xFF, 0xFE};
  for (char16_t u : text) {
    const uint8_t hi = static_cast<uint8_t>(u >> 8), lo = static_cast<uint8_t>(u & 0xFF);
    out.push_back(big_endian ? hi : lo);
    out.push_back(big_endian ? lo : hi);
  }
  return out;
}

Bytes Plain(const std::string& text, bool mark = false) {
  Bytes out = mark ? Bytes{0xEF, 0xBB, 0xBF} : Bytes{};
  for (char c : text) out.push_back(static_cast<uint8_t>(c));
  return out;
}

// The edge-case lines of an address list, and what is imported of them.
const char kEdgeLines[] =
    "192.168.001.010\r\n10.0.0.256\r\n10.0.0\n10.0.0.1.2\r10.0.0.0000000000000000001\r\n";
const char16_t kEdgeLines16[] =
    u"192.168.001.010\r\n10.0.0.256\r\n10.0.0\n10.0.0.1.2\r10.0.0.0000000000000000001\r\n";

TEST(TextFile, EncodingsAndLineEnds) {
#ifdef _WIN32
  // Unmarked bytes are in the ANSI code page (1252 in the test prefix).
  const std::string system_e = "\xC3\xA9";  // 0xE9 read as é
#else
  const std::string system_e = "\xE9";  // Linux takes the bytes as they are
#endif
  struct Case {
    const char* what;
    Bytes bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"UTF-8 with mark", Plain("a\r\nb\n\nc", true), {"a", "b", "", "c"}},
      {"UTF-16 LE", Utf16(u"x\r\né\U0001F600\n", false), {"x", "é\xF0\x9F\x98\x80"}},
      {"UTF-16 BE", Utf16(u"1.2.3.4\r\n5.6.7.8", true), {"1.2.3.4", "5.6.7.8"}},
      {"UTF-16 LE, odd last byte and a lone surrogate",
       [] {
         Bytes b = Utf16(
             u"a\xD800"
             u"b",
             false);
         b.push_back(0x41);
         return b;
       }(),
       {"a\xEF\xBF\xBD"
        "b"}},
      {"no mark: the system's code page", Plain("\xE9\rz"), {system_e, "z"}},
      {"only a mark", Plain("", true), {}},
      {"empty", Bytes{}, {}},
      {"CR CR: one empty line between", Plain("a\r\rb"), {"a", "", "b"}},
  };
  for (const Case& c : cases) {
    TempFile file(c.bytes, "lines");
    std::vector<std::string> lines{"stale"};
    std::string error;
    ASSERT_TRUE(ReadTextLines(file.path(), &lines, &error)) << c.what << ": " << error;
    EXPECT_EQ(lines, c.lines) << c.what;
  }
}

TEST(TextFile, AddressListInEveryEncoding) {
  const Bytes files[] = {Plain(kEdgeLines), Plain(kEdgeLines, true), Utf16(kEdgeLines16, false),
                         Utf16(kEdgeLines16, true)};
  for (const Bytes& bytes : files) {
    TempFile file(bytes, "list");
    std::vector<std::string> lines;
    std::string error;
    ASSERT_TRUE(ReadTextLines(file.path(), &lines, &error)) << error;
    ASSERT_EQ(lines.size(), 5u);
    std::vector<std::string> imported;
    for (const std::string& line : lines) {
      std::string address;
      if (ui::ImportLineAddress(line, &address)) imported.push_back(address);
    }
    EXPECT_EQ(imported, std::vector<std::string>{"192.168.1.10"});
  }
}

TEST(TextFile, UnreadableFilesReportedInTheSystemsWords) {
  TempFile dir_holder({}, "dir");
  const std::string missing = dir_holder.path() + ".absent";
  // ENOENT and ERROR_FILE_NOT_FOUND are both 2.
  const std::string words = SysErrorText(2);
#ifdef _WIN32
  const std::string directory = "C:\\windows";
#else
  const std::string directory = "/tmp";
#endif
  std::vector<std::string> lines{"stale"};
  std::string error;
  EXPECT_FALSE(ReadTextLines(missing, &lines, &error));
  EXPECT_TRUE(lines.empty());
  EXPECT_NE(error.find(missing), std::string::npos) << error;
  EXPECT_NE(error.find(words), std::string::npos) << error;

  error.clear();
  EXPECT_FALSE(ReadTextLines(directory, &lines, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace platform
