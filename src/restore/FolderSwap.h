#pragma once
// Putting an unpacked folder in place of the user's folder so that the user's folder is at
// every moment either wholly the old one or wholly the new one.

#include <filesystem>
#include <string>

#include "core/StagingArea.h"

namespace quill::restore {

// How two folders trade places: in one step where the system can (Linux's exchanging rename),
// else in two renames recorded in the run's swap journal.
enum class SwapMode { Exchange, TwoRenames };

// Puts staged where target is; the old target ends up at staged's place and is then
// removed, or, when old is given, kept and its place put there ("" when there was none).
// False, with both folders as they were, when it cannot be done. Without an exchange,
// journal records the old folder's place aside until the new one is in place.
bool ReplaceFolder(const std::filesystem::path& staged, const std::filesystem::path& target,
                   std::string& error, core::SwapJournal* journal = nullptr,
                   SwapMode mode = SwapMode::Exchange, std::filesystem::path* old = nullptr);

// Puts the files of staged into target, replacing files of the same name and keeping the
// others. The merged folder is made at staged's place and replaces target in one step, as
// ReplaceFolder does; False, with target as it was, when it cannot be done.
bool MergeFolder(const std::filesystem::path& staged, const std::filesystem::path& target,
                 std::string& error, core::SwapJournal* journal = nullptr,
                 SwapMode mode = SwapMode::Exchange, std::filesystem::path* old = nullptr);

// True for a bare file name: no folder part, no drive, not "." or "..".
bool IsBareName(const std::string& name);

}  // namespace quill::restore
