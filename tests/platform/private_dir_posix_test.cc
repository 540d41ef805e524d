// The temporary directory is shared with other users on POSIX: what each of
// them may have put there before us, and what must not happen to it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes, mode_t mode = 0644) {
  { std::ofstream(path, std::ios::binary) << bytes; }
  ::chmod(path.c_str(), mode);
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st.st_mode;
}

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

class SharedTemp : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zt_private_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  std::string At(const std::string& name) const { return root_ + "/" + name; }

  std::string root_;
};

// ---- EnsurePrivateDirectory ------------------------------------------------

TEST_F(SharedTemp, MissingDirectoryIsCreatedForTheOwnerOnlyWhateverTheUmask) {
  const mode_t old = ::umask(0);
  std::string error;
  const bool ok = platform::EnsurePrivateDirectory(At("ZANTOR"), &error);
  ::umask(old);
  ASSERT_TRUE(ok) << error;
  EXPECT_EQ(ModeOf(At("ZANTOR")) & 07777, 0700u);
  // A second call finds it and accepts it.
  EXPECT_TRUE(platform::EnsurePrivateDirectory(At("ZANTOR"), &error)) << error;
}

TEST_F(SharedTemp, ExistingDirectoryIsRefusedUnlessPrivateToUs) {
  using R = platform::DirectoryRefusal;
  struct Case {
    const char* what;
    mode_t mode;
    uid_t owner;
    bool ok;
    const char* error_part;
    R refusal;
  };
  const Case cases[] = {
      {"own 0700", 0700, ::geteuid(), true, "", R::kNone},
      {"own 0755", 0755, ::geteuid(), true, "", R::kNone},
      {"own, world-writable", 0777, ::geteuid(), false, "writable by other users (mode 0777)",
       R::kNotOurs},
      {"own, sticky world-writable", 01777, ::geteuid(), false, "(mode 1777)", R::kNotOurs},
      {"own, group-writable", 0770, ::geteuid(), false, "(mode 0770)", R::kNotOurs},
      {"another user's, private", 0700, kNobody, false, "belongs to user 65534", R::kNotOurs},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dir = At("ZANTOR");
    ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(dir.c_str(), c.mode), 0);
    if (c.owner != ::geteuid()) {
      if (::geteuid() != 0) GTEST_SKIP() << "needs root to give the directory away";
      ASSERT_EQ(::chown(dir.c_str(), c.owner, static_cast<gid_t>(-1)), 0);
    }
    std::string error;
    R refusal = R::kFailed;
    EXPECT_EQ(platform::EnsurePrivateDirectory(dir, &error, &refusal), c.ok);
    EXPECT_EQ(refusal, c.refusal);
    EXPECT_NE(error.find(c.error_part), std::string::npos) << error;
    if (!c.ok) {
      EXPECT_NE(error.find(dir), std::string::npos) << error;
    }
    // Refusing never changes what was found.
    EXPECT_EQ(ModeOf(dir) & 07777, c.mode);
    ASSERT_EQ(::rmdir(dir.c_str()), 0);
  }
}

TEST_F(SharedTemp, NamesThatAreNotARealDirectoryAreRefused) {
  std::string error;
  ASSERT_EQ(::mkdir(At("elsewhere").c_str(), 0700), 0);
  ASSERT_EQ(::symlink(At("elsewhere").c_str(), At("link").c_str()), 0);
  EXPECT_FALSE(platform::EnsurePrivateDirectory(At("link"), &error));
  EXPECT_NE(error.find("symbolic link"), std::string::npos) << error;

  WriteBytes(At("file"), "x");
  EXPECT_FALSE(platform::EnsurePrivateDirectory(At("file"), &error));
  EXPECT_NE(error.find("is not a directory"), std::string::npos) << error;

  EXPECT_FALSE(platform::EnsurePrivateDirectory(At("missing/ZANTOR"), &error));
  EXPECT_NE(error.find("Cannot create the directory"), std::string::npos) << error;
  EXPECT_NE(error.find(std::strerror(ENOENT)), std::string::npos) << error;
}

