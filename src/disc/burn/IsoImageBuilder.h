#pragma once
// Turns the compiled image into an ISO 9660 image that libisofs writes: the tree with the
// names, the volume identifier, the name formats of the volume type and the file dates.

#include <string>

#include "disc/ImageModel.h"

struct burn_source;

namespace quill::disc {

// A running image writer that libburn reads from; nullptr and the failure (with the source
// file it concerns, if any) when it could not be set up. The caller frees it with
// burn_source_free.
burn_source* CreateIsoSource(const ImageModel& model, const VolumeOptions& volume,
                             FileError& error);
// The size in bytes of the image that would be written; 0 when it cannot be laid out.
double IsoImageSize(const ImageModel& model, const VolumeOptions& volume);

}  // namespace quill::disc
