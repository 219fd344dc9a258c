#include "MimeMessage.h"

#include <array>
#include <cstdio>
#include <stdexcept>

namespace quill::sample {
namespace {

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::size_t kBase64LineLength = 76;
constexpr std::size_t kQuotedPrintableLineLength = 76;
// RFC 2047 allows 75 characters; shorter words let the first one share its line with a
// header name such as "Subject: " within the 78 columns.
constexpr std::size_t kEncodedWordLength = 64;
constexpr std::size_t kHeaderLineLength = 78;
// ASCII parameter values longer than this take the RFC 2231 form too.
constexpr std::size_t kPlainParameterLength = 60;
constexpr std::size_t kSourceChunk = 64 * 1024;

bool IsPrintableAscii(std::string_view text) {
  for (const char c : text) {
    if (c < 0x20 || c > 0x7e) return false;
  }
  return true;
}

// The length of the UTF-8 sequence that starts with lead (1 for a stray byte).
std::size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead < 0xF8) return 4;
  if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}

// Splits text into characters: whole UTF-8 sequences, or single bytes for Latin-1.
std::vector<std::string_view> Characters(std::string_view text, bool singleBytes) {
  std::vector<std::string_view> characters;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = singleBytes ? 1 : SequenceLength(static_cast<unsigned char>(text[i]));
    if (i + length > text.size()) length = text.size() - i;
    characters.push_back(text.substr(i, length));
    i += length;
  }
  return characters;
}

void AppendHex(std::string& out, unsigned char byte, char prefix) {
  out += prefix;
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 0x0f];
}

// "Name: value" folded at blanks so that lines stay within 78 characters where a blank
// allows it.
std::string FoldHeader(std::string_view name, std::string_view value) {
  std::string out(name);
  out += ':';
  std::size_t lineLength = out.size();
  bool lineHasWord = false;
  std::size_t start = 0;
  while (start <= value.size()) {
    std::size_t end = value.find(' ', start);
    if (end == std::string_view::npos) end = value.size();
    const std::string_view word = value.substr(start, end - start);
    if (lineHasWord && !word.empty() && lineLength + 1 + word.size() > kHeaderLineLength) {
      out += "\r\n";
      lineLength = 0;
    }
    out += ' ';
    out += word;
    lineLength += 1 + word.size();
    lineHasWord = true;
    start = end + 1;
  }
  out += "\r\n";
  return out;
}

bool IsTokenChar(char c) {
  static constexpr std::string_view kSpecials = "()<>@,;:\\\"/[]?=";
  return c > 0x20 && c < 0x7f && kSpecials.find(c) == std::string_view::npos;
}

