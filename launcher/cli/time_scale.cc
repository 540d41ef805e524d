#include "launcher/cli/time_scale.h"

#include <cstdlib>

namespace cli {

int TimeScale() {
#ifdef ZANTOR_TEST_HOOKS
  const char* text = std::getenv("ZANTOR_TIME_SCALE");
  if (!text) return 1;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 1 || value > 100000) return 1;
  return static_cast<int>(value);
#else
  return 1;  // a shipped build never shortens a board's write and restart
#endif
}

int Scaled(int ms) {
  const int scaled = ms / TimeScale();
  return scaled > 0 ? scaled : 1;
}

}  // namespace cli
