// What the start-up needs from the operating system, one backend per system
// (win32/, posix/). Internal to the launcher's start-up library; the tests
// reach the unzip pass and the tree removal through it.
#ifndef LAUNCHER_STARTUP_STARTUP_SERVICES_H_
#define LAUNCHER_STARTUP_STARTUP_SERVICES_H_

#include <memory>
#include <string>

#include "platform/sys_error.h"

namespace launcher {

// Takes the single-instance lock for the unpack directory `dir`: kStartupOk,
// kStartupAlreadyRunning when another instance holds it (nothing touched,
// nothing said), or kStartupPayloadNotWritten with the reason in `error`.
// Linux: the lock is the unpack directory itself (flock on its descriptor),
// made private first, after the temporary directory above it was checked;
// so only this user can ever hold or block it.
int AcquireSingleInstance(const std::string& dir, std::string* error);

// The unpack directory as this process reaches its contents: Linux, while
// the lock is held, "/proc/self/fd/N/" for the directory's own descriptor, so
// no name above it can be swapped underneath; else `dir` itself.
std::string HeldDirectoryPath(const std::string& dir);

// Removes the contents of the unpack directory `dir` (DeleteTree; Linux:
// through the held descriptor), then the directory itself when it is still
// the one this process holds. 0, or the reason it stayed.
platform::SysError RemoveUnpackDirectoryOnce(const std::string& dir);

// Creates the unpack directory (a trailing separator is fine). An existing
// one is used only when it is a real directory, not a link or junction, and
// on Linux only when it is this user's and nobody else may write to it
// (created 0700); otherwise false with the reason in `error`.
bool PrepareUnpackDirectory(const std::string& path, std::string* error);

bool ChangeDirectory(const std::string& path);

// Anything at `path`, a link included (not followed).
bool DirectoryExists(const std::string& path);

// The unzip library as this program carries it: the resource's type and
// name, and the file name it is written to inside the unpack directory.
struct UnzipLibraryResource {
  const char* type;
  const char* name;
  const char* file_name;
};
UnzipLibraryResource UnzipLibrary();

// One pass of the library at `library_path` over `archive`: a listing pass
// (list_only) or an extraction pass into the current directory. Returns the
// library's own result, or -1 when the library cannot be loaded, lacks its
// entry points or fails the version test. A write failure (kUnzipWriteFailed)
// ends the pass at once, never asking anyone; `failure` then holds the
// system's reason.
constexpr int kUnzipWriteFailed = 50;  // the library's "disk full"
int RunUnzipPass(const std::string& library_path, const std::string& archive, bool list_only,
                 std::string* failure = nullptr);

// The start-up window (Windows, on a thread of its own) or the progress on
// the terminal (Linux).
class StartupProgress {
 public:
  virtual ~StartupProgress() = default;
  // The viewer runs: close the window one second from now (closing timer).
  virtual void ViewerStarted() = 0;
  // Blocks until the window thread has ended.
  virtual void WaitUntilClosed() = 0;
};
std::unique_ptr<StartupProgress> StartStartupProgress(void* instance);

// The viewer, relative to the unpacked "res" directory, and the updater's
// file name there.
const char* ViewerRelativePath();
const char* ZantorFileName();

// Starts the viewer with elevated rights (Windows: "runas"; Linux: directly
// when root, else through pkexec when present, else directly) with the
// current directory inherited, tells `progress` once it runs, waits for it
// and returns its exit code; -1 when it could not be started.
int RunViewerElevated(const std::string& path, StartupProgress* progress);

}  // namespace launcher

#endif  // LAUNCHER_STARTUP_STARTUP_SERVICES_H_
