// The launcher's start-up against the real unzip library it carries: payload
// round trip, overwriting a tree left behind, damaged and hostile archives,
// tree removal, the single-instance lock and the private unpack directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "launcher/startup/launcher_startup.h"
#include "launcher/startup/startup_services.h"
#include "launcher/startup/unzip_version.h"
#include "tests/launcher/sandbox.h"
#include "tests/launcher/zip_writer.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>
#endif

namespace launcher {
namespace {

namespace fs = std::filesystem;
using testing_support::ReadAll;
using testing_support::Sandbox;
using testing_support::Utf8;
using testing_support::WriteAll;
using testing_support::ZipWriter;

std::string Pattern(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>((i * 131u + seed + (i >> 9)) & 0xFF);
  return bytes;
}

// Writes `zip` as D/name, makes D the current directory and unpacks it as the
// launcher does; returns the library path UnzipPayload reported.
std::string Unpack(const Sandbox& box, const ZipWriter& zip, const char* name = "test.zip") {
  std::string error;
  EXPECT_TRUE(PrepareUnpackDirectory(Utf8(box.unpack()), &error)) << error;
  const std::vector<uint8_t> bytes = zip.Bytes();
  WriteAll(box.unpack() / name, std::string(bytes.begin(), bytes.end()));
  EXPECT_TRUE(ChangeDirectory(Utf8(box.unpack())));
  std::string library;
  UnzipPayload(&library, name);
  return library;
}

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.push_back(entry.path().filename().u8string());
  return names;
}

TEST(UnzipVersionTest, AcceptsOnlyUnzip6WithAnInterfaceOfAtMost600) {
  struct Case {
    size_t length;
    unsigned unzip_major, api_major, api_minor, api_patch;
    bool accepted;
  } cases[] = {
      {40, 6, 6, 0, 0, true},   // this library
      {40, 5, 5, 0, 0, false},  // UnZip 5.x
      {40, 6, 5, 2, 0, true},   // an older interface still fits
      {40, 6, 6, 0, 1, false},  // newer than the records we fill
      {40, 6, 6, 1, 0, false}, {40, 6, 7, 0, 0, false},
      {39, 6, 9, 9, 9, true},  // record too short to state a minimum
  };
  for (const Case& c : cases) {
    UnzipVersionInfo info;
    info.struct_length = c.length;
    info.api_minimum_end = 40;
    info.unzip_major = c.unzip_major;
    info.api_major = c.api_major;
    info.api_minor = c.api_minor;
    info.api_patch = c.api_patch;
    EXPECT_EQ(UnzipVersionAcceptable(info), c.accepted)
        << c.length << " " << c.unzip_major << " " << c.api_major << "." << c.api_minor << "."
        << c.api_patch;
  }
}

TEST(UnpackTest, RoundTripThroughTheLibraryIsByteIdentical) {
#ifdef ZT_WITH_ZLIB
  // Keeps zlib loaded (and its inflate and crc32 in the global scope).
  ASSERT_NE(zlibVersion(), nullptr);
#endif
  Sandbox box;
  ZipWriter zip;
  const std::string big = Pattern(300000, 7);
  zip.Add("res/");
  zip.Add("res/Terma/");
  zip.Add("res/Terma/oss/");
  zip.Add("res/a.bin", big);
  zip.Add("res/Terma/zeros.bin", std::string(4096, '\0'));
  zip.Add("res/Terma/oss/empty.txt", "");
  zip.Add("res/Terma/ja/la_ja.htm", "\xE5\x90\x8C\xE6\x84\x8F\r\n");  // folder without entry
  const std::string library = Unpack(box, zip);

  EXPECT_TRUE(fs::exists(fs::u8path(library))) << library;  // kept after both passes
  EXPECT_TRUE(ReadAll(box.unpack() / "res/a.bin") == big);
  EXPECT_EQ(ReadAll(box.unpack() / "res/Terma/zeros.bin"), std::string(4096, '\0'));
  EXPECT_TRUE(fs::is_regular_file(box.unpack() / "res/Terma/oss/empty.txt"));
  EXPECT_EQ(fs::file_size(box.unpack() / "res/Terma/oss/empty.txt"), 0u);
  EXPECT_EQ(ReadAll(box.unpack() / "res/Terma/ja/la_ja.htm"), "\xE5\x90\x8C\xE6\x84\x8F\r\n");
}

TEST(UnpackTest, SecondUnpackOverwritesEveryFileLeftBehindWithoutAsking) {
  Sandbox box;
  ZipWriter zip;
  zip.Add("res/");
  zip.Add("res/one.txt", "new one");
  zip.Add("res/two.txt", "new two, longer than before");
  fs::create_directories(box.unpack() / "res");
  WriteAll(box.unpack() / "res/one.txt", "old one, longer than the new one");
  WriteAll(box.unpack() / "res/two.txt", "old");
  ASSERT_TRUE(testing_support::MakeReadOnly(box.unpack() / "res/one.txt"));
  Unpack(box, zip);
  EXPECT_EQ(ReadAll(box.unpack() / "res/one.txt"), "new one");
  EXPECT_EQ(ReadAll(box.unpack() / "res/two.txt"), "new two, longer than before");
}

TEST(UnpackTest, DamagedArchiveKeepsWhatWasUnpackedAndReturns) {
  Sandbox box;
  ZipWriter zip;
  zip.Add("first.txt", "intact");
  zip.Add("second.txt", Pattern(1000, 3));
  zip.Add("third.txt", "also intact");
  std::vector<uint8_t> bytes = zip.Bytes();
  // Flip one byte of the second entry's data: its CRC no longer matches.
  const std::string marker = "second.txt";
  auto at = std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end());
  ASSERT_NE(at, bytes.end());
  at[static_cast<long>(marker.size()) + 500] ^= 0x55;
  std::string error;
  ASSERT_TRUE(PrepareUnpackDirectory(Utf8(box.unpack()), &error));
  WriteAll(box.unpack() / "bad.zip", std::string(bytes.begin(), bytes.end()));
  ASSERT_TRUE(ChangeDirectory(Utf8(box.unpack())));
  std::string library;
  UnzipPayload(&library, "bad.zip");
  EXPECT_EQ(ReadAll(box.unpack() / "first.txt"), "intact");
  EXPECT_EQ(ReadAll(box.unpack() / "third.txt"), "also intact");

