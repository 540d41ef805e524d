// The start-up flow shared by both systems; the system-specific steps are in
// startup_services.h.
#include "launcher/startup/launcher_startup.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "launcher/startup/startup_services.h"
#include "platform/files.h"
#include "platform/host.h"
#include "platform/resources.h"

namespace launcher {
namespace {

constexpr char kUnpackFolder[] = "ZANTOR";
constexpr char kArchiveName[] = "res.zip";
constexpr char kPayloadFolder[] = "res";

std::string Join(const std::string& dir, const char* name) {
  std::string path = dir;
  if (!path.empty() && path.back() != platform::PathSeparator()) path += platform::PathSeparator();
  return path + name;
}

constexpr int kRemoveAttempts = 20;
constexpr auto kRemoveRetryPause = std::chrono::milliseconds(100);

bool Fits(const std::string& path) { return !path.empty() && path.size() < kMaxLauncherPath; }

}  // namespace

bool PrepareUnpackDirectory(const std::string& path, std::string* error) {
  std::string bare = path;
  // Without the separator: "dir/" would let lstat follow a link at "dir".
  while (bare.size() > 1 && bare.back() == platform::PathSeparator()) bare.pop_back();
  return platform::EnsurePrivateDirectory(bare, error);
}

std::string UnpackDirectory() {
  const std::string temp = platform::TempPath();
  if (temp.empty()) return std::string();
  std::string dir = temp + kUnpackFolder + platform::PathSeparator();
  return Fits(dir) ? dir : std::string();
}

std::string HeldUnpackDirectory() {
  const std::string dir = UnpackDirectory();
  return dir.empty() ? dir : HeldDirectoryPath(dir);
}

std::string UnpackedZantorProgram() {
  const std::string dir = HeldUnpackDirectory();
  if (dir.empty()) return dir;
  const std::string path = dir + kPayloadFolder + platform::PathSeparator() + ZantorFileName();
  return Fits(path) ? path : std::string();
}

std::string UnpackedZantorSettings() {
  const std::string dir = HeldUnpackDirectory();
  if (dir.empty()) return dir;
  const std::string path = dir + kPayloadFolder + platform::PathSeparator() + "Zantor.ini";
  return Fits(path) ? path : std::string();
}

namespace {

// CopyResourceToFile with the reason of a failed write (0 otherwise).
int CopyResource(bool from_program_file, const std::string& module, const std::string& name,
                 const std::string& type, const std::string& output_path,
                 platform::SysError* write_error) {
  *write_error = 0;
  if (!Fits(output_path)) return 0;
  platform::Resource resource;
  platform::ResourceError error = platform::ResourceError::kNotFound;
  if (from_program_file) error = platform::LoadProgramResource(module, type, name, &resource);
  // A program file that cannot be opened falls back to our own resources,
  // which hold none of the names asked for from a program file.
  if (!from_program_file || error == platform::ResourceError::kProgramNotOpened) {
    error = platform::LoadOwnResource(type, name, &resource);
  }
  if (error != platform::ResourceError::kNone) return 0;
  // A read-only file left behind must not stop the replacement.
  platform::SetNormalAttributes(output_path);
  *write_error = platform::WriteWholeFile(output_path, resource.data(), resource.size());
  if (*write_error != 0) return 0;
  platform::SetNormalAttributes(output_path);
  return 1;
}

}  // namespace

int CopyResourceToFile(bool from_program_file, const std::string& module, const std::string& name,
                       const std::string& type, const std::string& output_path) {
  platform::SysError ignored = 0;
  return CopyResource(from_program_file, module, name, type, output_path, &ignored);
}

bool UnzipPayload(std::string* library_path, const std::string& archive, std::string* error) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  const UnzipLibraryResource library = UnzipLibrary();
  const std::string path = Join(HeldUnpackDirectory(), library.file_name);
  if (library_path != nullptr) *library_path = path;
  if (!Fits(path)) return true;
  platform::Resource resource;
  if (platform::LoadOwnResource(library.type, library.name, &resource) !=
      platform::ResourceError::kNone) {
    return true;
  }
  platform::SetNormalAttributes(path);
  platform::RemoveFile(path);
  const platform::SysError written = platform::WriteWholeFile(path, resource.data(), resource.size());
  if (written != 0) {
    *error = "cannot write " + std::string(library.file_name) + ": " +
             platform::SysErrorText(written);
    return false;
  }
  platform::SetNormalAttributes(path);
  int result = RunUnzipPass(path, archive, /*list_only=*/true, error);
  if (result != -1 && result != kUnzipWriteFailed) {
    result = RunUnzipPass(path, archive, /*list_only=*/false, error);
  }
  if (result == -1) platform::RemoveFile(path);
  if (result != kUnzipWriteFailed) return true;
  if (error->empty()) *error = "a file could not be written";
  return false;
}

