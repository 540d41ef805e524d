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

std::string UnpackedZantorProgram() {
  const std::string dir = UnpackDirectory();
  if (dir.empty()) return dir;
  const std::string path = dir + kPayloadFolder + platform::PathSeparator() + ZantorFileName();
  return Fits(path) ? path : std::string();
}

std::string UnpackedZantorSettings() {
  const std::string dir = UnpackDirectory();
  if (dir.empty()) return dir;
  const std::string path = dir + kPayloadFolder + platform::PathSeparator() + "Zantor.ini";
  return Fits(path) ? path : std::string();
}

int CopyResourceToFile(bool from_program_file, const std::string& module, const std::string& name,
                       const std::string& type, const std::string& output_path) {
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
  if (platform::WriteWholeFile(output_path, resource.data(), resource.size()) != 0) return 0;
  platform::SetNormalAttributes(output_path);
  return 1;
}

void UnzipPayload(std::string* library_path, const std::string& archive) {
  const UnzipLibraryResource library = UnzipLibrary();
  const std::string path = Join(UnpackDirectory(), library.file_name);
  if (library_path != nullptr) *library_path = path;
  if (!Fits(path)) return;
  platform::Resource resource;
  if (platform::LoadOwnResource(library.type, library.name, &resource) !=
      platform::ResourceError::kNone) {
    return;
  }
  platform::SetNormalAttributes(path);
  platform::RemoveFile(path);
  if (platform::WriteWholeFile(path, resource.data(), resource.size()) != 0) return;
  platform::SetNormalAttributes(path);
  int result = RunUnzipPass(path, archive, /*list_only=*/true);
  if (result != -1) result = RunUnzipPass(path, archive, /*list_only=*/false);
  if (result == -1) platform::RemoveFile(path);
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
    DeleteTree(dir);
    platform::SetNormalAttributes(bare);
    const platform::SysError error = platform::RemoveEmptyDirectory(bare);
    if (error == 0 || !DirectoryExists(bare)) return;
  }
}

int LauncherStartup(void* instance, LaunchMode mode) {
  const bool graphical = mode == LaunchMode::kGraphical;
  if (!AcquireSingleInstance()) return kStartupAlreadyRunning;

  std::unique_ptr<StartupProgress> progress;
  if (graphical) progress = StartStartupProgress(instance);

  const std::string dir = UnpackDirectory();
  std::string error;
  if (dir.empty() || !PrepareUnpackDirectory(dir, &error)) {
    if (!error.empty()) std::fprintf(stderr, "fwlauncher: %s\n", error.c_str());
    ReleaseSingleInstance();
    return kStartupPayloadNotWritten;
  }
  ChangeDirectory(dir);
  const std::string archive = Join(dir, kArchiveName);
  if (CopyResourceToFile(false, std::string(), kPayloadResourceName, kPayloadResourceType,
                         archive) != 1) {
    ReleaseSingleInstance();
    return kStartupPayloadNotWritten;
  }
  // The library sees only the relative name: the current directory is D, and
  // an 8-bit archive path could not spell every temporary directory.
  std::string library;
  UnzipPayload(&library, kArchiveName);
  if (!graphical) return kStartupOk;

  const std::string res = Join(dir, kPayloadFolder);
  ChangeDirectory(res);
  RunViewerElevated(Join(res, ViewerRelativePath()), progress.get());
  progress->WaitUntilClosed();
  progress.reset();

  RemoveUnpackedPayload();
  ReleaseSingleInstance();
  return kStartupOk;
}

}  // namespace launcher
