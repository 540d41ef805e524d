#include "updater/update/staging.h"

#include "updater/update/chttp.h"

namespace update {
namespace {

// The name comes from the settings file and is used to write and, at exit,
// delete a file: a path that leaves the staging directory must do neither.
bool IsPlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\:") == std::string::npos;
}

std::string StagingDirectory(StagingFiles& files) {
  const std::string temp = files.TempPath();
  return temp.empty() ? std::string() : temp + kStagingDirectoryName;
}

void RemoveOurs(StagingFiles& files, const std::string& path, platform::File* file) {
  if (file->id().valid) files.RemoveOwnFile(path, file);
  *file = platform::File();
}

StageResult Fail(StageResult result, StageError error, std::string report) {
  result.error = error;
  result.report = std::move(report);
  return result;
}

// Writes one resource of the program to `path`, which stays open in `file`.
StageError StageResource(StagingFiles& files, const char* name, const std::string& path,
                         platform::File* file, std::string* report) {
  platform::Resource resource;
  const platform::ResourceError error = files.LoadResource(name, &resource);
  if (error != platform::ResourceError::kNone) {
    *report = std::string("Resource ") + name + ": " + platform::ResourceErrorText(error);
    return StageError::kResourceMissing;
  }
  const platform::SysError written =
      files.CreateStagedFile(path, resource.data(), resource.size(), file);
  if (written != 0) {
    *report = "Cannot write " + path + ": " + files.ErrorText(written);
    return StageError::kWriteFailed;
  }
  return StageError::kNone;
}

}  // namespace

StageResult StageAndLoad(StagingFiles& files) {
  StageResult result;
  result.directory = StagingDirectory(files);
  if (result.directory.empty()) {
    return Fail(std::move(result), StageError::kNoTempPath, "No temporary directory");
  }
  // The directory may be in a temporary directory that other users share:
  // one that another user made, can write to or has made a link is never
  // used, and never keeps us from working either: a private one is.
  std::string refused;
  platform::DirectoryRefusal refusal = platform::DirectoryRefusal::kNone;
  if (!files.EnsurePrivateDirectory(result.directory, &refused, &refusal)) {
    std::string fallback, failed;
    if (refusal != platform::DirectoryRefusal::kNotOurs ||
        !files.MakeFallbackDirectory(&fallback, &failed)) {
      return Fail(std::move(result), StageError::kUnsafeDirectory,
                  failed.empty() ? refused : refused + "; " + failed);
    }
    result.note = refused + "; staging in " + fallback + " instead";
    result.directory = fallback;
  }

  const std::string prefix = result.directory + files.Separator();
  const std::string settings_path = prefix + kSettingsFileName;
  std::string report;
  StageError error =
      StageResource(files, kSettingsResource, settings_path, &result.settingsFile, &report);
  if (error != StageError::kNone) {
    files.RemoveEmptyDirectory(result.directory);
    return Fail(std::move(result), error, report);
  }

  result.settings = ReadSettings(
      [&](const char* key) { return files.ReadSetting(settings_path, kSettingsSection, key); });
  const std::string& file_name = result.settings.firmFileName;
  result.image = MakeFirmwareImage(result.settings, prefix + file_name);

  if (!IsPlainFileName(file_name)) {
    error = StageError::kBadImageFileName;
    report = "DEF_FIRMFILE_NAME \"" + file_name + "\" is not a file name";
  } else {
    error =
        StageResource(files, kImageResource, result.image.stagedPath, &result.imageFile, &report);
  }
  if (error != StageError::kNone) {
    RemoveOurs(files, settings_path, &result.settingsFile);
    files.RemoveEmptyDirectory(result.directory);
    return Fail(std::move(result), error, report);
  }
  return result;
}

void RemoveStagedFiles(StagingFiles& files, StageResult& staged) {
  const std::string& directory = staged.directory;
  if (directory.empty()) return;
  const std::string prefix = directory + files.Separator();
  RemoveOurs(files, prefix + kSettingsFileName, &staged.settingsFile);
  if (IsPlainFileName(staged.image.fileName)) {
    RemoveOurs(files, prefix + staged.image.fileName, &staged.imageFile);
  }
  staged.imageFile = platform::File();
  files.RemoveEmptyDirectory(directory);
}

bool AppendStagedImage(const StageResult& staged, size_t reserve_after, std::vector<uint8_t>* out) {
  if (staged.imageFile.is_open()) return AppendWholeFile(staged.imageFile, reserve_after, out);
  platform::File image;
  return platform::OpenForReading(staged.image.stagedPath, &image) == 0 &&
         AppendWholeFile(image, reserve_after, out);
}

}  // namespace update
