// One pass of Info-ZIP UnZip's shared library, loaded at run time: its Unix
// interface (UzpVersion, UzpAltMain) with the records of its own header.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "launcher/startup/posix/unpacked_tree.h"
#include "launcher/startup/startup_services.h"
#include "launcher/startup/unzip_version.h"

// The library's header, after every system header: it defines short macros.
#include "unzip.h"  // NOLINT(build/include_subdir)

namespace launcher {
namespace {

// Shows nothing; the length it was given counts as written.
int Silent(zvoid*, uch*, ulg size, int) { return static_cast<int>(size); }

// The system's reason for the library's "disk full": errno when it still
// names a write failure, else the full disk the library assumed.
int WriteFailureReason(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
    case EIO:
    case EROFS:
      return error;
    default:
      return ENOSPC;
  }
}
// No questions are ever answered from a terminal.
int NoInput(zvoid*, uch*, int*, int) { return 0; }
void NoPause(zvoid*, ZCONST char*, int) {}

class Library {
 public:
  // Opened without following a link and loaded through its descriptor, so
  // the file checked is the file loaded.
  explicit Library(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
      const std::string by_fd = "/proc/self/fd/" + std::to_string(fd);
      handle_ = ::dlopen(by_fd.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    ::close(fd);
  }
  ~Library() {
    if (handle_ != nullptr) ::dlclose(handle_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  void* Find(const char* name) const { return handle_ ? ::dlsym(handle_, name) : nullptr; }

 private:
  void* handle_ = nullptr;
};

// Every signal disposition as it was before the pass, put back after it:
// a handler left pointing into the library would outlive its unloading.
class SavedSignals {
 public:
  SavedSignals() {
    for (int n = 1; n < NSIG; ++n) saved_[n] = ::sigaction(n, nullptr, &actions_[n]) == 0;
  }
  ~SavedSignals() {
    for (int n = 1; n < NSIG; ++n) {
      if (saved_[n]) ::sigaction(n, &actions_[n], nullptr);
    }
  }
  SavedSignals(const SavedSignals&) = delete;
  SavedSignals& operator=(const SavedSignals&) = delete;

 private:
  struct sigaction actions_[NSIG] {};
  bool saved_[NSIG] = {};
};

// The library asks on the terminal when a write fails and reads the answer
// from standard input; during a pass that input is /dev/null, so it gives up
// at once and nothing meant for the licence question is eaten.
class InputFromNull {
 public:
  InputFromNull() : saved_(::fcntl(0, F_DUPFD_CLOEXEC, 3)) {
    // With no standard input, /dev/null becomes descriptor 0 itself.
    const int null_fd = ::open("/dev/null", O_RDONLY);
    if (null_fd > 0) {
      ::dup2(null_fd, 0);
      ::close(null_fd);
    }
  }
  ~InputFromNull() {
    if (saved_ >= 0) {
      ::dup2(saved_, 0);
      ::close(saved_);
    } else {
      ::close(0);
    }
    std::clearerr(stdin);
  }
  InputFromNull(const InputFromNull&) = delete;
  InputFromNull& operator=(const InputFromNull&) = delete;

 private:
  int saved_;
};

}  // namespace

int RunUnzipPass(const std::string& library_path, const std::string& archive, bool list_only,
                 std::string* failure) {
  Library library(library_path);
  // After the library: the dispositions come back before it is unloaded.
  SavedSignals signals;
  using VersionFn = ZCONST UzpVer* (*)();
  using MainFn = int (*)(int, char**, UzpInit*);
  auto version_fn = reinterpret_cast<VersionFn>(library.Find("UzpVersion"));
  auto main_fn = reinterpret_cast<MainFn>(library.Find("UzpAltMain"));
  if (version_fn == nullptr || main_fn == nullptr) return -1;

  if (!UnzipVersionAcceptable(version_fn())) return -1;

  // The user's UNZIP / UNZIPOPT options would otherwise join ours (one of
  // them, "-:", lets names climb out of the current directory).
  ::unsetenv("UNZIP");
  ::unsetenv("UNZIPOPT");

  UzpInit init{};
  init.structlen = sizeof init;
  init.msgfn = Silent;
  init.inputfn = NoInput;
  init.pausefn = NoPause;
  // Listing: "-l". Extraction into the current directory: stored folders
  // recreated with "../" and leading "/" removed (no "-:"), existing files
  // overwritten without asking ("-o"), nothing shown ("-qq").
  std::vector<std::string> args = {"unzip"};
  if (list_only) {
    args.push_back("-l");
  } else {
    args.push_back("-o");
    args.push_back("-qq");
  }
  args.push_back(archive);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);
  InputFromNull no_input;
  errno = 0;
  const int result = main_fn(static_cast<int>(args.size()), argv.data(), &init);
  if (result == PK_DISK && failure != nullptr) *failure = std::strerror(WriteFailureReason(errno));
  if (!list_only) TameUnpackedTree();
  return result;
}

}  // namespace launcher
