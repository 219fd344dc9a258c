#pragma once
// Whether a backup can fit where it goes, asked before any work starts: the free space of the
// target's volume, and on FAT drives the largest file they can hold.

#include <cstdint>
#include <optional>
#include <string>

#include "core/ItemCatalogue.h"
#include "core/ProfileDiscovery.h"
#include "core/Session.h"
#include "platform/Files.h"

namespace quill::backup {

// The bytes of the files the chosen items take from the profile, as they are now.
std::uint64_t ChosenDataBytes(const core::Profile& profile, const core::ItemSet& chosen);

// The most a backup of dataBytes may need on its volume while it is made: the file itself, as
// compression may save nothing (inner archives go straight into it; nothing else is written).
std::uint64_t MostSpaceNeeded(std::uint64_t dataBytes);

// Why a backup of dataBytes cannot be written into targetFolder, in words for the user, or
// nothing when it fits (or when the system cannot tell about the volume).
std::optional<std::string> RoomProblem(const std::optional<platform::VolumeSpace>& volume,
                                       const std::string& targetFolder, std::uint64_t dataBytes);

// The same for a backup of the chosen items of the session's profile into the target file.
std::optional<std::string> RoomProblemFor(core::Session& session, const core::ItemSet& chosen,
                                          const std::string& target);

// Bytes as the user reads them: "512 KB", "3.4 MB", "5.2 GB".
std::string SizeText(std::uint64_t bytes);

}  // namespace quill::backup
