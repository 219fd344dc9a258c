#include "disc/burn/Libraries.h"

#include <mutex>

#include <libburn/libburn.h>
#include <libisofs/libisofs.h>

namespace quill::disc {

void StartDiscLibraries() {
  static std::once_flag started;
  std::call_once(started, [] {
    iso_init();
    iso_set_local_charset(const_cast<char*>("UTF-8"), 0);
    iso_set_msgs_severities(const_cast<char*>("SORRY"), const_cast<char*>("NEVER"),
                            const_cast<char*>("quillstow: "));
    burn::burn_initialize();
    burn::burn_msgs_set_severities(const_cast<char*>("SORRY"), const_cast<char*>("NEVER"),
                                   const_cast<char*>("quillstow: "));
  });
}

}  // namespace quill::disc
