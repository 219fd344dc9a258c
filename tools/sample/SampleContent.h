#pragma once
// The made-up content of the sample profile: people, subjects, message texts, attachment
// bytes, database files, calendar entries, account files and stationery. Everything comes
// from the SampleRandom it is given, so the same seed gives the same bytes.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "MimeMessage.h"
#include "SampleRandom.h"
#include "TreeWriter.h"

namespace quill::sample {

struct Person {
  std::string_view name;  // UTF-8; may be empty
  std::string_view address;
};

// Correspondents; the first two own the mail accounts of the sample.
std::span<const Person> People();
inline const Person& AnnaPerson() {
  return People()[0];
}
inline const Person& BobPerson() {
  return People()[1];
}

// The domain of an address.
std::string_view DomainOf(std::string_view address);

// A subject line (UTF-8). With unicode, non-ASCII subjects are likely.
std::string MakeSubject(SampleRandom& random, bool unicode);

// A message text of about the given size, lines ending in LF and mostly wrapped at 72
// columns. With unicode it holds characters beyond Latin-1 (€, ideographs, emoji);
// without, only Latin-1. With awkward it also holds lines that trip careless encoders:
// a very long line, trailing blanks, "From " and "." lines, '=' signs.
std::string MakeBodyText(SampleRandom& random, std::size_t bytes, bool unicode, bool awkward);

// The text as a small HTML document in the given charset.
std::string HtmlFromText(std::string_view text, std::string_view charset);

enum class FileKind { kPdf, kJpeg, kZip, kDocx, kText, kBinary };

struct AttachmentName {
  std::string_view fileName;  // UTF-8
  FileKind kind;
};
std::span<const AttachmentName> AttachmentNames();
std::string_view MediaTypeOf(FileKind kind);

// Streams the bytes of a file of the given kind and size: its format's signature, then
// pseudo-random bytes (words for text). Draws from random while it is read.
ByteSource FileBytes(SampleRandom& random, FileKind kind, std::uint64_t size);

// The database engine's file signature, at offset 4 of the first page.
inline constexpr std::string_view kDatabaseSignature("\x00\x00\x00\x00\xEF\xCD\xAB\x89", 8);

// A database-like file: pages of the given size, each partly filled with pseudo-random
// bytes and the rest zero, the first page starting with signature.
void WriteDatabase(ByteSink& sink, SampleRandom& random, std::uint64_t size, std::uint32_t pageSize,
                   std::string_view signature);

// One calendar entry (RFC 5545), lines ending in CRLF.
std::string MakeCalendarEvent(SampleRandom& random, std::string_view uid, std::string_view summary,
                              std::int64_t startSeconds, bool yearly);

// An account file of the mail client: an XML document of typed settings.
struct AccountSetting {
  std::string_view name;
  std::string_view type;  // "SZ", "DWORD" or "BINARY"
  std::string value;      // text, eight hex digits, or hex bytes
};
std::string MakeAccountFile(std::span<const AccountSetting> settings);
std::string HexBytes(SampleRandom& random, std::size_t count);
std::string HexDword(std::uint32_t value);

// Stationery: an HTML page with a background picture.
std::string MakeStationery(std::string_view title, std::string_view picture,
                           std::string_view greeting);
// A picture file: a JPEG signature and header, pseudo-random data, the end marker.
std::string MakeJpeg(SampleRandom& random, std::size_t size);
// A valid one-pixel GIF.
std::string MakeGif();

}  // namespace quill::sample
