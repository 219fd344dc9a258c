#pragma once
// The mail client's store folder ("...\AppData\Local\Microsoft\Windows Live Mail"): the
// account folders with their messages, the folders a backup leaves out (Backup, Your
// Feeds, Calendars, Sentinel, Storage Folders), the message-store database with its log
// files, and the account files of the directory services.

#include <cstdint>
#include <string_view>

#include "SampleRandom.h"
#include "TreeWriter.h"

namespace quill::sample {

// Account files that the registry names.
inline constexpr std::string_view kAnnaAccountFile =
    "account{3B1A2C4D-0000-4E5F-8A9B-1234567890AB}.oeaccount";
inline constexpr std::string_view kBobAccountFile =
    "account{7E4F1A90-5C3B-4D2E-9F80-2468ACE13579}.oeaccount";
inline constexpr std::string_view kNewsAccountFile =
    "account{C0FFEE00-1234-4ABC-8DEF-0123456789AB}.oeaccount";

struct MailStoreTotals {
  std::uint64_t messages = 0;
  std::uint64_t messageBytes = 0;  // sum of the sizes of the .eml files
};

// Writes the store into the folder storeFolder (relative to the tree's root). Messages are
// added until their .eml files add up to at least targetBytes; every mail folder gets at
// least one message whatever the target. Message dates lie before nowSeconds.
MailStoreTotals WriteMailStore(TreeWriter& tree, std::string_view storeFolder, SampleRandom& random,
                               std::uint64_t targetBytes, std::int64_t nowSeconds);

}  // namespace quill::sample
