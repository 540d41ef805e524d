// The Linux start-up's one shared fact: the unpack directory's descriptor
// while this process holds its lock (-1 otherwise).
#ifndef LAUNCHER_STARTUP_POSIX_HELD_DIRECTORY_H_
#define LAUNCHER_STARTUP_POSIX_HELD_DIRECTORY_H_

namespace launcher {

int HeldDirectoryFd();

}  // namespace launcher

#endif  // LAUNCHER_STARTUP_POSIX_HELD_DIRECTORY_H_
