// Carries the resources of the Zantor program and lists them, read back out
// of itself or out of another program file given as the argument: proof
// that the embedding works on this system before the real program exists.
//
//   zantor_resources_demo [PROGRAM]
#include <cstdio>
#include <string>

#include "platform/resources.h"
#include "updater/update/firmware_image.h"

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "usage: %s [PROGRAM]\n", argv[0]);
    return 2;
  }
  const char* names[] = {update::kSettingsResource, update::kImageResource,
                         update::kImageResourceQ01, update::kImageResourceQ02};
  int status = 0;
  for (const char* name : names) {
    platform::Resource resource;
    const platform::ResourceError error =
        argc == 2
            ? platform::LoadProgramResource(argv[1], platform::kDataResourceType, name, &resource)
            : platform::LoadOwnResource(platform::kDataResourceType, name, &resource);
    if (error == platform::ResourceError::kNone) {
      std::printf("%s/%s %zu bytes\n", platform::kDataResourceType, name, resource.size());
    } else {
      std::printf("%s/%s: %s\n", platform::kDataResourceType, name,
                  platform::ResourceErrorText(error));
      status = 1;
    }
  }
  return status;
}
