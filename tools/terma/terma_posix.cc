// Terma on Linux: the licence in the user's language on the terminal, then
// "Agree" or "Do not agree". Agree starts the unpacked Zantor (one folder up)
// and waits for it; anything else ends at once.
//
//   Terma            exit 0 after Zantor ended (Zantor's failure: 1),
//                    2 when the user did not agree, 3 when the page is missing
#include <limits.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/terma/licence_text.h"

extern char** environ;

namespace {

std::string OwnDirectory() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return ".";
  std::string path(buffer, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/'));
}

std::string Locale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return value;
  }
  return std::string();
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

int RunZantor(const std::string& path) {
  char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
  // Ctrl+C ends Zantor; Terma then ends normally, and so the launcher can
  // clean up. Zantor itself starts with the default handlers.
  std::signal(SIGINT, SIG_IGN);
  std::signal(SIGQUIT, SIG_IGN);
  posix_spawnattr_t attributes;
  ::posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGQUIT);
  ::posix_spawnattr_setsigdefault(&attributes, &defaults);
  ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  const int error = ::posix_spawn(&pid, path.c_str(), nullptr, &attributes, argv, environ);
  ::posix_spawnattr_destroy(&attributes);
  if (error != 0) {
    std::fprintf(stderr, "Terma: cannot start %s: %s\n", path.c_str(), std::strerror(error));
    return 1;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return 1;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}

}  // namespace

int main() {
  const std::string dir = OwnDirectory();
  const std::string language = terma::LanguageFromLocale(Locale());
  const std::string ini = ReadFile(dir + "/Terma.ini");
  std::ifstream page(dir + "/" + terma::LicencePagePath(language, '/'), std::ios::binary);
  if (!page) {
    std::fprintf(stderr, "Terma: the licence page for \"%s\" is missing in %s\n", language.c_str(),
                 dir.c_str());
    return 3;
  }
  std::stringstream html;
  html << page.rdbuf();

  std::cout << terma::IniText(ini, language, "Title", "Licence agreement") << "\n\n"
            << terma::HtmlToText(html.str()) << "\n"
            << terma::IniText(ini, language, "Question", "Do you agree to the licence above?")
            << " [" << terma::IniText(ini, language, "Agree", "Agree") << " = y / "
            << terma::IniText(ini, language, "Decline", "Do not agree") << " = n]: " << std::flush;
  std::string answer;
  if (!std::getline(std::cin, answer)) answer.clear();
  if (answer != "y" && answer != "Y" && answer != "yes") {
    std::cout << "\n";
    return 2;
  }
  // The unpacked "res" folder holds Terma's folder and Zantor.
  return RunZantor(dir.substr(0, dir.rfind('/')) + "/Zantor");
}
