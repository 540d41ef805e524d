// What the unzip library left in the current directory, made ordinary: the
// payload is ours, but a stored link or a mode open to everyone is not kept.
#ifndef LAUNCHER_STARTUP_POSIX_UNPACKED_TREE_H_
#define LAUNCHER_STARTUP_POSIX_UNPACKED_TREE_H_

namespace launcher {

// Removes every symbolic link below the current directory (never following
// one) and limits every mode to what the user's umask allows (the owner
// keeps full use of folders). Works through descriptors only.
void TameUnpackedTree();

}  // namespace launcher

#endif  // LAUNCHER_STARTUP_POSIX_UNPACKED_TREE_H_
