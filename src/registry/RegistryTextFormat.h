#pragma once
// The registry text format: a key with its values and every key beneath it as lines of 8-bit
// text in the ANSI code page, ended by CR LF. The backup items keep their registry keys this
// way. This is the one definition of its lines, written and read: the import and the check of
// a backup file both read them through ParseRegistryText.
//
//   \                      the key itself
//   ""= sz:                a value: name in double quotes, "=", a 3-character tag, ":", data
//   \000                   a subkey, by its path below the key
//   "Flags"= dw:1
//   "Data"=bin:1,255,16
//   \000\Cond
//   "Logic"= dw:-1
//
// Tags: " sz" string, "esz" expandable string, "bin" the bytes in decimal, " dw" a 32-bit
// number as a signed decimal. Other value types are not written. A line cannot hold a line
// break, so string data with CR or LF in it goes under " sx" or "esx" instead, with "\r",
// "\n" and "\\" standing for CR, LF and a backslash; plain string lines are never escaped.
// The file does not name its key: the importer names the key it is read into.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"

namespace quill::registry {

struct TextValue {
  std::string name;
  platform::RegValue value;
};

struct TextKey {
  std::string relative;  // the header without its leading backslash: "" for the key itself
  std::vector<TextValue> values;
};

// A registry text file as an import reads it: its lines up to the first empty one.
struct ParsedRegistryText {
  std::vector<TextKey> keys;  // in the file's order
  bool replacesKey = false;   // the file holds the key's own header "\"
  // Empty when an import takes the file; otherwise why not, at line badLine (1-based), or
  // for the file as a whole when badLine is 0.
  std::string problem;
  std::size_t badLine = 0;
  std::vector<std::string> lines;         // the file's lines, UTF-8
  std::vector<std::size_t> skippedLines;  // value lines of a type an import does not know
  std::size_t unreadFrom = 0;  // the first line with text after an empty line; 0 when none

  bool ok() const { return problem.empty(); }
};

// bytes: the file's code-page text.
ParsedRegistryText ParseRegistryText(std::string_view bytes);

// The line of one value, or nothing for a type the format does not carry.
std::optional<std::string> ValueLine(const std::string& name, const platform::RegValue& value);
// True when the line reads back with the name it was written with.
bool NameReadsBack(const std::string& name, const std::string& line);

// A line as an error message quotes it: long ones cut short, never inside a character.
std::string Shortened(const std::string& line);

}  // namespace quill::registry
