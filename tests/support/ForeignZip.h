#pragma once
// ZIP files as other programs write them, made from one of this program's backups: the
// entries and their bytes stay, the way names and the password are stored changes.

#include <string>

namespace quill::test {

// How a program of the mail client's era on Windows writes: every name in the code page
// without the UTF-8 flag, inner archives (".zip" entries) too, and a password's code-page
// bytes as its key. Empty password: unprotected. False when the copy could not be made.
bool CopyAsWindowsProgram(const std::string& from, const std::string& to,
                          const std::string& password);

}  // namespace quill::test
