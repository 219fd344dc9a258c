#pragma once
// Builds the service's file system image (IFileSystemImage) from an image plan: the file
// systems, the volume name, every folder and file, and the dates the disc shows. Windows only.

#include <string>

#include "disc/imapi/DiscService.h"
#include "disc/imapi/win32/Automation.h"

namespace quill::disc {

struct BuiltImage {
  automation::ComPtr<IDispatch> result;  // IFileSystemImageResult
  long totalBlocks = 0;
};

// For a write, recorder and writer are the drive and its data writer: the image takes the
// medium's limits, and on a medium that holds earlier sessions their files, where the
// image's files replace those of the same name. Without them it is laid out for its size
// only. False with the failure when it cannot be built.
bool BuildImage(const ImagePlan& plan, IDispatch* recorder, IDispatch* writer, BuiltImage& built,
                ServiceFailure& failure);

}  // namespace quill::disc