  // Cut in half: no central directory at all. Nothing is unpacked, nothing hangs.
  WriteAll(box.unpack() / "cut.zip", std::string(bytes.begin(), bytes.begin() + bytes.size() / 2));
  UnzipPayload(&library, "cut.zip");
  EXPECT_FALSE(fs::exists(box.unpack() / "cut.zip.out"));
}

TEST(UnpackTest, HostileNamesWriteNothingOutsideTheUnpackDirectory) {
  Sandbox box;
  ZipWriter zip;
  zip.Add("../escape-1.txt", "x");
  zip.Add("res/../../escape-2.txt", "x");
  zip.Add("res/../../../escape-3.txt", "x");
  zip.Add("..\\escape-4.txt", "x");
  zip.Add("/tmp/zt-launcher-absolute-escape-5.txt", "x");
  zip.Add("C:/zt-launcher-absolute-escape-6.txt", "x");
  zip.Add("ok.txt", "fine");
  Unpack(box, zip);
  // Only the unpack directory is in the temporary directory, and only the
  // temporary directory in the sandbox.
  EXPECT_EQ(Names(box.temp()), std::vector<std::string>{"ZANTOR"});
  EXPECT_EQ(Names(box.root()), std::vector<std::string>{"t\xC3\xA9mp"});
  EXPECT_FALSE(fs::exists("/tmp/zt-launcher-absolute-escape-5.txt"));
  EXPECT_FALSE(fs::exists(fs::current_path().root_path() / "zt-launcher-absolute-escape-6.txt"));
  EXPECT_EQ(ReadAll(box.unpack() / "ok.txt"), "fine");
}

