// Terma's licence-page and settings readers on arbitrary bytes: no crash,
// no overrun, and page text without empty lines at its ends or runs of them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/terma/licence_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string html(reinterpret_cast<const char*>(data), size);
  const std::string text = terma::HtmlToText(html);
  if (!text.empty() && (text.back() != '\n' || text.front() == '\n')) std::abort();
  if (text.find("\n\n\n") != std::string::npos) std::abort();
  if (terma::IniText(html, "en", "Agree", "fallback").empty()) std::abort();
  return 0;
}
