// One pass of Info-ZIP UnZip's shared library, loaded at run time: its Unix
// interface (UzpVersion, UzpAltMain) with the records of its own header.
#include <dlfcn.h>
#include <stdlib.h>

#include <cstddef>
#include <string>
#include <vector>

#include "launcher/startup/startup_services.h"
#include "launcher/startup/unzip_version.h"

// The library's header, after every system header: it defines short macros.
#include "unzip.h"  // NOLINT(build/include_subdir)

namespace launcher {
namespace {

// Shows nothing; the length it was given counts as written.
int Silent(zvoid*, uch*, ulg size, int) { return static_cast<int>(size); }
// No questions are ever answered from a terminal.
int NoInput(zvoid*, uch*, int*, int) { return 0; }
void NoPause(zvoid*, ZCONST char*, int) {}

class Library {
 public:
  explicit Library(const std::string& path)
      : handle_(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
  ~Library() {
    if (handle_ != nullptr) ::dlclose(handle_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  void* Find(const char* name) const { return handle_ ? ::dlsym(handle_, name) : nullptr; }

 private:
  void* handle_;
};

}  // namespace

int RunUnzipPass(const std::string& library_path, const std::string& archive, bool list_only) {
  Library library(library_path);
  using VersionFn = ZCONST UzpVer* (*)();
  using MainFn = int (*)(int, char**, UzpInit*);
  auto version_fn = reinterpret_cast<VersionFn>(library.Find("UzpVersion"));
  auto main_fn = reinterpret_cast<MainFn>(library.Find("UzpAltMain"));
  if (version_fn == nullptr || main_fn == nullptr) return -1;

  const UzpVer* version = version_fn();
  if (version == nullptr) return -1;
  UnzipVersionInfo info;
  info.struct_length = version->structlen;
  info.api_minimum_end = offsetof(UzpVer, dllapimin) + sizeof(version->dllapimin);
  info.unzip_major = version->unzip.major;
  info.api_major = version->dllapimin.major;
  info.api_minor = version->dllapimin.minor;
  info.api_patch = version->dllapimin.patchlevel;
  if (!UnzipVersionAcceptable(info)) return -1;

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
  return main_fn(static_cast<int>(args.size()), argv.data(), &init);
}

}  // namespace launcher
