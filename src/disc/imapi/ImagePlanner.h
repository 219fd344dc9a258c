#pragma once
// Turns the compiled image into the plan the disc-writing service builds its image from: the
// folders and files in tree order, the volume name, and the file systems of the volume type.

#include <cstdint>

#include "disc/ImageModel.h"
#include "disc/imapi/DiscService.h"

namespace quill::disc {

// writeTime dates every entry when the volume does not use the files' own dates.
ImagePlan PlanImage(const ImageModel& model, const VolumeOptions& volume, std::int64_t writeTime);

// The file systems the volume type names: ISO 9660, Joliet and UDF, each as the list says.
int FileSystemsOf(int volumeType);

}  // namespace quill::disc
