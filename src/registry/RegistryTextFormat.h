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
// number as a signed decimal. A line cannot hold a line break, so string data with CR or LF
// in it goes under " sx" or "esx" instead, with "\r", "\n" and "\\" standing for CR, LF and
// a backslash; plain string lines are never escaped.
//
// Every other value goes under a tag that programs which read only the tags above skip, so
// the lines they do read are the same as ever:
//
//   "Gelesen"= su:Gelesen \u2713 Café            a string with characters the code page lacks
//   "Path"=esu:%USERPROFILE%\\\u65E5\u672C        the same for an expandable string
//   "Blocked Senders"=msz:spam@example.biz\0@example.info\0   a multi-string
//   "Last Sync"= qw:133401606345309935         a 64-bit number as a signed decimal
//   "Reserved"=raw:0:                          any other value: its type number, ":", its bytes
//   "Odd"=raw:1:65,0,66                        string data that is no whole terminated text
//
// " su", "esu" and "msz" hold the text without its terminating NUL, with "\r", "\n", "\0"
// (NUL), "\\" and "\uXXXX" (one UTF-16 code unit, four hexadecimal digits) for what the line
// cannot hold as it is: characters outside the code page, a double quote (so that the line
// holds no '"=' after its name), and lone surrogates. A multi-string's NULs between its
// strings and the one ending the list are written as "\0". A DWORD of other than 4 bytes, a
// QWORD of other than 8, and string data of an odd length or without its terminating NUL go
// under "raw": every value comes back byte for byte.
// The file does not name its key: the importer names the key it is read into.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"

namespace quill::registry {

struct TextValue {
  std::string name;
  platform::StoredValue value;  // the data as the registry stores it
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
  std::string badText;                    // the text of line badLine, UTF-8
  std::vector<std::size_t> skippedLines;  // value lines of a type an import does not know
  std::size_t unreadFrom = 0;  // the first line with text after an empty line; 0 when none

  bool ok() const { return problem.empty(); }
};

// bytes: the file's code-page text.
ParsedRegistryText ParseRegistryText(std::string_view bytes);

// The line of one value: every type and every data has one.
std::string ValueLine(const std::string& name, const platform::StoredValue& value);
// True when the line reads back with the name it was written with.
bool NameReadsBack(const std::string& name, const std::string& line);

// A line as an error message quotes it: long ones cut short, never inside a character.
std::string Shortened(const std::string& line);

}  // namespace quill::registry
