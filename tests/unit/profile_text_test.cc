// The reader's rules on text; the same rules on files, held against
// GetPrivateProfileStringW under Wine, are in tests/platform/.
#include "platform/profile_text.h"

#include <gtest/gtest.h>

#include <string>

namespace platform {
namespace {

template <size_t N>
std::string Bytes(const char (&s)[N]) {
  return std::string(s, N - 1);  // keeps embedded NULs
}

std::string Find(const std::string& text, const char* section, const char* key) {
  return FindProfileValue(text, section, key).value_or("<default>");
}

TEST(ProfileText, ShippedShapeWithTrailingNul) {
  const std::string text = Bytes(
      "[Application]\r\nDEF_IF_VERSION=\"Ver.5.12\"\r\nDEF_FIRMFILE_NAME=\"l04_05.12.rcc\"\r\n\0");
  EXPECT_EQ(Find(text, "Application", "DEF_IF_VERSION"), "Ver.5.12");
  EXPECT_EQ(Find(text, "APPLICATION", "def_firmfile_name"), "l04_05.12.rcc");
  EXPECT_EQ(Find(text, "Application", "DEF_CAPTION"), "<default>");
  EXPECT_EQ(Find(text, "Other", "DEF_IF_VERSION"), "<default>");
}

TEST(ProfileText, FirstSectionAndFirstKeyWin) {
  const std::string text =
      "[A]\r\nK\r\nK=later\r\nL=1\r\nL=2\r\n[B]\r\nM=1\r\n[a]\r\nN=2\r\nL=3\r\n";
  EXPECT_EQ(Find(text, "A", "K"), "<default>");  // the line without '=' shadows
  EXPECT_EQ(Find(text, "A", "L"), "1");
  EXPECT_EQ(Find(text, "A", "N"), "<default>");  // the second [a] is never searched
  EXPECT_EQ(Find(text, "B", "M"), "1");
}

TEST(ProfileText, LinesBeforeAnySectionFormTheNamelessOne) {
  const std::string text = "K=top\r\n[S]\r\nK=s\r\n[]\r\nK=again\r\n";
  EXPECT_EQ(Find(text, "", "K"), "top");
  EXPECT_EQ(Find(text, "S", "K"), "s");
}

TEST(ProfileText, EmptyKeyNeverMatches) {
  EXPECT_EQ(Find("[S]\r\n=v\r\n", "S", ""), "<default>");
  EXPECT_EQ(Find("[S]\r\n=v\r\n", "S", "  "), "<default>");
}

TEST(ProfileText, HugeLineAndJunkAreJustText) {
  std::string text = "[S]\r\nA=" + std::string(200000, 'x') + "\r\nB=2\r\n";
  EXPECT_EQ(Find(text, "S", "A").size(), 200000u);
  EXPECT_EQ(Find(text, "S", "B"), "2");
  std::string junk;
  uint32_t x = 1;
  for (int i = 0; i < 100000; ++i) {
    x = x * 1103515245u + 12345u;
    junk.push_back(static_cast<char>(x >> 24));
  }
  for (const char* key : {"A", "DEF_IF_VERSION", "["}) {
    (void)FindProfileValue(junk, "Application", key);  // must only not crash
  }
  EXPECT_EQ(Find(junk + "\r\n[S]\r\nK=ok\r\n", "S", "K"), "ok");
}

TEST(ProfileText, ByteOrderMarksAreDecoded) {
  EXPECT_EQ(ProfileBytesToText("\xEF\xBB\xBF[S]"), "[S]");
  EXPECT_EQ(ProfileBytesToText(Bytes("\xFF\xFE[\0S\0]\0")), "[S]");
  EXPECT_EQ(ProfileBytesToText(Bytes("\xFE\xFF\0[\0S\0]")), "[S]");
  // U+00E9, then U+1F600 as a surrogate pair, then an odd last byte.
  EXPECT_EQ(ProfileBytesToText(Bytes("\xFF\xFE\xE9\0\x3D\xD8\x00\xDE!")),
            "\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(ProfileBytesToText(Bytes("\xFF\xFE\x00\xD8x\0")), "\xEF\xBF\xBDx");  // lone surrogate
  EXPECT_EQ(ProfileBytesToText("plain \xE9"), "plain \xE9");  // 8-bit text stays as it is
}

TEST(ProfileText, BufferFitCountsUtf16UnitsAndKeepsCharactersWhole) {
  EXPECT_EQ(FitProfileBuffer("abcdef", 7), "abcdef");
  EXPECT_EQ(FitProfileBuffer("abcdef", 6), "abcde");
  EXPECT_EQ(FitProfileBuffer("abcdef", 1), "");
  EXPECT_EQ(FitProfileBuffer("abcdef", 0), "");
  EXPECT_EQ(FitProfileBuffer("a\xC3\xA9z", 3), "a\xC3\xA9");  // é is one unit
  const std::string emoji = "a\xF0\x9F\x98\x80";              // two units
  EXPECT_EQ(FitProfileBuffer(emoji, 3), "a");
  EXPECT_EQ(FitProfileBuffer(emoji, 4), emoji);
  EXPECT_EQ(FitProfileBuffer("a\xF0\x9F", 10), "a\xF0\x9F");  // a broken tail stays in bounds
}

}  // namespace
}  // namespace platform
