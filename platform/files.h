// The few file-system calls that staging needs: the temporary directory, one
// directory, whole files written at once, attributes and removal. Paths are
// UTF-8; the Windows backend converts at the call.
#ifndef PLATFORM_FILES_H_
#define PLATFORM_FILES_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/sys_error.h"

namespace platform {

// '\\' on Windows, '/' elsewhere.
char PathSeparator();

// The temporary directory (GetTempPathW; TMPDIR or /tmp on POSIX) in UTF-8:
// the text ends with the separator. Empty when the system has none that fits
// a buffer of 260 characters.
std::string TempPath();

// CreateDirectoryA: fails, among other reasons, when the directory exists.
SysError MakeDirectory(const std::string& path);

// Creates or replaces `path` with exactly these bytes. A file that could not
// be written completely is removed again, so no truncated copy is left
// behind for a later reader.
SysError WriteWholeFile(const std::string& path, const uint8_t* data, size_t size);

// FILE_ATTRIBUTE_NORMAL: clears read-only (POSIX: gives the owner write
// permission) so the file can be replaced or deleted.
SysError SetNormalAttributes(const std::string& path);

SysError RemoveFile(const std::string& path);

// Removes the directory only when it is empty (RemoveDirectoryW / rmdir).
SysError RemoveEmptyDirectory(const std::string& path);

// Makes `path` a private directory: created 0700 on POSIX; an existing one is used only when
// lstat shows a real directory owned by the effective user and not writable by group or
// others. On failure returns false and sets `error` to a clear, specific text. Windows:
// CreateDirectoryW; an existing directory is used unless it is a link (reparse point).
// `refusal`, when given, tells a name taken by what is not this user's own (kNotOurs: another
// user's entry, a link, a directory others may write to; POSIX only) from other failures.
enum class DirectoryRefusal { kNone, kNotOurs, kFailed };
bool EnsurePrivateDirectory(const std::string& path, std::string* error,
                            DirectoryRefusal* refusal = nullptr);

// A private directory of this user's own in place of `temp` + `name` when that name is not
// (POSIX): $XDG_RUNTIME_DIR/`name` when XDG_RUNTIME_DIR is a directory of this user's alone and
// that name in it is private too, else a fresh directory that mkdtemp makes as
// `temp` + `name` + ".XXXXXX". `path` gets it, without a separator at the end. Windows: none,
// since its temporary directory is already the user's own (false).
bool MakeFallbackPrivateDirectory(const std::string& temp, const std::string& name,
                                  std::string* path, std::string* error);

// What makes a file the same file: device and inode on POSIX, volume serial number and file
// index on Windows. A process that keeps the identity of what it created can later remove
// exactly that and leave a file of the same name made by someone else.
struct FileId {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool valid = false;
};
bool operator==(const FileId& a, const FileId& b);
inline bool operator!=(const FileId& a, const FileId& b) { return !(a == b); }

// One open file; closes it on destruction. The native handle is a descriptor on POSIX and a
// HANDLE on Windows, kept as an integer so this header needs no OS header.
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool is_open() const { return handle_ != kNone; }
  const FileId& id() const { return id_; }

  // Writes every byte, continuing after short writes.
  SysError WriteAll(const uint8_t* data, size_t size);
  // Reads up to `size` bytes at `offset` without moving any file position; `*got` is 0 at
  // the end of the file.
  SysError ReadAt(uint64_t offset, uint8_t* data, size_t size, size_t* got) const;
  SysError Size(uint64_t* size) const;
  // Changes the permission bits through the handle (POSIX; Windows: read-only attribute
  // when the owner may not write).
  SysError SetMode(unsigned mode);
  // Closes now and reports a delayed write error; the file is closed either way. The
  // identity is kept, for RemoveIfSameFile.
  SysError Close();

  // For the backends only.
  static File Adopt(intptr_t handle, const FileId& id);

 private:
  static constexpr intptr_t kNone = -1;
  intptr_t handle_ = kNone;
  FileId id_;
};

// Creates `path` anew for reading and writing: a stale file or link of that name is removed
// first (never followed), then the file is created exclusively (POSIX: O_CREAT | O_EXCL |
// O_NOFOLLOW, mode 0600; Windows: CREATE_NEW). Another process that wins the race for the
// name is not followed either: the call fails with EEXIST / ERROR_FILE_EXISTS.
// Windows: a file that another process holds open cannot be removed, and its name cannot
// be used again while it exists; that file is opened and emptied instead, so two instances
// share it, and RemoveOwnFile leaves it to the last of them.
SysError CreateFreshFile(const std::string& path, File* out);

// Opens an existing file for reading (Windows: wide path, others may read and delete it).
SysError OpenForReading(const std::string& path, File* out);

// Removes the directory entry `path` itself: a link goes, never what it points to; a
// directory is refused (EISDIR / ERROR_ACCESS_DENIED). A read-only file is removed too.
SysError RemoveNoFollow(const std::string& path);

// Removes `path` when it is still `file`, and closes `file` (POSIX: after the removal, so its
// identity cannot pass to another file meanwhile; Windows: before, since an open file
// cannot go, and a file another process still holds open is left to that process).
SysError RemoveOwnFile(const std::string& path, File* file);

// Removes `path` only while it is still the file `id`: what another process put in its
// place under the same name is left alone (EEXIST then). Keep the File open until then: a
// closed file's inode number may be given to the next file made. The check and the removal
// are two steps, so this is meant for directories made private with EnsurePrivateDirectory.
SysError RemoveIfSameFile(const std::string& path, const FileId& id);

}  // namespace platform

#endif  // PLATFORM_FILES_H_
