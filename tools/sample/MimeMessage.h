#pragma once
// Internet messages as the mail client stores them in its .eml files: RFC 5322 headers,
// MIME parts (RFC 2045-2049), encoded words in headers (RFC 2047) and encoded parameter
// values (RFC 2231). Lines end in CRLF. Large part bodies are streamed from a source, so
// a message of any size is written without holding it in memory.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "TreeWriter.h"

namespace quill::sample {

enum class TransferEncoding { kSevenBit, kQuotedPrintable, kBase64 };

// Fills buffer with the next bytes of a part body; returns how many, 0 at the end.
using ByteSource = std::function<std::size_t(char* buffer, std::size_t capacity)>;

struct MimeParameter {
  std::string name;
  std::string value;  // UTF-8; encoded on writing as the value needs
  // Writes a non-ASCII value as RFC 2047 words in a quoted string, as mail programs do for
  // the "name" parameter of Content-Type, instead of an RFC 2231 value.
  bool asEncodedWords = false;
};

struct MimePart {
  std::string mediaType;                      // "text/plain", "multipart/mixed", ...
  std::vector<MimeParameter> typeParameters;  // charset, name (the boundary is added)
  std::string disposition;                    // "inline", "attachment" or empty
  std::vector<MimeParameter> dispositionParameters;
  std::vector<std::pair<std::string, std::string>> headers;  // further headers (ASCII)
  TransferEncoding encoding = TransferEncoding::kSevenBit;
  std::string body;      // the bytes of a leaf, in its charset
  ByteSource source;     // when set, streams the leaf's bytes instead of body
  std::string boundary;  // for a multipart
  std::string preamble;  // for a multipart: text before the first part
  std::vector<MimePart> children;
};

struct MimeMessage {
  // Name and value; the value is ASCII (see EncodeHeaderText, FormatAddress) and is folded
  // on writing.
  std::vector<std::pair<std::string, std::string>> headers;
  MimePart body;
};

// Writes the message: its headers, MIME-Version, the body part's headers and the body.
void WriteMessage(const MimeMessage& message, ByteSink& sink);
std::string MessageText(const MimeMessage& message);

// ---- encoders ------------------------------------------------------------------------

// Base64 without line breaks.
std::string EncodeBase64(std::string_view bytes);

// Base64 for a body: lines of 76 characters joined by CRLF, no CRLF after the last one.
class Base64Writer {
 public:
  explicit Base64Writer(ByteSink& sink) : sink_(sink) {}
  void Feed(std::string_view bytes);
  void Finish();

 private:
  void Emit(const char* quad, std::size_t count);

  ByteSink& sink_;
  unsigned char pending_[3] = {};
  std::size_t pendingCount_ = 0;
  std::size_t lineLength_ = 0;
  std::string buffer_;
};

// Quoted-printable (RFC 2045 6.7) of text whose lines end in LF or CRLF: output lines of
// at most 76 characters ending in CRLF, soft breaks "=" CRLF, blanks before a line end
// encoded. The result does not end in CRLF unless the text ends in a line break, which
// then stands as an empty last line.
std::string EncodeQuotedPrintable(std::string_view bytes);

// Header text: unchanged when it is printable ASCII, else RFC 2047 encoded words
// ("=?utf-8?B?...?=", or Q with 'Q') of at most 75 characters each, joined by blanks,
// never splitting a character. The charset is "utf-8" or "iso-8859-1".
std::string EncodeHeaderText(std::string_view utf8, char method = 'B',
                             std::string_view charset = "utf-8");

// "Name <address>" with the display name quoted or encoded as it needs; the bare address
// when the name is empty.
std::string FormatAddress(std::string_view displayName, std::string_view address);

// A UTC instant as calendar date and time of day (proleptic Gregorian calendar).
struct CivilTime {
  int year;
  unsigned month;  // 1-12
  unsigned day;    // 1-31
  unsigned hour, minute, second;
  unsigned weekday;  // 0 = Sunday
};
CivilTime ToCivil(std::int64_t unixSeconds);

// RFC 5322 date-time, e.g. "Tue, 05 Mar 2024 09:14:07 +0100", of a UTC instant shown in
// the zone offsetMinutes east of UTC.
std::string FormatDate(std::int64_t unixSeconds, int offsetMinutes);

// The "name=value" pieces of a parameter, each meant for a line of its own: a token or a
// quoted string when the value is ASCII and short; otherwise RFC 2231 extended values
// (name*=utf-8''..., split into name*0*=, name*1*=, ... when long).
std::vector<std::string> FormatParameter(const MimeParameter& parameter);

// Latin-1 bytes of UTF-8 text; characters beyond U+00FF become '?'.
std::string Utf8ToLatin1(std::string_view utf8);

}  // namespace quill::sample
