// A file of known bytes in the temporary directory, removed at scope end.
#ifndef TESTS_SUPPORT_TEMP_FILE_H_
#define TESTS_SUPPORT_TEMP_FILE_H_

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

class TempFile {
 public:
  explicit TempFile(const std::vector<uint8_t>& bytes, const std::string& stem = "image") {
    static int counter = 0;
    path_ = (std::filesystem::temp_directory_path() /
             (stem + "-" + std::to_string(reinterpret_cast<uintptr_t>(this)) + "-" +
              std::to_string(counter++) + ".bin"))
                .string();
    std::FILE* f = std::fopen(path_.c_str(), "wb");
    if (f != nullptr) {
      if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
  }
  ~TempFile() { std::remove(path_.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& path() const { return path_; }

  // Deterministic bytes that make misplaced chunks show.
  static std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> b(size);
    for (size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>((i * 131u + (i >> 8)) & 0xFF);
    return b;
  }

 private:
  std::string path_;
};

}  // namespace testing_support

#endif  // TESTS_SUPPORT_TEMP_FILE_H_
