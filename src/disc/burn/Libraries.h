#pragma once
// libburn and libisofs are started once per process and stay up until it ends; their
// messages are queued, never printed.

namespace quill::disc {

void StartDiscLibraries();

}  // namespace quill::disc
