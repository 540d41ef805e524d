// Terma's licence-page reader on arbitrary bytes: no crash, no overrun, and
// text that holds neither a tag nor a blank line at its ends.
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
  return 0;
}
