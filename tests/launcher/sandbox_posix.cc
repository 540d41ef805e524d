#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/launcher/sandbox.h"

namespace testing_support {

void SetTempDirectoryVariable(const std::string& utf8_dir) {
  ::setenv("TMPDIR", utf8_dir.c_str(), 1);
}

bool MakeReadOnly(const std::filesystem::path& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return false;
  return ::chmod(path.c_str(), st.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool MakeDirectoryLink(const std::filesystem::path& link, const std::filesystem::path& target) {
  return ::symlink(target.c_str(), link.c_str()) == 0;
}

}  // namespace testing_support