bool IsAttributeChar(char c) {
  static constexpr std::string_view kExtra = "!#$&+-.^_`|~";
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         kExtra.find(c) != std::string_view::npos;
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

std::string PartHeaders(const MimePart& part) {
  std::string out = "Content-Type: " + part.mediaType;
  std::vector<MimeParameter> parameters = part.typeParameters;
  if (!part.children.empty()) parameters.push_back({"boundary", part.boundary});
  for (const MimeParameter& parameter : parameters) {
    for (const std::string& piece : FormatParameter(parameter)) out += ";\r\n\t" + piece;
  }
  out += "\r\n";
  if (part.children.empty()) {
    static constexpr const char* kNames[] = {"7bit", "quoted-printable", "base64"};
    out += "Content-Transfer-Encoding: ";
    out += kNames[static_cast<int>(part.encoding)];
    out += "\r\n";
  }
  if (!part.disposition.empty()) {
    out += "Content-Disposition: " + part.disposition;
    for (const MimeParameter& parameter : part.dispositionParameters) {
      for (const std::string& piece : FormatParameter(parameter)) out += ";\r\n\t" + piece;
    }
    out += "\r\n";
  }
  for (const auto& [name, value] : part.headers) out += FoldHeader(name, value);
  return out;
}

// Text with every line break as CRLF.
std::string WithCrlf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

// The body of a part; it never ends in the CRLF that precedes a boundary.
void WriteBody(const MimePart& part, ByteSink& sink) {
  if (!part.children.empty()) {
    if (part.boundary.empty()) throw std::logic_error("a multipart needs a boundary");
    if (!part.preamble.empty()) sink.Write(WithCrlf(part.preamble) + "\r\n");
    bool first = true;
    for (const MimePart& child : part.children) {
      sink.Write((first ? "--" : "\r\n--") + part.boundary + "\r\n");
      sink.Write(PartHeaders(child));
      sink.Write("\r\n");
      WriteBody(child, sink);
      first = false;
    }
    sink.Write("\r\n--" + part.boundary + "--");
    return;
  }
  switch (part.encoding) {
    case TransferEncoding::kSevenBit: {
      if (part.source) throw std::logic_error("a 7bit part is written from its text");
      std::string text = WithCrlf(part.body);
      if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
        text.resize(text.size() - 2);
      sink.Write(text);
      break;
    }
    case TransferEncoding::kQuotedPrintable:
      if (part.source) throw std::logic_error("a quoted-printable part is written from its text");
      sink.Write(EncodeQuotedPrintable(part.body));
      break;
    case TransferEncoding::kBase64: {
      Base64Writer writer(sink);
      if (part.source) {
        std::string buffer(kSourceChunk, '\0');
        for (;;) {
          const std::size_t count = part.source(buffer.data(), buffer.size());
          if (count == 0) break;
          writer.Feed(std::string_view(buffer.data(), count));
        }
      } else {
        writer.Feed(part.body);
      }
      writer.Finish();
      break;
    }
  }
}

// The civil date of a day counted from 1970-01-01 (proleptic Gregorian calendar).
void CivilFromDays(std::int64_t days, int& year, unsigned& month, unsigned& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned mp = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * mp + 2) / 5 + 1;
  month = mp < 10 ? mp + 3 : mp - 9;
  year = static_cast<int>(yearOfEra + era * 400) + (month <= 2 ? 1 : 0);
}

}  // namespace

// ---- encoders ------------------------------------------------------------------------

