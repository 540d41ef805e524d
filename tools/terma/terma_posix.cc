// Terma on Linux: the licence in the user's language on the terminal, then
// "Agree" or "Do not agree". Agree starts the unpacked Zantor (one folder up)
// and waits for it; anything else ends at once.
//
//   Terma            exit 0 after Zantor ended (Zantor's failure: 1),
//                    2 when the user did not agree, 3 when the page is missing
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "platform/process.h"
#include "tools/terma/licence_text.h"

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
  platform::ProcessSpec spec;
  spec.argv = {path};
  // Ctrl+C ends Zantor; Terma then ends normally, and so the launcher can
  // clean up.
  spec.interrupts_to_child = true;
  const platform::ProcessResult run = platform::RunProcess(spec);
  if (run.end == platform::ProcessEnd::kNotStarted) {
    std::fprintf(stderr, "Terma: cannot start %s: %s\n", path.c_str(),
                 platform::SysErrorText(run.error).c_str());
  }
  return run.end == platform::ProcessEnd::kExited && run.exit_code == 0 ? 0 : 1;
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
