#include "updater/update/staging.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/profile_text.h"

namespace update {
namespace {

// An in-memory file system that records every call and fails where told.
class FakeFiles : public StagingFiles {
 public:
  std::string temp = "T/";
  std::map<std::string, std::string> resources;
  std::map<std::string, std::string> files;
  std::set<std::string> directories;
  std::set<std::string> failWrites;
  std::string refuseDirectory;  // EnsurePrivateDirectory's error, when set
  platform::DirectoryRefusal refusal = platform::DirectoryRefusal::kFailed;
  std::string fallback;  // what MakeFallbackDirectory makes; none when empty
  std::map<std::string, uint64_t> inodes;
  uint64_t nextInode = 100;
  std::vector<std::string> log;

  std::string TempPath() override { return temp; }
  char Separator() override { return '/'; }
  bool EnsurePrivateDirectory(const std::string& path, std::string* error,
                              platform::DirectoryRefusal* why) override {
    log.push_back("mkdir " + path);
    if (!refuseDirectory.empty()) {
      *error = refuseDirectory;
      *why = refusal;
      return false;
    }
    directories.insert(path);
    return true;
  }
  bool MakeFallbackDirectory(std::string* path, std::string* error) override {
    log.push_back("fallback");
    if (fallback.empty()) {
      *error = "no private directory";
      return false;
    }
    directories.insert(*path = fallback);
    return true;
  }
  platform::ResourceError LoadResource(const std::string& name, platform::Resource* out) override {
    log.push_back("load " + name);
    auto it = resources.find(name);
    if (it == resources.end()) return platform::ResourceError::kNotFound;
    *out =
        platform::Resource::FromBytes(std::vector<uint8_t>(it->second.begin(), it->second.end()));
    return platform::ResourceError::kNone;
  }
  platform::SysError CreateStagedFile(const std::string& path, const uint8_t* data, size_t size,
                                      platform::File* out) override {
    log.push_back("write " + path);
    if (failWrites.count(path) != 0) return 28;
    files[path] = std::string(reinterpret_cast<const char*>(data), size);
    platform::FileId id;
    id.inode = inodes[path] = ++nextInode;
    id.valid = true;
    *out = platform::File::Adopt(-1, id);
    return 0;
  }
  // Another instance stages a file of the same name.
  void ReplaceBehindOurBack(const std::string& path) {
    files[path] = "theirs";
    inodes[path] = ++nextInode;
  }
  std::string ReadSetting(const std::string& path, const std::string& section,
                          const std::string& key) override {
    log.push_back("read " + key);
    auto it = files.find(path);
    if (it == files.end()) return std::string();
    return platform::FindProfileValue(platform::ProfileBytesToText(it->second), section, key)
        .value_or("");
  }
  platform::SysError RemoveOwnFile(const std::string& path, platform::File* file) override {
    log.push_back("delete " + path);
    const platform::FileId id = file->id();
    if (files.count(path) == 0) return 2;
    if (!id.valid || inodes[path] != id.inode) return 17;
    files.erase(path);
    return 0;
  }
  platform::SysError RemoveEmptyDirectory(const std::string& path) override {
    log.push_back("rmdir " + path);
    for (const auto& f : files) {
      if (f.first.compare(0, path.size() + 1, path + "/") == 0) return 145;  // not empty
    }
    return directories.erase(path) != 0 ? 0 : 2;
  }
  std::string ErrorText(platform::SysError code) override {
    return "error " + std::to_string(code);
  }
};

const char kIni[] =
    "[Application]\r\n"
    "DEF_IF_VERSION=\"Ver.5.12\"\r\n"
    "DEF_EXE_NAME=\"Zantor_L04V512\"\r\n"
    "DEF_EXE_DISPNAME=\"_L04V512\"\r\n"
    "DEF_PRG_VERSION=\"5.12.0.0\"\r\n"
    "DEF_PRG_DATE_J=\"2026/07/21\"\r\n"
    "DEF_PRG_DATE_E=\"07/21/2026\"\r\n"
    "DEF_COPYRIGHT=\"(C) test\"\r\n"
    "DEF_CAPTION=\"QJ-L04 Network Firmware Updater Ver.5.12\"\r\n"
    "DEF_FIRMFILE_NAME=\"l04_05.12.rcc\"\r\n";

class StagingTest : public ::testing::Test {
 protected:
  StagingTest() {
    fs.resources["ZANTOR"] = std::string(kIni) + std::string(1, '\0');
    fs.resources["QJL04RCC"] = std::string("IMAGE\0BYTES", 11);
  }
  void WithFileName(const std::string& name) {
    fs.resources["ZANTOR"] =
        "[Application]\r\nDEF_IF_VERSION=\"Ver.5.12\"\r\n"
        "DEF_FIRMFILE_NAME=\"" +
        name + "\"\r\n";
  }
  FakeFiles fs;
};

TEST_F(StagingTest, StagesBothFilesInOrderAndMakesTheRecord) {
  const StageResult r = StageAndLoad(fs);
  ASSERT_TRUE(r.ok()) << r.report;
  std::vector<std::string> want = {"mkdir T/ZANTOR", "load ZANTOR", "write T/ZANTOR/Zantor.ini"};
  for (const SettingsKey& k : kSettingsKeys) want.push_back(std::string("read ") + k.key);
  want.push_back("load QJL04RCC");
  want.push_back("write T/ZANTOR/l04_05.12.rcc");
  EXPECT_EQ(fs.log, want);

  EXPECT_EQ(fs.files["T/ZANTOR/Zantor.ini"], fs.resources["ZANTOR"]);
  EXPECT_EQ(fs.files["T/ZANTOR/l04_05.12.rcc"], fs.resources["QJL04RCC"]);
  EXPECT_EQ(r.directory, "T/ZANTOR");
  EXPECT_EQ(r.settings.caption, "QJ-L04 Network Firmware Updater Ver.5.12");
  EXPECT_EQ(r.settings.exeName, "Zantor_L04V512");
  EXPECT_EQ(r.settings.copyright, "(C) test");
  EXPECT_EQ(r.image.modelName, "QJ-L04");
  EXPECT_EQ(r.image.versionLabel, "Ver.5.12");
  EXPECT_EQ(r.image.targetVersion, "5.12");
  EXPECT_EQ(r.image.fileName, "l04_05.12.rcc");
  EXPECT_EQ(r.image.stagedPath, "T/ZANTOR/l04_05.12.rcc");
  EXPECT_EQ(r.image.fieldName, "rcc");
}

TEST_F(StagingTest, ExistingDirectoryAndStaleFilesAreUsedAsTheyAre) {
  fs.directories.insert("T/ZANTOR");
  fs.files["T/ZANTOR/res/Zantor.exe"] = "launcher's";
  fs.files["T/ZANTOR/Zantor.ini"] = "stale";
  ASSERT_TRUE(StageAndLoad(fs).ok());
  EXPECT_EQ(fs.files["T/ZANTOR/Zantor.ini"], fs.resources["ZANTOR"]);
  EXPECT_EQ(fs.files["T/ZANTOR/res/Zantor.exe"], "launcher's");
}

TEST_F(StagingTest, MissingKeysReadEmptyAndBinNameSelectsSrom1) {
  WithFileName("l04.bin");
  const StageResult r = StageAndLoad(fs);
  ASSERT_TRUE(r.ok()) << r.report;
  EXPECT_EQ(r.settings.caption, "");
  EXPECT_EQ(r.settings.prgVersion, "");
  EXPECT_EQ(r.image.fieldName, "srom1");
  EXPECT_EQ(fs.files.count("T/ZANTOR/l04.bin"), 1u);
}

TEST_F(StagingTest, FailuresReportAndLeaveNothingBehind) {
  {
    FakeFiles f = fs;
    f.temp = "";
    const StageResult r = StageAndLoad(f);
    EXPECT_EQ(r.error, StageError::kNoTempPath);
    EXPECT_TRUE(f.files.empty());
  }
  {
    FakeFiles f = fs;
    f.resources.erase("ZANTOR");
    const StageResult r = StageAndLoad(f);
    EXPECT_EQ(r.error, StageError::kResourceMissing);
    EXPECT_NE(r.report.find("ZANTOR"), std::string::npos);
    EXPECT_TRUE(f.files.empty());
    EXPECT_EQ(f.directories.count("T/ZANTOR"), 0u);
  }
  {
    FakeFiles f = fs;
    f.failWrites.insert("T/ZANTOR/Zantor.ini");
    const StageResult r = StageAndLoad(f);
    EXPECT_EQ(r.error, StageError::kWriteFailed);
    EXPECT_NE(r.report.find("T/ZANTOR/Zantor.ini"), std::string::npos);
    EXPECT_NE(r.report.find("error 28"), std::string::npos);
  }
  {
    FakeFiles f = fs;
    f.resources.erase("QJL04RCC");
    const StageResult r = StageAndLoad(f);
    EXPECT_EQ(r.error, StageError::kResourceMissing);
    EXPECT_NE(r.report.find("QJL04RCC"), std::string::npos);
    EXPECT_TRUE(f.files.empty());
    EXPECT_EQ(f.directories.count("T/ZANTOR"), 0u);
  }
  {
    FakeFiles f = fs;
    f.failWrites.insert("T/ZANTOR/l04_05.12.rcc");
    f.files["T/ZANTOR/other"] = "launcher's";
    const StageResult r = StageAndLoad(f);
    EXPECT_EQ(r.error, StageError::kWriteFailed);
    EXPECT_EQ(f.files.count("T/ZANTOR/Zantor.ini"), 0u);
    EXPECT_EQ(f.files["T/ZANTOR/other"], "launcher's");
    EXPECT_EQ(f.directories.count("T/ZANTOR"), 1u);
  }
}

TEST_F(StagingTest, ImageFileNameMustStayInTheDirectory) {
  for (const char* name : {"", ".", "..", "../escape.rcc", "..\\escape.rcc", "C:x.rcc", "a/b"}) {
    FakeFiles f = fs;
    f.resources["ZANTOR"] = std::string("[Application]\r\nDEF_FIRMFILE_NAME=\"") + name + "\"\r\n";
    const StageResult r = StageAndLoad(f);
    EXPECT_EQ(r.error, StageError::kBadImageFileName) << name;
    EXPECT_TRUE(f.files.empty()) << name;
    for (const std::string& line : f.log) EXPECT_NE(line, "load QJL04RCC") << name;
  }
}

TEST_F(StagingTest, RemovalTakesOnlyOurFilesAndTheEmptyDirectory) {
  StageResult r = StageAndLoad(fs);
  ASSERT_TRUE(r.ok());
  fs.files["T/ZANTOR/res/Zantor.exe"] = "launcher's";
  fs.log.clear();
  RemoveStagedFiles(fs, r);
  EXPECT_EQ(fs.log, (std::vector<std::string>{"delete T/ZANTOR/Zantor.ini",
                                              "delete T/ZANTOR/l04_05.12.rcc", "rmdir T/ZANTOR"}));
  EXPECT_EQ(fs.files.size(), 1u);
  EXPECT_EQ(fs.directories.count("T/ZANTOR"), 1u);

  fs.files.clear();
  RemoveStagedFiles(fs, r);  // already gone: every failure is ignored
  EXPECT_EQ(fs.directories.count("T/ZANTOR"), 0u);
}

TEST_F(StagingTest, FilesThatASecondInstanceStagedSinceAreLeftToIt) {
  StageResult first = StageAndLoad(fs);
  ASSERT_TRUE(first.ok());
  fs.ReplaceBehindOurBack("T/ZANTOR/Zantor.ini");
  fs.ReplaceBehindOurBack("T/ZANTOR/l04_05.12.rcc");
  RemoveStagedFiles(fs, first);
  EXPECT_EQ(fs.files["T/ZANTOR/Zantor.ini"], "theirs");
  EXPECT_EQ(fs.files["T/ZANTOR/l04_05.12.rcc"], "theirs");
  EXPECT_EQ(fs.directories.count("T/ZANTOR"), 1u);
}

TEST_F(StagingTest, AnUnsafeDirectoryStopsStartUpBeforeAnythingIsWritten) {
  fs.refuseDirectory = "T/ZANTOR is writable by other users (mode 0777); refusing to use it";
  const StageResult r = StageAndLoad(fs);
  EXPECT_EQ(r.error, StageError::kUnsafeDirectory);
  EXPECT_EQ(r.report, fs.refuseDirectory);
  EXPECT_EQ(fs.log, std::vector<std::string>{"mkdir T/ZANTOR"});
}

TEST_F(StagingTest, ANameTakenByAnotherUserMovesStagingToAPrivateDirectory) {
  fs.refuseDirectory = "The directory T/ZANTOR belongs to user 65534";
  fs.refusal = platform::DirectoryRefusal::kNotOurs;
  StageResult r = StageAndLoad(fs);
  EXPECT_EQ(r.report, "The directory T/ZANTOR belongs to user 65534; no private directory");
  fs.fallback = "/run/user/0/ZANTOR";
  r = StageAndLoad(fs);
  ASSERT_TRUE(r.ok()) << r.report;
  EXPECT_EQ(r.note, fs.refuseDirectory + "; staging in /run/user/0/ZANTOR instead");
  EXPECT_EQ(r.image.stagedPath, "/run/user/0/ZANTOR/l04_05.12.rcc");
  EXPECT_EQ(fs.files.count("/run/user/0/ZANTOR/Zantor.ini"), 1u);
  RemoveStagedFiles(fs, r);
  EXPECT_TRUE(fs.files.empty());
  EXPECT_EQ(fs.directories.count("/run/user/0/ZANTOR"), 0u);
}

TEST_F(StagingTest, RemovalNeverFollowsABadFileName) {
  StageResult staged;
  staged.directory = "T/ZANTOR";
  staged.image.fileName = "../victim";
  fs.files["T/victim"] = "x";
  RemoveStagedFiles(fs, staged);
  EXPECT_EQ(fs.files.count("T/victim"), 1u);
}

}  // namespace
}  // namespace update
