#include "launcher/cli/options.h"

namespace cli {

std::string Cut(const std::string& text, size_t limit) { return text.substr(0, limit); }

namespace {

// The tokens of `text` split at runs of spaces, while slots are left.
void AppendTokens(const std::string& text, std::vector<std::string>* args) {
  size_t pos = 0;
  while (args->size() < kMaxArgumentSlots) {
    pos = text.find_first_not_of(' ', pos);
    if (pos == std::string::npos) break;
    size_t end = text.find(' ', pos);
    if (end == std::string::npos) end = text.size();
    args->push_back(text.substr(pos, end - pos));
    pos = end;
  }
}

}  // namespace

std::vector<std::string> BuildArgumentVector(const std::string& command_line) {
  std::vector<std::string> args{"Zantor"};
  AppendTokens(command_line, &args);
  return args;
}

std::vector<std::string> ArgumentVectorFromArguments(const std::vector<std::string>& arguments) {
  std::vector<std::string> args{"Zantor"};
  for (const std::string& a : arguments) {
    // An empty argument is written on a Windows command line as "", which
    // splits into that token: it asks for the console updater.
    AppendTokens(a.empty() ? std::string("\"\"") : a, &args);
  }
  return args;
}

namespace {

bool Contains(const std::string& token, const char* option) {
  return token.find(option) != std::string::npos;
}

std::string After(const std::string& token, const std::string& option) {
  return token.substr(token.find(option) + option.size());
}

}  // namespace

RunOptions ParseOptions(const std::vector<std::string>& args) {
  RunOptions o;
  for (const std::string& token : args) {
    if (token == "-d0") o.overwrite = true;
    if (Contains(token, "-target_ver:")) {
      o.target_version = Cut(After(token, "-target_ver:"), kTargetVersionLimit);
    }
    if (Contains(token, "-e")) o.address = Cut(After(token, "-e"), kAddressLimit);
    if (Contains(token, "-all")) {
      o.list_all = true;
      return o;
    }
    if (Contains(token, "-typeA")) o.type_a = true;
    if (Contains(token, "-typeC")) o.type_c = true;
    if (Contains(token, "-winhttp")) o.method = UploadMethod::kWinHttp;
    if (Contains(token, "-curl")) o.method = UploadMethod::kCurl;
    if (Contains(token, "-noproxy")) o.proxy_mode = ProxyMode::kNoProxy;
    if (Contains(token, "-proxy=")) {
      o.proxy_mode = ProxyMode::kExplicit;
      o.proxy = Cut(token.substr(7), kProxyLimit);
    }
    if (token == "-d3") o.wireless_family = true;
  }
  return o;
}

}  // namespace cli