TEST_F(SharedTemp, FallbackIsTheRuntimeDirectoryWhenItIsOursElseAFreshOne) {
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string kept = saved != nullptr ? saved : "";
  ASSERT_EQ(::mkdir(At("run").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(At("open").c_str(), 0777), 0);
  ASSERT_EQ(::chmod(At("open").c_str(), 0777), 0);
  const struct {
    std::string runtime;
    std::string expected_prefix;
  } cases[] = {
      {At("run"), At("run") + "/ZANTOR"},
      {At("open"), root_ + "/ZANTOR."},  // others may write there
      {"relative", root_ + "/ZANTOR."},
      {"", root_ + "/ZANTOR."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.runtime);
    ::setenv("XDG_RUNTIME_DIR", c.runtime.c_str(), 1);
    std::string path, error;
    ASSERT_TRUE(platform::MakeFallbackPrivateDirectory(root_ + "/", "ZANTOR", &path, &error))
        << error;
    EXPECT_EQ(path.compare(0, c.expected_prefix.size(), c.expected_prefix), 0) << path;
    EXPECT_EQ(ModeOf(path) & 07777, 0700u);
    ASSERT_EQ(::rmdir(path.c_str()), 0);
  }
  if (saved != nullptr)
    ::setenv("XDG_RUNTIME_DIR", kept.c_str(), 1);
  else
    ::unsetenv("XDG_RUNTIME_DIR");
}

// ---- Files in it -------------------------------------------------------------

TEST_F(SharedTemp, FreshFileReplacesALinkWithoutTouchingItsTarget) {
  WriteBytes(At("victim"), "precious", 0444);
  ASSERT_EQ(::symlink(At("victim").c_str(), At("Zantor.ini").c_str()), 0);
  ASSERT_EQ(::symlink(At("nowhere").c_str(), At("image.rcc").c_str()), 0);  // dangling

  for (const char* name : {"Zantor.ini", "image.rcc"}) {
    SCOPED_TRACE(name);
    platform::File file;
    ASSERT_EQ(platform::CreateFreshFile(At(name), &file), 0);
    ASSERT_EQ(file.WriteAll(Bytes("staged"), 6), 0);
    ASSERT_EQ(file.Close(), 0);
    const mode_t mode = ModeOf(At(name));
    EXPECT_TRUE(S_ISREG(mode));
    EXPECT_EQ(mode & 07777, 0600u);
    EXPECT_EQ(ReadBytes(At(name)), "staged");
  }
  EXPECT_EQ(ReadBytes(At("victim")), "precious");
  EXPECT_EQ(ModeOf(At("victim")) & 07777, 0444u);
  EXPECT_FALSE(fs::exists(At("nowhere")));
}

TEST_F(SharedTemp, FreshFileReplacesAStaleReadOnlyFileButNotADirectory) {
  WriteBytes(At("stale"), "old", 0444);
  platform::File file;
  ASSERT_EQ(platform::CreateFreshFile(At("stale"), &file), 0);
  uint64_t size = 1;
  ASSERT_EQ(file.Size(&size), 0);
  EXPECT_EQ(size, 0u);

  ASSERT_EQ(::mkdir(At("dir").c_str(), 0700), 0);
  WriteBytes(At("dir/inside"), "x");
  platform::File refused;
  EXPECT_NE(platform::CreateFreshFile(At("dir"), &refused), 0);
  EXPECT_FALSE(refused.is_open());
  EXPECT_TRUE(fs::exists(At("dir/inside")));
}

TEST_F(SharedTemp, AnOpenFileKeepsItsBytesWhenTheNameIsReplaced) {
  platform::File file;
  ASSERT_EQ(platform::CreateFreshFile(At("image"), &file), 0);
  ASSERT_EQ(file.WriteAll(Bytes("ours-0123456789"), 15), 0);
  ASSERT_EQ(::unlink(At("image").c_str()), 0);
  WriteBytes(At("image"), "attacker's bytes");

  std::string back(32, '\0');
  size_t got = 0;
  ASSERT_EQ(file.ReadAt(5, reinterpret_cast<uint8_t*>(&back[0]), back.size(), &got), 0);
  EXPECT_EQ(back.substr(0, got), "0123456789");
  ASSERT_EQ(file.ReadAt(15, reinterpret_cast<uint8_t*>(&back[0]), back.size(), &got), 0);
  EXPECT_EQ(got, 0u);
}

TEST_F(SharedTemp, RemovalTakesOnlyOurOwnFileAndNeverFollowsALink) {
  platform::File ours;
  ASSERT_EQ(platform::CreateFreshFile(At("a"), &ours), 0);
  const platform::FileId id = ours.id();
  ASSERT_TRUE(id.valid);

  // Another instance replaced it: its file stays. (Ours is still open, so
  // the new file cannot have been given our inode number.)
  ASSERT_EQ(::unlink(At("a").c_str()), 0);
  WriteBytes(At("a"), "theirs");
  EXPECT_EQ(platform::RemoveIfSameFile(At("a"), id), EEXIST);
  EXPECT_EQ(ReadBytes(At("a")), "theirs");
  EXPECT_EQ(platform::RemoveIfSameFile(At("missing"), id), ENOENT);

  platform::File again;
  ASSERT_EQ(platform::CreateFreshFile(At("b"), &again), 0);
  EXPECT_EQ(platform::RemoveIfSameFile(At("b"), again.id()), 0);
  EXPECT_FALSE(fs::exists(At("b")));

  // A link: the link goes, its target stays, and its mode is not changed.
  WriteBytes(At("victim"), "precious", 0444);
  ASSERT_EQ(::symlink(At("victim").c_str(), At("link").c_str()), 0);
  EXPECT_NE(platform::SetNormalAttributes(At("link")), 0);
  EXPECT_EQ(ModeOf(At("victim")) & 07777, 0444u);
  EXPECT_EQ(platform::RemoveNoFollow(At("link")), 0);
  EXPECT_FALSE(fs::is_symlink(At("link")));
  EXPECT_EQ(ReadBytes(At("victim")), "precious");
}

TEST_F(SharedTemp, ModeIsChangedThroughTheDescriptor) {
  platform::File file;
  ASSERT_EQ(platform::CreateFreshFile(At("f"), &file), 0);
  // The name now points elsewhere; the change must reach our file only.
  ASSERT_EQ(::rename(At("f").c_str(), At("g").c_str()), 0);
  WriteBytes(At("f"), "other", 0600);
  ASSERT_EQ(file.SetMode(0400), 0);
  EXPECT_EQ(ModeOf(At("g")) & 07777, 0400u);
  EXPECT_EQ(ModeOf(At("f")) & 07777, 0600u);
}

}  // namespace
