// A private temporary directory for one test, with a non-ASCII name, made
// the program's temporary directory (TMPDIR / TMP and TEMP) while it lives.
#ifndef TESTS_LAUNCHER_SANDBOX_H_
#define TESTS_LAUNCHER_SANDBOX_H_

#include <filesystem>
#include <string>

namespace testing_support {

// The few OS calls the tests need beyond std::filesystem.
void SetTempDirectoryVariable(const std::string& utf8_dir);
bool MakeReadOnly(const std::filesystem::path& path);
// A symbolic link (POSIX) or junction-like directory link (Windows) at
// `link` pointing to the directory `target`.
bool MakeDirectoryLink(const std::filesystem::path& link, const std::filesystem::path& target);

class Sandbox {
 public:
  Sandbox();
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const std::filesystem::path& root() const { return root_; }  // holds temp/
  const std::filesystem::path& temp() const { return temp_; }  // the temporary directory
  std::filesystem::path unpack() const { return temp_ / "ZANTOR"; }

 private:
  std::filesystem::path saved_cwd_;
  std::filesystem::path root_;
  std::filesystem::path temp_;
};

std::string ReadAll(const std::filesystem::path& path);
void WriteAll(const std::filesystem::path& path, const std::string& data);
inline std::string Utf8(const std::filesystem::path& path) { return path.u8string(); }

}  // namespace testing_support

#endif  // TESTS_LAUNCHER_SANDBOX_H_
