// The common start of both modes of fwlauncher: one running instance, the
// payload written out and unpacked into the unpack directory, and in
// graphical mode the start-up window, the licence viewer and the clean-up.
// Console mode stops after unpacking; the console updater then owns the
// single-instance lock and the unpacked tree until its result log is written.
//
// Paths are UTF-8 (Windows converts them to UTF-16 at each call, so a
// temporary directory that the ANSI code page cannot spell still works), at
// most kMaxLauncherPath bytes; longer paths fail instead of being cut.
#ifndef LAUNCHER_STARTUP_LAUNCHER_STARTUP_H_
#define LAUNCHER_STARTUP_LAUNCHER_STARTUP_H_

#include <string>

namespace launcher {

// Exit codes of the start-up (the console updater's table carries them too).
constexpr int kStartupOk = 0;
constexpr int kStartupAlreadyRunning = 1100;  // another instance holds the lock
constexpr int kStartupPayloadNotWritten = 1102;

// Windows: the named mutex. Linux: the lock is the private unpack directory
// itself (flock), which only this user can make or hold.
constexpr char kSingleInstanceName[] = "Kavro Firmware Updater";

// The payload resource and the unzip library resource (Windows: RT_RCDATA 1).
constexpr char kPayloadResourceName[] = "DSC_PDATA";
constexpr char kPayloadResourceType[] = "ZIP";

constexpr size_t kMaxLauncherPath = 260;

enum class LaunchMode { kGraphical, kConsole };

// T + "ZANTOR" + separator, T the temporary directory with its separator
// (Windows "C:\...\Temp\ZANTOR\", Linux "/tmp/ZANTOR/"). Empty when T is
// unknown or too long.
std::string UnpackDirectory();

// The unpack directory as this process reaches what is inside it: on Linux,
// while the lock is held, through the directory's own descriptor
// ("/proc/self/fd/N/"), so no name that another user could swap is followed;
// otherwise UnpackDirectory().
std::string HeldUnpackDirectory();

// The unpacked files the console updater reads (empty like UnpackDirectory).
// Windows "res\Zantor.exe" / "res\Zantor.ini"; Linux "res/Zantor" / "res/Zantor.ini".
std::string UnpackedZantorProgram();
std::string UnpackedZantorSettings();

// `instance`: the program's HINSTANCE on Windows (nullptr takes the
// program's own), ignored on Linux.
//
// Returns kStartupOk, kStartupAlreadyRunning (nothing shown, nothing
// touched) or kStartupPayloadNotWritten. In console mode, on kStartupOk the
// single-instance lock stays held and the current directory is the unpack
// directory; the caller ends with RemoveUnpackedPayload() and
// ReleaseSingleInstance(). Linux: also fails with kStartupPayloadNotWritten
// when the unpack directory is not private (exists, owned by another user or
// writable by others); the reason is on standard error.
int LauncherStartup(void* instance, LaunchMode mode);

// Closes the single-instance lock if this process holds it. Safe to call
// more than once and from the console control handler's thread (an atomic
// exchange, so a handle is never closed twice).
void ReleaseSingleInstance();

// True while this process holds the single-instance lock: the unpacked tree
// is then its own to remove.
bool HoldsSingleInstance();

// Makes T the current directory, removes everything inside the unpack
// directory (DeleteTree), then the directory itself. Failures are ignored:
// files in use stay behind.
void RemoveUnpackedPayload();

// Copies the resource `name` of `type` into `output_path`, replacing any
// file there. from_program_file: out of the program file `module` opened as
// data only (Windows: LoadLibraryEx as a data file; Linux: the appended
// resource container); otherwise out of this program. Returns 1 on success,
// 0 on failure (no partial file is left behind).
int CopyResourceToFile(bool from_program_file, const std::string& module, const std::string& name,
                       const std::string& type, const std::string& output_path);

// Writes the unzip library out of this program (Windows: T + "\ZANTOR\" +
// "Unzip32.dll"; Linux: unpack directory + "libunzip.so"), stores its path in
// `library_path`, then runs a listing pass and an extraction pass of
// `archive` into the current directory: stored directories recreated (never
// outside it), existing files overwritten without asking, nothing shown.
// A damaged archive leaves what was unpacked and counts as done; a failed
// write (a full disk) returns false with the system's reason in `error`:
// what was unpacked then holds a cut file and must not be used.
bool UnzipPayload(std::string* library_path, const std::string& archive,
                  std::string* error = nullptr);

// Removes everything inside `path` except entries whose name begins with
// '.', which stay (so their directory stays too). Read-only files are
// removed. A symbolic link or junction is removed itself; what it points to
// is never entered. `path` itself is not removed. Failures are ignored.
void DeleteTree(const std::string& path);

}  // namespace launcher

#endif  // LAUNCHER_STARTUP_LAUNCHER_STARTUP_H_
