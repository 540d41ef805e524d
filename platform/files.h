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

// The temporary directory as GetTempPathA gives it: the text ends with the
// separator. Empty when the system has none that fits a 260-byte buffer.
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

}  // namespace platform

#endif  // PLATFORM_FILES_H_
