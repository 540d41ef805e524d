#include "updater/update/firmware_image.h"

#include <cstdint>

namespace update {
namespace {

// Byte length of the next `count` characters from `pos`, UTF-8 sequences
// kept whole (version labels are ASCII; a stray non-ASCII character still
// counts as one).
size_t CharBytes(const std::string& text, size_t pos, size_t count) {
  size_t i = pos;
  for (size_t n = 0; n < count && i < text.size(); ++n) {
    ++i;
    while (i < text.size() && (static_cast<uint8_t>(text[i]) & 0xC0) == 0x80) ++i;
  }
  return i - pos;
}

}  // namespace

std::string TargetVersionText(const std::string& version_label) {
  const size_t skip = CharBytes(version_label, 0, 4);
  return version_label.substr(skip, CharBytes(version_label, skip, 4));
}

const char* UploadFieldName(const std::string& file_name) {
  return file_name.find(".bin") != std::string::npos ? kUploadFieldBin : kUploadFieldRcc;
}

FirmwareImage MakeFirmwareImage(const Settings& settings, const std::string& staged_path) {
  FirmwareImage image;
  image.modelName = kImageModelName;
  image.versionLabel = settings.ifVersion;
  image.targetVersion = TargetVersionText(settings.ifVersion);
  image.fileName = settings.firmFileName;
  image.stagedPath = staged_path;
  image.fieldName = UploadFieldName(settings.firmFileName);
  return image;
}

}  // namespace update