std::string EncodeBase64(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned v = (at(i) << 16) | (at(i + 1) << 8) | at(i + 2);
    out += kBase64Alphabet[(v >> 18) & 63];
    out += kBase64Alphabet[(v >> 12) & 63];
    out += kBase64Alphabet[(v >> 6) & 63];
    out += kBase64Alphabet[v & 63];
  }
  if (i + 1 == bytes.size()) {
    const unsigned v = at(i) << 16;
    out += kBase64Alphabet[(v >> 18) & 63];
    out += kBase64Alphabet[(v >> 12) & 63];
    out += "==";
  } else if (i + 2 == bytes.size()) {
    const unsigned v = (at(i) << 16) | (at(i + 1) << 8);
    out += kBase64Alphabet[(v >> 18) & 63];
    out += kBase64Alphabet[(v >> 12) & 63];
    out += kBase64Alphabet[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

void Base64Writer::Emit(const char* quad, std::size_t count) {
  if (lineLength_ == kBase64LineLength) {
    buffer_ += "\r\n";
    lineLength_ = 0;
  }
  buffer_.append(quad, count);
  lineLength_ += count;
  if (buffer_.size() >= kSourceChunk) {
    sink_.Write(buffer_);
    buffer_.clear();
  }
}

void Base64Writer::Feed(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    pending_[pendingCount_++] = static_cast<unsigned char>(bytes[i++]);
    if (pendingCount_ < 3) continue;
    const unsigned v = (pending_[0] << 16) | (pending_[1] << 8) | pending_[2];
    const char quad[4] = {kBase64Alphabet[(v >> 18) & 63], kBase64Alphabet[(v >> 12) & 63],
                          kBase64Alphabet[(v >> 6) & 63], kBase64Alphabet[v & 63]};
    Emit(quad, 4);
    pendingCount_ = 0;
  }
}

void Base64Writer::Finish() {
  if (pendingCount_ > 0) {
    const std::string quad =
        EncodeBase64(std::string_view(reinterpret_cast<const char*>(pending_), pendingCount_));
    Emit(quad.data(), quad.size());
    pendingCount_ = 0;
  }
  if (!buffer_.empty()) sink_.Write(buffer_);
  buffer_.clear();
}

std::string EncodeQuotedPrintable(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  std::size_t start = 0;
  for (;;) {
    std::size_t end = bytes.find('\n', start);
    const bool lastLine = end == std::string_view::npos;
    if (lastLine) end = bytes.size();
    std::string_view line = bytes.substr(start, end - start);
    if (!lastLine && !line.empty() && line.back() == '\r') line.remove_suffix(1);

    std::size_t length = 0;  // of the current output line
    for (std::size_t i = 0; i < line.size(); ++i) {
      const auto c = static_cast<unsigned char>(line[i]);
      const bool atEnd = i + 1 == line.size();
      std::string token;
      if ((c == ' ' || c == '\t') && !atEnd) {
        token = static_cast<char>(c);
      } else if (c >= 33 && c <= 126 && c != '=') {
        token = static_cast<char>(c);
      } else {
        AppendHex(token, c, '=');
      }
      // A soft break takes one column, so a line that goes on holds at most 75 characters.
      const bool fitsAsLast = atEnd && length + token.size() <= kQuotedPrintableLineLength;
      if (length + token.size() > kQuotedPrintableLineLength - 1 && !fitsAsLast) {
        out += "=\r\n";
        length = 0;
      }
      out += token;
      length += token.size();
    }
    if (lastLine) break;
    out += "\r\n";
    start = end + 1;
  }
  return out;
}

std::string EncodeHeaderText(std::string_view utf8, char method, std::string_view charset) {
  if (IsPrintableAscii(utf8)) return std::string(utf8);
  const bool latin1 = charset == "iso-8859-1";
  const std::string bytes = latin1 ? Utf8ToLatin1(utf8) : std::string(utf8);
  const std::string prefix = "=?" + std::string(charset) + "?" + method + "?";
  const std::size_t room = kEncodedWordLength - prefix.size() - 2;
  // Bytes a B word can carry: whole groups of three within its room.
  const std::size_t base64Bytes = room / 4 * 3;

  std::string out;
  std::string chunk;    // raw bytes of the current word (B)
  std::string encoded;  // encoded text of the current word (Q)
  const auto flush = [&] {
    if (chunk.empty() && encoded.empty()) return;
    if (!out.empty()) out += ' ';
    out += prefix + (method == 'B' ? EncodeBase64(chunk) : encoded) + "?=";
    chunk.clear();
    encoded.clear();
  };
  for (const std::string_view character : Characters(bytes, latin1)) {
    if (method == 'B') {
      if (chunk.size() + character.size() > base64Bytes) flush();
      chunk += character;
    } else {
      std::string piece;
      for (const char ch : character) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == ' ') {
          piece += '_';
        } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                   c == '!' || c == '*' || c == '+' || c == '-' || c == '/') {
          piece += static_cast<char>(c);
        } else {
          AppendHex(piece, c, '=');
        }
      }
      if (encoded.size() + piece.size() > room) flush();
      encoded += piece;
    }
  }
  flush();
  return out;
}

std::string FormatAddress(std::string_view displayName, std::string_view address) {
  if (displayName.empty()) return std::string(address);
  std::string phrase;
  if (!IsPrintableAscii(displayName)) {
    phrase = EncodeHeaderText(displayName, 'Q');
  } else if (displayName.find_first_of("()<>[]:;@\\,.\"") != std::string_view::npos) {
    phrase = Quoted(displayName);
  } else {
    phrase = std::string(displayName);
  }
  return phrase + " <" + std::string(address) + ">";
}

CivilTime ToCivil(std::int64_t unixSeconds) {
  std::int64_t days = unixSeconds / 86400;
  std::int64_t seconds = unixSeconds % 86400;
  if (seconds < 0) {
    seconds += 86400;
    --days;
  }
  CivilTime civil{};
  CivilFromDays(days, civil.year, civil.month, civil.day);
  civil.hour = static_cast<unsigned>(seconds / 3600);
  civil.minute = static_cast<unsigned>(seconds / 60 % 60);
  civil.second = static_cast<unsigned>(seconds % 60);
  civil.weekday = static_cast<unsigned>(((days + 4) % 7 + 7) % 7);  // 1970-01-01 was a Thursday
  return civil;
}

