// One pass of unzip32.dll, loaded at run time by its full path: the version
// test, then Wiz_SingleEntryUnzip with the options and user-functions records
// as the library's own headers define them.
#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>

#include "launcher/startup/startup_services.h"
#include "launcher/startup/unzip_version.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

// The library's import header, after every system header: it defines short
// macros.
#include "windll/decs.h"  // NOLINT(build/include_subdir)

namespace launcher {
namespace {

int WINAPI PrintNothing(LPSTR, unsigned long size) { return static_cast<int>(size); }
int WINAPI ReplaceAlways(LPSTR, unsigned) { return 1; }
int WINAPI NoPassword(LPSTR, int, LPCSTR, LPCSTR) { return 1; }
void WINAPI IgnoreMessage(z_uint8, z_uint8, unsigned, unsigned, unsigned, unsigned, unsigned,
                          unsigned, char, LPCSTR, LPCSTR, unsigned long, char) {}

}  // namespace

int RunUnzipPass(const std::string& library_path, const std::string& archive, bool list_only,
                 std::string* failure) {
  auto options = std::make_unique<DCL>();
  auto functions = std::make_unique<USERFUNCTIONS>();
  *options = DCL{};
  *functions = USERFUNCTIONS{};
  functions->print = PrintNothing;
  functions->sound = nullptr;
  functions->replace = ReplaceAlways;
  functions->password = NoPassword;
  functions->SendApplicationMessage = IgnoreMessage;
  functions->ServCallBk = nullptr;

  platform::win32::UniqueModule library(
      LoadLibraryW(platform::win32::Utf8ToWide(library_path).c_str()));
  if (!library) return -1;
  using VersionFn = UzpVer*(WINAPI*)();
  using UnzipFn = int(WINAPI*)(int, char**, int, char**, LPDCL, LPUSERFUNCTIONS);
  auto version_fn = reinterpret_cast<VersionFn>(
      reinterpret_cast<void*>(GetProcAddress(library.get(), "UzpVersion")));
  auto unzip_fn = reinterpret_cast<UnzipFn>(
      reinterpret_cast<void*>(GetProcAddress(library.get(), "Wiz_SingleEntryUnzip")));
  if (version_fn == nullptr || unzip_fn == nullptr) return -1;

  if (!UnzipVersionAcceptable(version_fn())) return -1;

  // 8-bit, as the library takes it; the caller passes a relative name.
  std::string zip_name = archive;
  options->StructVersID = UZ_DCL_STRUCTVER;
  options->PromptToOverwrite = 1;
  options->nvflag = list_only ? 1 : 0;
  options->ndflag = 1;  // recreate stored folders, "../" removed
  options->noflag = 1;  // overwrite without asking
  options->lpszZipFN = &zip_name[0];
  options->lpszExtractDir = nullptr;  // the current directory
  const int result = unzip_fn(0, nullptr, 0, nullptr, options.get(), functions.get());
  // The library's Windows build gives up on a failed write without asking,
  // and keeps no system reason.
  if (result == kUnzipWriteFailed && failure != nullptr) *failure = "the disk is full";
  return result;
}

}  // namespace launcher
