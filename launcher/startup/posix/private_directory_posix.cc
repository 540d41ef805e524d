// The unpack directory is private: /tmp is shared and the launcher often
// runs as root, so another user's directory or link there must never receive
// the payload (or have its contents removed at the end).
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "launcher/startup/startup_services.h"

namespace launcher {

bool EnsurePrivateUnpackDirectory(const std::string& path, std::string* error) {
  std::string dir = path;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    *error = "cannot create " + dir + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0) {
    *error = "cannot examine " + dir + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    *error = dir + " is not a directory (a link or file is in its place); remove it first";
    return false;
  }
  if (st.st_uid != ::geteuid()) {
    *error = dir + " belongs to another user (uid " + std::to_string(st.st_uid) +
             "); remove it or set TMPDIR";
    return false;
  }
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    *error = dir + " is writable by other users; remove it or set TMPDIR";
    return false;
  }
  return true;
}

}  // namespace launcher
