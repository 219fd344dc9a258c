#include "disc/imapi/ImagePlanner.h"

namespace quill::disc {

namespace {

void PlanTree(const ImageModel::Node& folder, bool useFileDates, std::int64_t writeTime,
              ImagePlan& plan) {
  for (const auto& child : folder.children) {
    const ImageItem& item = child->item;
    plan.entries.push_back(
        {item.IsFolder, item.ImagePath, item.SourcePath, useFileDates ? item.Date : writeTime});
    if (item.IsFolder) PlanTree(*child, useFileDates, writeTime, plan);
  }
}

}  // namespace

int FileSystemsOf(int volumeType) {
  switch (volumeType) {
    case kVolumeIso9660:
      return kFsIso9660;
    case kVolumeUdf:
      return kFsUdf;
    case kVolumeIsoJoliet:
      return kFsIso9660 | kFsJoliet;
    case kVolumeIsoUdfDvdVideo:
      return kFsIso9660 | kFsUdf;
    default:
      return kFsIso9660 | kFsJoliet | kFsUdf;
  }
}

ImagePlan PlanImage(const ImageModel& model, const VolumeOptions& volume, std::int64_t writeTime) {
  ImagePlan plan;
  plan.volumeName = volume.identifier;
  plan.fileSystems = FileSystemsOf(volume.type);
  // DVD players read UDF 1.02 only.
  if (volume.type == kVolumeIsoUdfDvdVideo) plan.udfRevision = 0x102;
  PlanTree(model.Root(), volume.useFileDates, writeTime, plan);
  return plan;
}

}  // namespace quill::disc
