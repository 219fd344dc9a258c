#pragma once
// Where the entries of a ZIP file lie, as its central directory says: every entry's data must
// lie between its own header and the next entry's, and before the central directory. Two
// entries sharing bytes (an archive that unpacks many times over what it holds) or data
// running into what follows are refused before anything is unpacked.

#include <string>

namespace quill::archive {

// Why the ZIP file at path is laid out as no writer lays one out; "" when it is sound or
// when it has no central directory to judge by (the reader then refuses it on its own).
std::string ZipLayoutProblem(const std::string& path);

}  // namespace quill::archive