#ifndef _WIN32
TEST(UnpackTest, StoredLinksComeOutAsNothingAndModesAsTheUmaskAllows) {
  Sandbox box;
  const mode_t old_mask = ::umask(027);
  ZipWriter zip;
  zip.Add("res/", "", 040777);
  zip.Add("res/passwd", "/etc/passwd", 0120777);
  zip.Add("res/open.txt", "x", 0100666);
  zip.Add("res/tool", "x", 0104777);
  Unpack(box, zip);
  ::umask(old_mask);
  EXPECT_FALSE(fs::exists(fs::symlink_status(box.unpack() / "res/passwd")));
  struct stat st {};
  ASSERT_EQ(::stat((box.unpack() / "res/open.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  ASSERT_EQ(::stat((box.unpack() / "res/tool").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0750u);
  ASSERT_EQ(::stat((box.unpack() / "res").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0750u);
}
#endif

TEST(DeleteTreeTest, RemovesReadOnlyFilesKeepsDotFilesAndNeverFollowsLinks) {
  Sandbox box;
  const fs::path tree = box.temp() / "tree";
  const fs::path outside = box.root() / "outside";
  fs::create_directories(tree / "sub/deeper");
  fs::create_directories(tree / "dotted");
  fs::create_directories(outside / "inner");
  WriteAll(tree / "plain.txt", "1");
  WriteAll(tree / "sub/deeper/readonly.txt", "2");
  ASSERT_TRUE(testing_support::MakeReadOnly(tree / "sub/deeper/readonly.txt"));
  WriteAll(tree / "dotted/.keep", "3");
  WriteAll(tree / "dotted/gone.txt", "4");
  WriteAll(tree / ".top", "5");
  WriteAll(outside / "precious.txt", "6");
  WriteAll(outside / "inner/precious.txt", "7");
  const bool linked = testing_support::MakeDirectoryLink(tree / "link", outside);

  DeleteTree(Utf8(tree));

  EXPECT_TRUE(fs::exists(tree));  // the directory itself stays
  EXPECT_FALSE(fs::exists(tree / "plain.txt"));
  EXPECT_FALSE(fs::exists(tree / "sub"));  // read-only file and its folders gone
  EXPECT_TRUE(fs::exists(tree / "dotted/.keep"));
  EXPECT_FALSE(fs::exists(tree / "dotted/gone.txt"));
  EXPECT_TRUE(fs::exists(tree / ".top"));
  EXPECT_EQ(ReadAll(outside / "precious.txt"), "6");
  EXPECT_EQ(ReadAll(outside / "inner/precious.txt"), "7");
  if (!linked) GTEST_SKIP() << "this system made no directory link";
  EXPECT_FALSE(fs::exists(fs::symlink_status(tree / "link"))) << "the link itself is removed";
}

TEST(DeleteTreeTest, AStartThatIsALinkIsNotEntered) {
  Sandbox box;
  const fs::path outside = box.root() / "outside";
  fs::create_directories(outside);
  WriteAll(outside / "precious.txt", "6");
  if (!testing_support::MakeDirectoryLink(box.temp() / "ZANTOR", outside)) {
    GTEST_SKIP() << "this system made no directory link";
  }
  DeleteTree(Utf8(box.temp() / "ZANTOR"));
  EXPECT_EQ(ReadAll(outside / "precious.txt"), "6");
}

TEST(LauncherStartupTest, ConsoleModeUnpacksThePayloadAndKeepsTheLock) {
  Sandbox box;
  ASSERT_EQ(LauncherStartup(nullptr, LaunchMode::kConsole), kStartupOk);
  EXPECT_TRUE(HoldsSingleInstance());
  EXPECT_EQ(fs::canonical(fs::current_path()), fs::canonical(box.unpack()));
  EXPECT_EQ(UnpackDirectory(), Utf8(box.unpack() / ""));
  // Every file of the payload as the build packed it.
  EXPECT_EQ(ReadAll(fs::u8path(UnpackedZantorSettings())), ReadAll(ZT_ZANTOR_INI));
  // Programs: compared whole, but not printed whole when they differ.
  EXPECT_TRUE(ReadAll(fs::u8path(UnpackedZantorProgram())) == ReadAll(ZT_ZANTOR_PROGRAM));
  EXPECT_TRUE(ReadAll(box.unpack() / "res/Terma" / ZT_TERMA_NAME) == ReadAll(ZT_TERMA_PROGRAM));
  EXPECT_EQ(ReadAll(box.unpack() / "res/Terma/ja/la_ja.htm"), ReadAll(ZT_LA_JA));
  EXPECT_TRUE(fs::is_regular_file(box.unpack() / "res/Terma/oss/info-zip.txt"));

  // A second start while this one holds the lock touches nothing.
  WriteAll(box.unpack() / "marker", "mine");
  EXPECT_EQ(LauncherStartup(nullptr, LaunchMode::kConsole), kStartupAlreadyRunning);
  EXPECT_EQ(ReadAll(box.unpack() / "marker"), "mine");

  RemoveUnpackedPayload();
  EXPECT_FALSE(fs::exists(box.unpack()));
  ReleaseSingleInstance();
  ReleaseSingleInstance();  // twice is harmless
  EXPECT_FALSE(HoldsSingleInstance());
  std::string error;
  EXPECT_EQ(AcquireSingleInstance(UnpackDirectory(), &error), kStartupOk) << error;
  ReleaseSingleInstance();
}

// ZANTOR swapped for a link (junction) to elsewhere while the payload is in
// use: the clean-up never empties what the link points to.
TEST(LauncherStartupTest, CleanUpNeverEntersAnUnpackDirectorySwappedForALink) {
  Sandbox box;
  const fs::path outside = box.root() / "outside";
  fs::create_directories(outside / "sub");
  WriteAll(outside / "precious.txt", "6");
  ASSERT_EQ(LauncherStartup(nullptr, LaunchMode::kConsole), kStartupOk);
  fs::current_path(box.root());  // Windows cannot rename a directory in use
  fs::rename(box.unpack(), box.temp() / "moved");
  if (!testing_support::MakeDirectoryLink(box.unpack(), outside)) {
    ReleaseSingleInstance();
    GTEST_SKIP() << "this system made no directory link";
  }
  RemoveUnpackedPayload();
  ReleaseSingleInstance();
  EXPECT_EQ(ReadAll(outside / "precious.txt"), "6");
  EXPECT_TRUE(fs::is_directory(outside / "sub"));
}

#ifndef _WIN32
// /tmp is shared: an unpack directory that someone else could have prepared
// is refused, and whatever it is stays as it was.
TEST(LauncherStartupTest, RefusesAnUnpackDirectoryThatIsNotPrivate) {
  struct Case {
    const char* what;
    void (*prepare)(const fs::path& dir, const fs::path& elsewhere);
  } cases[] = {
      {"writable by others",
       [](const fs::path& dir, const fs::path&) {
         fs::create_directories(dir);
         ::chmod(dir.c_str(), 0777);
       }},
      {"another user's",
       [](const fs::path& dir, const fs::path&) {
         fs::create_directories(dir);
         ::chmod(dir.c_str(), 0700);
         ASSERT_EQ(::chown(dir.c_str(), 65534, 65534), 0);
       }},
      {"a link to elsewhere",
       [](const fs::path& dir, const fs::path& elsewhere) {
         fs::create_directory_symlink(elsewhere, dir);
       }},
      {"a file", [](const fs::path& dir, const fs::path&) { WriteAll(dir, "file"); }},
  };
  for (const Case& c : cases) {
    Sandbox box;
    const fs::path elsewhere = box.root() / "elsewhere";
    fs::create_directories(elsewhere);
    WriteAll(elsewhere / "precious.txt", "6");
    c.prepare(box.unpack(), elsewhere);
    testing::internal::CaptureStderr();
    EXPECT_EQ(LauncherStartup(nullptr, LaunchMode::kConsole), kStartupPayloadNotWritten) << c.what;
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("ZANTOR"), std::string::npos) << c.what << ": " << said;
    EXPECT_FALSE(HoldsSingleInstance()) << c.what;
    EXPECT_EQ(Names(elsewhere), std::vector<std::string>{"precious.txt"}) << c.what;
    ReleaseSingleInstance();
  }
}

TEST(LauncherStartupTest, CreatesTheUnpackDirectoryOwnerOnly) {
  Sandbox box;
  ASSERT_EQ(LauncherStartup(nullptr, LaunchMode::kConsole), kStartupOk);
  struct stat st {};
  ASSERT_EQ(::lstat(box.unpack().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  RemoveUnpackedPayload();
  ReleaseSingleInstance();
}
#endif

}  // namespace
}  // namespace launcher
