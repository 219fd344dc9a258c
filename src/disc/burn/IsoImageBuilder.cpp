#include "disc/burn/IsoImageBuilder.h"

#include <unistd.h>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <memory>

#include <libburn/libburn.h>
#include <libisofs/libisofs.h>

#include "disc/VolumeTypes.h"
#include "disc/burn/Libraries.h"

namespace quill::disc {

namespace {

struct ImageDeleter {
  void operator()(IsoImage* image) const { iso_image_unref(image); }
};
struct OptsDeleter {
  void operator()(IsoWriteOpts* opts) const { iso_write_opts_free(opts); }
};

// The failure as the user reads it: libisofs's text, and the system's error number for the
// source file where there is one (2 for a file that is gone, 13 for one that cannot be read).
bool Fail(FileError& error, const std::string& path, int code) {
  int systemCode = 0;
  if (!path.empty()) {
    std::error_code status;
    (void)std::filesystem::status(path, status);
    systemCode = status ? status.value() : (::access(path.c_str(), R_OK) == 0 ? 0 : errno);
  }
  error = FileError{systemCode, iso_error_to_msg(code), path};
  return false;
}

bool AddTree(IsoImage* image, IsoDir* dir, const ImageModel::Node& folder, FileError& error) {
  for (const auto& child : folder.children) {
    const ImageItem& item = child->item;
    if (item.IsFolder) {
      IsoDir* sub = nullptr;
      const int result = iso_tree_add_new_dir(dir, item.Name.c_str(), &sub);
      if (result < 0) return Fail(error, item.ImagePath, result);
      if (!AddTree(image, sub, *child, error)) return false;
    } else {
      IsoNode* node = nullptr;
      const int result =
          iso_tree_add_new_node(image, dir, item.Name.c_str(), item.SourcePath.c_str(), &node);
      if (result < 0) return Fail(error, item.SourcePath, result);
    }
  }
  return true;
}

std::unique_ptr<IsoWriteOpts, OptsDeleter> IsoWriteOptions(const VolumeOptions& volume) {
  IsoWriteOpts* raw = nullptr;
  if (iso_write_opts_new(&raw, 0) < 0) return nullptr;
  std::unique_ptr<IsoWriteOpts, OptsDeleter> opts(raw);
  const VolumeTypeChoice& choice = VolumeTypeByCode(volume.type);
  // Level 3 lets a backup file be larger than 4 GiB.
  iso_write_opts_set_iso_level(raw, 3);
  iso_write_opts_set_rockridge(raw, choice.rockRidge ? 1 : 0);
  iso_write_opts_set_joliet(raw, choice.joliet ? 1 : 0);
  iso_write_opts_set_joliet_long_names(raw, 1);
  // The volume identifier stays as typed (mixed case and blanks), as other writers do.
  iso_write_opts_set_relaxed_vol_atts(raw, 1);
  iso_write_opts_set_always_gmt(raw, 1);
  if (!volume.useFileDates) {
    iso_write_opts_set_replace_timestamps(raw, 1);
    iso_write_opts_set_default_timestamp(raw, std::time(nullptr));
  }
  return opts;
}

}  // namespace

burn_source* CreateIsoSource(const ImageModel& model, const VolumeOptions& volume,
                             FileError& error) {
  StartDiscLibraries();
  IsoImage* rawImage = nullptr;
  int result = iso_image_new(volume.identifier.c_str(), &rawImage);
  if (result < 0) return Fail(error, "", result), nullptr;
  std::unique_ptr<IsoImage, ImageDeleter> image(rawImage);
  iso_tree_set_follow_symlinks(rawImage, 1);
  if (!AddTree(rawImage, iso_image_get_root(rawImage), model.Root(), error)) return nullptr;
  auto opts = IsoWriteOptions(volume);
  if (!opts) return error = FileError{0, "The image options could not be set up.", ""}, nullptr;
  burn_source* source = nullptr;
  result = iso_image_create_burn_source(rawImage, opts.get(), &source);
  if (result < 0) return Fail(error, "", result), nullptr;
  return source;
}

double IsoImageSize(const ImageModel& model, const VolumeOptions& volume) {
  FileError error;
  burn_source* source = CreateIsoSource(model, volume, error);
  if (source == nullptr) return 0;
  // libisofs and libburn declare the same struct, each in its own namespace.
  auto* burnSource = reinterpret_cast<burn::burn_source*>(source);
  const double size = static_cast<double>(burnSource->get_size(burnSource));
  burnSource->cancel(burnSource);
  burn::burn_source_free(burnSource);
  return size;
}

}  // namespace quill::disc
