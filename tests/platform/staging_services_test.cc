// The real file, profile and resource services and the staging built on
// them, on both systems (the Windows build runs this under Wine).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/profile.h"
#include "platform/resources.h"
#include "tests/platform/profile_cases.h"
#include "updater/update/chttp.h"
#include "updater/update/staging.h"
#include "updater/update/system_staging_files.h"

namespace {

namespace fs = std::filesystem;

bool OnWindows() { return platform::PathSeparator() == '\\'; }

// Build paths are host paths; Wine shows the host's root as drive Z:.
std::string HostPath(const std::string& path) {
  return (OnWindows() && !path.empty() && path[0] == '/') ? "Z:" + path : path;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(fs::u8path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(fs::u8path(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string AsString(const platform::Resource& r) {
  return std::string(reinterpret_cast<const char*>(r.data()), r.size());
}

// A fresh directory under the system's temporary directory, removed with
// everything in it at the end.
class TestDir {
 public:
  TestDir() {
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = platform::TempPath() + "zt_staging_test_" + std::to_string(tick);
    EXPECT_EQ(platform::MakeDirectory(path_), 0);
  }
  ~TestDir() {
    std::error_code ignored;
    fs::remove_all(fs::u8path(path_), ignored);
  }
  TestDir(const TestDir&) = delete;
  TestDir& operator=(const TestDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const {
    return path_ + platform::PathSeparator() + name;
  }

 private:
  std::string path_;
};

const std::string kSourceDir = HostPath(ZT_SOURCE_DIR);
const std::string kShippedIni = kSourceDir + "/resources/Zantor.ini";

// ---- Files --------------------------------------------------------------

TEST(Files, TempPathEndsWithTheSeparator) {
  const std::string temp = platform::TempPath();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), platform::PathSeparator());
}

TEST(Files, WriteReplacesWholeAndFailuresLeaveNoFile) {
  TestDir dir;
  const std::string file = dir / "f.bin";
  const std::string long_bytes("long\0content", 12);
  ASSERT_EQ(platform::WriteWholeFile(file, reinterpret_cast<const uint8_t*>(long_bytes.data()),
                                     long_bytes.size()),
            0);
  EXPECT_EQ(ReadBytes(file), long_bytes);
  ASSERT_EQ(platform::WriteWholeFile(file, reinterpret_cast<const uint8_t*>("x"), 1), 0);
  EXPECT_EQ(ReadBytes(file), "x");
  ASSERT_EQ(platform::WriteWholeFile(file, nullptr, 0), 0);
  EXPECT_TRUE(fs::exists(fs::u8path(file)));
  EXPECT_EQ(fs::file_size(fs::u8path(file)), 0u);

  const std::string nowhere = dir / "no_such_dir" + platform::PathSeparator() + "f.bin";
  const platform::SysError error =
      platform::WriteWholeFile(nowhere, reinterpret_cast<const uint8_t*>("x"), 1);
  EXPECT_NE(error, 0);
  EXPECT_FALSE(platform::SysErrorText(error).empty());
  EXPECT_FALSE(fs::exists(fs::u8path(nowhere)));
}

TEST(Files, NormalAttributesMakeAReadOnlyFileRemovable) {
  TestDir dir;
  const std::string file = dir / "ro.bin";
  ASSERT_EQ(platform::WriteWholeFile(file, reinterpret_cast<const uint8_t*>("x"), 1), 0);
  fs::permissions(fs::u8path(file), fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_EQ(platform::SetNormalAttributes(file), 0);
  EXPECT_NE(fs::status(fs::u8path(file)).permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_EQ(platform::RemoveFile(file), 0);
  EXPECT_FALSE(fs::exists(fs::u8path(file)));
  EXPECT_NE(platform::RemoveFile(file), 0);
  EXPECT_NE(platform::SetNormalAttributes(file), 0);
}

TEST(Files, DirectoryIsCreatedOnceAndRemovedOnlyWhenEmpty) {
  TestDir dir;
  const std::string sub = dir / "ZANTOR";
  EXPECT_EQ(platform::MakeDirectory(sub), 0);
  EXPECT_NE(platform::MakeDirectory(sub), 0);  // exists: an error, which staging ignores
  const std::string other = sub + platform::PathSeparator() + "other";
  ASSERT_EQ(platform::WriteWholeFile(other, reinterpret_cast<const uint8_t*>("x"), 1), 0);
  EXPECT_NE(platform::RemoveEmptyDirectory(sub), 0);
  EXPECT_TRUE(fs::exists(fs::u8path(other)));
  ASSERT_EQ(platform::RemoveFile(other), 0);
  EXPECT_EQ(platform::RemoveEmptyDirectory(sub), 0);
  EXPECT_FALSE(fs::exists(fs::u8path(sub)));
}

TEST(Files, PrivateDirectoryAndFreshFilesOnEitherSystem) {
  TestDir dir;
  const std::string sub = dir / "ZANTOR";
  std::string error;
  ASSERT_TRUE(platform::EnsurePrivateDirectory(sub, &error)) << error;
  EXPECT_TRUE(platform::EnsurePrivateDirectory(sub, &error)) << error;
  const std::string plain = dir / "plain";
  WriteBytes(plain, "x");
  EXPECT_FALSE(platform::EnsurePrivateDirectory(plain, &error));
  EXPECT_NE(error.find("not a directory"), std::string::npos) << error;

  // A stale read-only file of the name is replaced by an empty one of ours.
  const std::string file = sub + platform::PathSeparator() + "f.bin";
  WriteBytes(file, "stale");
  fs::permissions(fs::u8path(file), fs::perms::owner_write, fs::perm_options::remove);
  platform::File ours;
  ASSERT_EQ(platform::CreateFreshFile(file, &ours), 0);
  ASSERT_EQ(ours.WriteAll(reinterpret_cast<const uint8_t*>("new"), 3), 0);
  uint8_t back[8] = {};
  size_t got = 0;
  ASSERT_EQ(ours.ReadAt(1, back, sizeof back, &got), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(back), got), "ew");

  // Someone else's file of the same name is not ours to remove.
  platform::File other;
  const std::string other_path = sub + platform::PathSeparator() + "g.bin";
  ASSERT_EQ(platform::CreateFreshFile(other_path, &other), 0);
  EXPECT_NE(platform::RemoveIfSameFile(other_path, ours.id()), 0);
  EXPECT_TRUE(fs::exists(fs::u8path(other_path)));
  ASSERT_EQ(other.Close(), 0);
  ASSERT_EQ(ours.Close(), 0);
  EXPECT_EQ(platform::RemoveIfSameFile(file, ours.id()), 0);
  EXPECT_FALSE(fs::exists(fs::u8path(file)));
}

// ---- Private profile ----------------------------------------------------

TEST(Profile, TrickyFilesReadAsWindowsReadsThem) {
  TestDir dir;
  for (const profile_cases::Case& c : profile_cases::Cases()) {
    const std::string file = dir / c.name;
    WriteBytes(file, c.bytes);
    for (const profile_cases::Query& q : c.queries) {
      EXPECT_EQ(platform::ReadProfileString(file, q.section, q.key), q.expected)
          << c.name << " [" << q.section << "] " << q.key;
    }
  }
}

TEST(Profile, MissingFileAndEmptyKeyReadAsDefault) {
  TestDir dir;
  EXPECT_EQ(platform::ReadProfileString(dir / "none.ini", "Application", "A"), "");
  const std::string file = dir / "k.ini";
  WriteBytes(file, "[Application]\r\n=v\r\n");
  EXPECT_EQ(platform::ReadProfileString(file, "Application", ""), "");
  EXPECT_EQ(platform::ReadProfileString(dir.path(), "Application", "A"), "");  // a directory
}

TEST(Profile, ShippedSettingsFile) {
  const std::string bytes = ReadBytes(kShippedIni);
  ASSERT_GE(bytes.size(), 3u);
  EXPECT_EQ(bytes.substr(bytes.size() - 3), std::string("\r\n\0", 3));
  for (size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == '\n') {
      EXPECT_EQ(bytes[i - 1], '\r') << "LF without CR at " << i;
    }
    EXPECT_NE(bytes[i], '\0') << "NUL before the end at " << i;
    EXPECT_LT(static_cast<unsigned char>(bytes[i]), 0x80u) << "not ASCII at " << i;
  }
  const std::pair<const char*, const char*> want[] = {
      {"DEF_IF_VERSION", "Ver.5.12"},
      {"DEF_EXE_NAME", "Zantor_L04V512"},
      {"DEF_EXE_DISPNAME", "_L04V512"},
      {"DEF_PRG_VERSION", "5.12.0.0"},
      {"DEF_PRG_DATE_J", "2026/07/21"},
      {"DEF_PRG_DATE_E", "07/21/2026"},
      {"DEF_CAPTION", "QJ-L04 Network Firmware Updater Ver.5.12"},
      {"DEF_FIRMFILE_NAME", "l04_05.12.rcc"},
      {"DEF_FIRMFILE_NAME_1", "l04_05.12_q01.rcc"},
      {"DEF_FIRMFILE_NAME_2", "l04_05.12_q02.rcc"},
  };
  for (const auto& kv : want) {
    EXPECT_EQ(platform::ReadProfileString(kShippedIni, "Application", kv.first), kv.second)
        << kv.first;
  }
  EXPECT_NE(platform::ReadProfileString(kShippedIni, "Application", "DEF_COPYRIGHT"), "");
}

// ---- Resources ----------------------------------------------------------

TEST(Resources, OwnResourcesByNameInAnyCase) {
  platform::Resource r;
  ASSERT_EQ(platform::LoadOwnResource("DSC_PDATA", "ZANTOR", &r), platform::ResourceError::kNone);
  EXPECT_EQ(AsString(r), ReadBytes(kShippedIni));
  ASSERT_EQ(platform::LoadOwnResource("dsc_pdata", "qjl04rcc", &r), platform::ResourceError::kNone);
  EXPECT_EQ(AsString(r), ReadBytes(HostPath(ZT_TEST_IMAGE_FILE)));
  EXPECT_EQ(platform::LoadOwnResource("DSC_PDATA", "QJL04RCC_1", &r),
            platform::ResourceError::kNotFound);
  EXPECT_EQ(platform::LoadOwnResource("OTHER_TYPE", "ZANTOR", &r),
            platform::ResourceError::kNotFound);
}

TEST(Resources, AnotherProgramFileServesAllFourUnchanged) {
  const std::string program = HostPath(ZT_DEMO_PROGRAM);
  platform::Resource r;
  ASSERT_EQ(platform::LoadProgramResource(program, "DSC_PDATA", "QJL04RCC", &r),
            platform::ResourceError::kNone);
  EXPECT_EQ(r.size(), 17825885u);
  EXPECT_TRUE(AsString(r) == ReadBytes(HostPath(ZT_IMAGE_FILE)));
  ASSERT_EQ(platform::LoadProgramResource(program, "DSC_PDATA", "ZANTOR", &r),
            platform::ResourceError::kNone);
  EXPECT_EQ(AsString(r), ReadBytes(kShippedIni));
  for (const char* name : {"QJL04RCC_1", "QJL04RCC_2"}) {
    ASSERT_EQ(platform::LoadProgramResource(program, "DSC_PDATA", name, &r),
              platform::ResourceError::kNone)
        << name;
    EXPECT_GT(r.size(), 0u);
  }
  EXPECT_EQ(platform::LoadProgramResource(program, "DSC_PDATA", "QJL04RCC_3", &r),
            platform::ResourceError::kNotFound);
}

TEST(Resources, MissingOrForeignFilesFailClearly) {
  TestDir dir;
  platform::Resource r;
  EXPECT_EQ(platform::LoadProgramResource(dir / "none.exe", "DSC_PDATA", "ZANTOR", &r),
            platform::ResourceError::kProgramNotOpened);
  EXPECT_EQ(platform::LoadProgramResource(dir.path(), "DSC_PDATA", "ZANTOR", &r),
            platform::ResourceError::kProgramNotOpened);
  const std::string text = dir / "text.exe";
  WriteBytes(text, std::string(5000, 'T'));
  const platform::ResourceError e = platform::LoadProgramResource(text, "DSC_PDATA", "ZANTOR", &r);
  EXPECT_TRUE(e == platform::ResourceError::kProgramNotOpened ||
              e == platform::ResourceError::kNoResources)
      << platform::ResourceErrorText(e);
}

TEST(Resources, TruncatedProgramFileIsRefused) {
  TestDir dir;
  const std::string whole = ReadBytes(HostPath(ZT_DEMO_PROGRAM));
  ASSERT_GT(whole.size(), 17825885u);
  for (size_t keep : {whole.size() / 2, whole.size() - 1000000, size_t{4096}}) {
    const std::string cut = dir / ("cut_" + std::to_string(keep) + ".exe");
    WriteBytes(cut, whole.substr(0, keep));
    platform::Resource r;
    const platform::ResourceError e =
        platform::LoadProgramResource(cut, "DSC_PDATA", "QJL04RCC", &r);
    EXPECT_NE(e, platform::ResourceError::kNone) << keep;
    EXPECT_NE(e, platform::ResourceError::kNotFound) << keep;
  }
}

TEST(Resources, DamagedAppendedContainerIsReported) {
  if (OnWindows()) GTEST_SKIP() << "Windows programs carry a resource table instead";
  TestDir dir;
  const std::string whole = ReadBytes(HostPath(ZT_DEMO_PROGRAM));
  const size_t trailer = whole.size() - 40;
  auto load = [&](std::string bytes) {
    const std::string path = dir / "damaged";
    WriteBytes(path, bytes);
    platform::Resource r;
    return platform::LoadProgramResource(path, "DSC_PDATA", "ZANTOR", &r);
  };
  std::string bad = whole;
  bad[trailer - 40] ^= 1;  // inside the directory
  EXPECT_EQ(load(bad), platform::ResourceError::kDamaged);
  bad = whole;
  bad[trailer + 23] = '\x7F';  // container size far beyond the file
  EXPECT_EQ(load(bad), platform::ResourceError::kDamaged);
  bad = whole;
  bad.erase(trailer - 1000, 1);  // one byte lost inside the data: trailer intact
  EXPECT_EQ(load(bad), platform::ResourceError::kDamaged);
}

// ---- Staging ------------------------------------------------------------

// The real services with the temporary directory moved into the test's own.
class TestStaging : public update::SystemStagingFiles {
 public:
  explicit TestStaging(std::string temp) : temp_(std::move(temp)) {}
  std::string TempPath() override { return temp_; }

 private:
  std::string temp_;
};

TEST(Staging, StagesBesideTheLauncherAndLeavesItsFilesAlone) {
  TestDir dir;
  const char sep = platform::PathSeparator();
  const std::string zantor = dir / "ZANTOR";
  ASSERT_EQ(platform::MakeDirectory(zantor), 0);
  ASSERT_EQ(platform::MakeDirectory(zantor + sep + "res"), 0);
  const std::string launcher_file = zantor + sep + "res" + sep + "Zantor.exe";
  const std::string other_file = zantor + sep + "Unzip32.dll";
  WriteBytes(launcher_file, "launcher's copy");
  WriteBytes(other_file, "library");
  WriteBytes(zantor + sep + "Zantor.ini", "stale settings from an earlier run");

  TestStaging files(dir.path() + sep);
  update::StageResult r = update::StageAndLoad(files);
  ASSERT_TRUE(r.ok()) << r.report;
  EXPECT_EQ(r.directory, zantor);
  EXPECT_EQ(ReadBytes(zantor + sep + "Zantor.ini"), ReadBytes(kShippedIni));
  EXPECT_EQ(r.image.stagedPath, zantor + sep + "l04_05.12.rcc");
  EXPECT_EQ(ReadBytes(r.image.stagedPath), ReadBytes(HostPath(ZT_TEST_IMAGE_FILE)));
  EXPECT_EQ(r.image.targetVersion, "5.12");
  EXPECT_EQ(r.image.fieldName, "rcc");
  EXPECT_EQ(r.settings.caption, "QJ-L04 Network Firmware Updater Ver.5.12");
  EXPECT_EQ(r.settings.exeName, "Zantor_L04V512");
  EXPECT_EQ(r.settings.prgDateE, "07/21/2026");

  // Read-only leftovers go too: attributes are cleared before deleting.
  fs::permissions(fs::u8path(r.image.stagedPath), fs::perms::owner_write, fs::perm_options::remove);
  update::RemoveStagedFiles(files, r);
  EXPECT_FALSE(fs::exists(fs::u8path(r.image.stagedPath)));
  EXPECT_FALSE(fs::exists(fs::u8path(zantor + sep + "Zantor.ini")));
  EXPECT_EQ(ReadBytes(launcher_file), "launcher's copy");
  EXPECT_EQ(ReadBytes(other_file), "library");

  // Without the launcher's files the directory goes as well.
  fs::remove_all(fs::u8path(zantor + sep + "res"));
  fs::remove(fs::u8path(other_file));
  r = update::StageAndLoad(files);
  ASSERT_TRUE(r.ok());
  update::RemoveStagedFiles(files, r);
  EXPECT_FALSE(fs::exists(fs::u8path(zantor)));
}

TEST(Staging, UnusableDirectoryStopsStartUpWithTheRealReason) {
  TestDir dir;
  const char sep = platform::PathSeparator();
  // A file where the directory should be: nothing can be staged in it.
  WriteBytes(dir / "ZANTOR", "not a directory");
  TestStaging files(dir.path() + sep);
  update::StageResult r = update::StageAndLoad(files);
  EXPECT_EQ(r.error, update::StageError::kUnsafeDirectory);
  EXPECT_NE(r.report.find("is not a directory"), std::string::npos) << r.report;
  EXPECT_EQ(ReadBytes(dir / "ZANTOR"), "not a directory");

  // No temporary directory at all: the report names the missing one, not
  // a file that could not be written into it.
  TestStaging nowhere(dir / "gone" + sep);
  r = update::StageAndLoad(nowhere);
  EXPECT_EQ(r.error, update::StageError::kUnsafeDirectory);
  EXPECT_NE(r.report.find("Cannot create the directory"), std::string::npos) << r.report;
  EXPECT_EQ(r.report.find("Zantor.ini"), std::string::npos) << r.report;
}

TEST(Staging, TwoInstancesStageSideBySideAndTheFirstToEndLeavesTheOther) {
  TestDir dir;
  const char sep = platform::PathSeparator();
  TestStaging files(dir.path() + sep);
  update::StageResult first = update::StageAndLoad(files);
  ASSERT_TRUE(first.ok()) << first.report;
  update::StageResult second = update::StageAndLoad(files);
  ASSERT_TRUE(second.ok()) << second.report;
  const std::string image = ReadBytes(HostPath(ZT_TEST_IMAGE_FILE));

  update::RemoveStagedFiles(files, first);
  EXPECT_EQ(ReadBytes(second.image.stagedPath), image);
  EXPECT_EQ(ReadBytes(dir / "ZANTOR" + sep + "Zantor.ini"), ReadBytes(kShippedIni));
  std::vector<uint8_t> body;
  ASSERT_TRUE(update::AppendStagedImage(second, 0, &body));
  EXPECT_EQ(std::string(body.begin(), body.end()), image);

  update::RemoveStagedFiles(files, second);
  EXPECT_FALSE(fs::exists(fs::u8path(dir / "ZANTOR")));
}

TEST(Staging, TheUploadReadsWhatWasStagedWhateverTheNameHoldsNow) {
  if (OnWindows()) GTEST_SKIP() << "Windows does not let the name go while the file is open";
  TestDir dir;
  const char sep = platform::PathSeparator();
  TestStaging files(dir.path() + sep);
  update::StageResult r = update::StageAndLoad(files);
  ASSERT_TRUE(r.ok()) << r.report;
  const std::string staged = ReadBytes(r.image.stagedPath);
  // Someone replaces the staged image by a file of their own.
  ASSERT_EQ(platform::RemoveNoFollow(r.image.stagedPath), 0);
  WriteBytes(r.image.stagedPath, "attacker's image");

  std::vector<uint8_t> body = {'<'};
  ASSERT_TRUE(update::AppendStagedImage(r, 1, &body));
  EXPECT_EQ(std::string(body.begin() + 1, body.end()), staged);
  update::RemoveStagedFiles(files, r);
  EXPECT_EQ(ReadBytes(r.image.stagedPath), "attacker's image");  // not ours to remove
}

}  // namespace
