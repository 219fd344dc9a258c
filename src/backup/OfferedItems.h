#pragma once
// Which items a backup can offer for the profile as it is: the backup page and the scheduled
// task's dialog set their item boxes by this.

#include <array>

#include "core/ItemCatalogue.h"
#include "core/ProfileDiscovery.h"
#include "registry/RegistryKeys.h"

namespace quill::backup {

struct OfferedBox {
  bool set = false;      // the box is set: enabled or not, and cleared
  bool enabled = false;  // when it is set
};

// By each item's box rule: enabled and cleared; the rules and signatures boxes disabled where
// their keys have no subkeys, the LDAP box where no file of the mail store ends in
// "oeaccount". Calendars is left as it is.
std::array<OfferedBox, core::kItemCount> OfferedItems(registry::RegistryKeys& keys,
                                                      const core::Profile& profile);

}  // namespace quill::backup
