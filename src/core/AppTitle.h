#pragma once

namespace quill::core {

// The caption of every message box, the prompt of the folder browser and the name of the
// start-with-Windows value.
inline constexpr const char* kAppTitle = "Orlo Windows Live Mail Backup";

}  // namespace quill::core