void RemoveUnpackedPayload() {
  const std::string dir = UnpackDirectory();
  if (dir.empty()) return;
  // Out of the tree, so the current directory does not keep it in use.
  ChangeDirectory(platform::TempPath());
  std::string bare = dir;
  bare.pop_back();
  // A viewer that has just ended may still hold its program file for a
  // moment (Windows releases the image after the process is signalled), so a
  // tree that is still there is tried again for a short while; whatever is
  // still in use after that stays behind.
  for (int attempt = 0; attempt < kRemoveAttempts; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(kRemoveRetryPause);
    const platform::SysError error = RemoveUnpackDirectoryOnce(dir);
    if (error == 0 || !DirectoryExists(bare)) return;
  }
}

namespace {

// A start refused for anything but a real second instance says why.
int Refuse(const std::string& why) {
  std::fprintf(stderr, "fwlauncher: %s\n", why.c_str());
  return kStartupPayloadNotWritten;
}

// Ends a start that took the lock and made the unpack directory: what it
// wrote goes again, then the lock.
int Abandon(const std::string& why) {
  RemoveUnpackedPayload();
  ReleaseSingleInstance();
  return Refuse(why);
}

}  // namespace

int LauncherStartup(void* instance, LaunchMode mode) {
  const bool graphical = mode == LaunchMode::kGraphical;
  const std::string dir = UnpackDirectory();
  if (dir.empty()) {
    return Refuse("no usable temporary directory: it is unknown, or its path is longer than " +
                  std::to_string(kMaxLauncherPath - 1 - std::string(kUnpackFolder).size() - 1) +
                  " bytes");
  }
  std::string error;
  const int taken = AcquireSingleInstance(dir, &error);
  if (taken == kStartupAlreadyRunning) {
    // A real second instance says nothing; anything else says why.
    if (!error.empty()) std::fprintf(stderr, "fwlauncher: %s\n", error.c_str());
    return taken;
  }
  if (taken != kStartupOk) return Refuse(error);

  std::unique_ptr<StartupProgress> progress;
  if (graphical) progress = StartStartupProgress(instance);

  // Below the directory everything goes through what this process holds
  // (Linux: the directory's descriptor), never again through its name.
  const std::string held = HeldDirectoryPath(dir);
  if (!ChangeDirectory(held)) return Abandon("cannot enter the directory " + dir);
  const std::string archive = Join(held, kArchiveName);
  platform::SysError write_error = 0;
  if (CopyResource(false, std::string(), kPayloadResourceName, kPayloadResourceType, archive,
                   &write_error) != 1) {
    return Abandon("cannot write the payload " + dir + kArchiveName +
                   (write_error != 0 ? ": " + platform::SysErrorText(write_error) : ""));
  }
  // The library sees only the relative name: the current directory is D, and
  // an 8-bit archive path could not spell every temporary directory.
  std::string library;
  if (!UnzipPayload(&library, kArchiveName, &error)) {
    return Abandon("cannot unpack the payload into " + dir + ": " + error);
  }
  if (!graphical) return kStartupOk;

  const std::string res = Join(held, kPayloadFolder);
  ChangeDirectory(res);
  RunViewerElevated(Join(res, ViewerRelativePath()), progress.get());
  progress->WaitUntilClosed();
  progress.reset();

  RemoveUnpackedPayload();
  ReleaseSingleInstance();
  return kStartupOk;
}

}  // namespace launcher
