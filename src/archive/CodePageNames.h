#pragma once
// Names and passwords as Windows programs of the mail client's era keep them in a ZIP file:
// in the ANSI code page, without the UTF-8 flag. This program writes an archive's names in the
// code page where they all fit it, in UTF-8 with the flag where one does not, and reads a name
// without the flag in the code page. A password is turned into the code page's bytes where it
// fits, as those programs did; a reader tries those bytes first, then the UTF-8 ones.

#include <string>
#include <vector>

namespace quill::archive {

// libarchive turns entry names into text of the process's character type; names are UTF-8
// here, so the process takes a UTF-8 character type when it does not have one. Called before
// any archive is read or written.
void UseUtf8Names();

// True when every character of the UTF-8 text has a place in the ANSI code page.
bool FitsCodePage(const std::string& utf8);

// A name read from an entry without the UTF-8 flag: as it is where its bytes are UTF-8 (tools
// on Linux write names so), else the code page's text.
std::string NameFromHeader(const std::string& bytes);

// libarchive's name of the code page: "CP1252", "CP932".
std::string CodePageCharset();

// The bytes a ZIP password is made of when this program protects a file.
std::string PasswordBytes(const std::string& utf8Password);
// The bytes to try when a protected file is opened, in order.
std::vector<std::string> PasswordCandidates(const std::string& utf8Password);

}  // namespace quill::archive
