// libFuzzer target: any bytes as the staged settings file, read as the
// profile reader reads it and turned into settings and the image record.
// Asserts what the rest of the program relies on: values never hold a line
// end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/profile_text.h"
#include "updater/update/firmware_image.h"
#include "updater/update/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text =
      platform::ProfileBytesToText(std::string_view(reinterpret_cast<const char*>(data), size));
  const update::Settings settings = update::ReadSettings([&](const char* key) {
    const std::string value =
        platform::FindProfileValue(text, update::kSettingsSection, key).value_or("");
    if (value.find_first_of("\r\n") != std::string::npos) std::abort();
    return platform::FitProfileBuffer(value, 260);
  });
  update::MakeFirmwareImage(settings, "T/ZANTOR/" + settings.firmFileName);
  return 0;
}
