#include "updater/update/firmware_image.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "updater/update/settings.h"

namespace update {
namespace {

TEST(FirmwareImage, TargetVersionDropsFourAndKeepsFour) {
  EXPECT_EQ(TargetVersionText("Ver.5.12"), "5.12");
  EXPECT_EQ(TargetVersionText("Ver.12.345"), "12.3");
  EXPECT_EQ(TargetVersionText("V5"), "");
  EXPECT_EQ(TargetVersionText(""), "");
  EXPECT_EQ(TargetVersionText("Ver."), "");
  EXPECT_EQ(TargetVersionText("Ver.5"), "5");
  EXPECT_EQ(TargetVersionText("Ver.5.12 or 5.13"), "5.12");
  // Characters, not bytes: a multibyte character is never cut in half.
  EXPECT_EQ(TargetVersionText("V\xC3\xA9r.5.12"), "5.12");
  EXPECT_EQ(TargetVersionText("Ver.\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"),
            "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
}

TEST(FirmwareImage, FieldNameFromCaseSensitiveBinTest) {
  EXPECT_STREQ(UploadFieldName("l04_05.12.rcc"), "rcc");
  EXPECT_STREQ(UploadFieldName("l04.bin"), "srom1");
  EXPECT_STREQ(UploadFieldName("a.bin.rcc"), "srom1");
  EXPECT_STREQ(UploadFieldName(".bin"), "srom1");
  EXPECT_STREQ(UploadFieldName("L04.BIN"), "rcc");
  EXPECT_STREQ(UploadFieldName("l04bin"), "rcc");
  EXPECT_STREQ(UploadFieldName(""), "rcc");
}

TEST(FirmwareImage, RecordFromSettings) {
  Settings s;
  s.ifVersion = "Ver.5.12";
  s.firmFileName = "l04_05.12.rcc";
  s.caption = "ignored by the record";
  const FirmwareImage image = MakeFirmwareImage(s, "/tmp/ZANTOR/l04_05.12.rcc");
  EXPECT_EQ(image.modelName, "QJ-L04");
  EXPECT_EQ(image.versionLabel, "Ver.5.12");
  EXPECT_EQ(image.targetVersion, "5.12");
  EXPECT_EQ(image.fileName, "l04_05.12.rcc");
  EXPECT_EQ(image.stagedPath, "/tmp/ZANTOR/l04_05.12.rcc");
  EXPECT_EQ(image.fieldName, "rcc");
}

TEST(Settings, NineKeysReadInTheirOrderIntoTheirFields) {
  std::vector<std::string> asked;
  const Settings s = ReadSettings([&](const char* key) {
    asked.push_back(key);
    return std::string("v:") + key;
  });
  const std::vector<std::string> order = {"DEF_IF_VERSION",  "DEF_EXE_NAME",   "DEF_EXE_DISPNAME",
                                          "DEF_PRG_VERSION", "DEF_PRG_DATE_J", "DEF_PRG_DATE_E",
                                          "DEF_COPYRIGHT",   "DEF_CAPTION",    "DEF_FIRMFILE_NAME"};
  EXPECT_EQ(asked, order);
  EXPECT_EQ(s.ifVersion, "v:DEF_IF_VERSION");
  EXPECT_EQ(s.exeName, "v:DEF_EXE_NAME");
  EXPECT_EQ(s.exeDispName, "v:DEF_EXE_DISPNAME");
  EXPECT_EQ(s.prgVersion, "v:DEF_PRG_VERSION");
  EXPECT_EQ(s.prgDateJ, "v:DEF_PRG_DATE_J");
  EXPECT_EQ(s.prgDateE, "v:DEF_PRG_DATE_E");
  EXPECT_EQ(s.copyright, "v:DEF_COPYRIGHT");
  EXPECT_EQ(s.caption, "v:DEF_CAPTION");
  EXPECT_EQ(s.firmFileName, "v:DEF_FIRMFILE_NAME");
}

// A hand-edited SideBySide= never yields 0 boards (nothing would ever start)
// nor a wrapped huge number; anything doubtful is the default.
TEST(Settings, SideBySideValue) {
  const std::pair<const char*, uint32_t> cases[] = {
      {"", 8},   {"1", 1},  {"3", 3},  {"9999", 9999}, {"0", 8},     {"00", 8},
      {"-3", 8}, {"+3", 8}, {" 3", 8}, {"3x", 8},      {"10000", 8}, {"4294967299", 8},
  };
  for (const auto& [text, want] : cases) EXPECT_EQ(SideBySideFromText(text), want) << text;
}

}  // namespace
}  // namespace update