std::string FormatDate(std::int64_t unixSeconds, int offsetMinutes) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const CivilTime local = ToCivil(unixSeconds + std::int64_t{offsetMinutes} * 60);
  const int offset = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s, %02u %s %d %02u:%02u:%02u %c%02d%02d",
                kDays[local.weekday], local.day, kMonths[local.month - 1], local.year, local.hour,
                local.minute, local.second, offsetMinutes < 0 ? '-' : '+', offset / 60,
                offset % 60);
  return buffer;
}

std::vector<std::string> FormatParameter(const MimeParameter& parameter) {
  const std::string_view value = parameter.value;
  const bool ascii = IsPrintableAscii(value);
  if (ascii && value.size() <= kPlainParameterLength) {
    bool token = !value.empty();
    for (const char c : value) token = token && IsTokenChar(c);
    return {parameter.name + "=" + (token ? std::string(value) : Quoted(value))};
  }
  if (!ascii && parameter.asEncodedWords) {
    // One word per line: folding white space may stand inside a quoted string.
    std::string words = EncodeHeaderText(value, 'B');
    for (std::size_t at = words.find(' '); at != std::string::npos; at = words.find(' ', at)) {
      words.replace(at, 1, "\r\n\t");
    }
    return {parameter.name + "=\"" + words + "\""};
  }
  // RFC 2231: charset, empty language, then the value with every byte that is no
  // attribute character as %XX. Each piece goes on a line of its own ("\t" piece ";"),
  // which stays within 78 columns; an escape or a UTF-8 sequence is never split.
  std::vector<std::string> encoded;  // per character
  std::size_t total = 0;
  for (const std::string_view character : Characters(value, false)) {
    std::string piece;
    for (const char c : character) {
      if (IsAttributeChar(c)) {
        piece += c;
      } else {
        AppendHex(piece, static_cast<unsigned char>(c), '%');
      }
    }
    total += piece.size();
    encoded.push_back(std::move(piece));
  }
  const std::string single = parameter.name + "*=utf-8''";
  if (single.size() + total + 2 <= kHeaderLineLength) {
    std::string out = single;
    for (const std::string& piece : encoded) out += piece;
    return {out};
  }
  std::vector<std::string> out;
  for (const std::string& piece : encoded) {
    if (out.empty() || out.back().size() + piece.size() + 2 > kHeaderLineLength) {
      const std::size_t index = out.size();
      out.push_back(parameter.name + "*" + std::to_string(index) +
                    "*=" + (index == 0 ? "utf-8''" : ""));
    }
    out.back() += piece;
  }
  return out;
}

std::string Utf8ToLatin1(std::string_view utf8) {
  std::string out;
  for (const std::string_view character : Characters(utf8, false)) {
    const auto lead = static_cast<unsigned char>(character[0]);
    if (character.size() == 1 && lead < 0x80) {
      out += character[0];
    } else if (character.size() == 2 && (lead == 0xC2 || lead == 0xC3)) {
      out += static_cast<char>(((lead & 0x1f) << 6) |
                               (static_cast<unsigned char>(character[1]) & 0x3f));
    } else {
      out += '?';
    }
  }
  return out;
}

// ---- messages ------------------------------------------------------------------------

void WriteMessage(const MimeMessage& message, ByteSink& sink) {
  std::string head;
  for (const auto& [name, value] : message.headers) head += FoldHeader(name, value);
  head += "MIME-Version: 1.0\r\n";
  head += PartHeaders(message.body);
  head += "\r\n";
  sink.Write(head);
  WriteBody(message.body, sink);
  sink.Write("\r\n");
}

std::string MessageText(const MimeMessage& message) {
  StringSink sink;
  WriteMessage(message, sink);
  return std::move(sink.text);
}

}  // namespace quill::sample
