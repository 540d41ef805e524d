#include "tests/launcher/sandbox.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <system_error>

namespace testing_support {

namespace fs = std::filesystem;

Sandbox::Sandbox() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  // The system's, before any sandbox replaced it.
  static const fs::path base = fs::temp_directory_path();
  saved_cwd_ = fs::current_path();
  root_ = base / fs::u8path("zt-launcher-\xC3\xBC-" + std::to_string(stamp) + "-" +
                            std::to_string(counter++));
  temp_ = root_ / fs::u8path("t\xC3\xA9mp");
  fs::create_directories(temp_);
  SetTempDirectoryVariable(Utf8(temp_));
}

Sandbox::~Sandbox() {
  std::error_code ignored;
  fs::current_path(saved_cwd_, ignored);
  // Read-only leftovers first get their rights back.
  for (auto it = fs::recursive_directory_iterator(root_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (!it->is_symlink(ignored)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }
  fs::remove_all(root_, ignored);
}

std::string ReadAll(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

void WriteAll(const fs::path& path, const std::string& data) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << data;
}

}  // namespace testing_support
