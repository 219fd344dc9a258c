#include "SampleContent.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace quill::sample {
namespace {

constexpr Person kPeople[] = {
    {"Anna Example", "anna@example.com"},
    {"Bob Builder", "bob@hotmail.com"},
    {"Jürgen Groß", "juergen.gross@example.de"},
    {"Zoë Noël", "zoe.noel@example.fr"},
    {"François Müller", "francois@example.ch"},
    {"Ingrid Sørensen", "ingrid@example.dk"},
    {"José Peña", "jose.pena@example.es"},
    {"O'Brien, Siobhán", "siobhan@example.ie"},
    {"Carol Smith", "carol.smith@example.org"},
    {"Dave \"The Admin\" Jones", "dave@example.net"},
    {"Smith, Eve", "eve.smith@example.org"},
    {"山田 太郎", "yamada@example.jp"},
    {"", "noreply@example.com"},
};

constexpr std::string_view kWords[] = {
    "the",      "backup",    "report",  "meeting", "project",  "schedule", "invoice", "weekend",
    "photos",   "garden",    "server",  "folder",  "message",  "archive",  "restore", "team",
    "budget",   "quarter",   "draft",   "review",  "summary",  "holiday",  "travel",  "train",
    "morning",  "evening",   "coffee",  "lunch",   "dinner",   "family",   "friends", "school",
    "update",   "version",   "release", "install", "window",   "printer",  "network", "account",
    "password", "contract",  "offer",   "order",   "delivery", "payment",  "receipt", "agenda",
    "and",      "with",      "for",     "from",    "about",    "after",    "before",  "today",
    "tomorrow", "yesterday", "please",  "thanks",  "again",    "soon",     "later",   "maybe",
    "Grüße",    "Straße",    "café",    "naïve",   "résumé",   "Müller",   "Größe",   "façade",
    "über",     "señor",     "Ålesund", "déjà",    "vu",       "Köln",     "Øre",     "Ærø",
    "crème",    "brûlée",    "piñata",  "Zürich",  "Mañana",   "Fräulein", "größer",  "Bäckerei",
};

constexpr std::string_view kUnicodeWords[] = {
    "€", "„Anführungszeichen“", "日本語", "😀", "Привет", "Ελληνικά", "—", "✓", "中文", "🎉",
};

constexpr std::string_view kAsciiSubjects[] = {
    "Meeting notes",
    "Quarterly report",
    "Lunch on Friday?",
    "Your order #%u has shipped",
    "Project status update",
    "Photos from the weekend",
    "Invoice %u",
    "Question about the backup",
    "Server maintenance tonight",
    "Happy birthday!",
    "Minutes of the board meeting held on the first Monday of the month, with the "
    "action items that were agreed",
};

constexpr std::string_view kUnicodeSubjects[] = {
    "Grüße aus Köln",
    "Réunion de l'équipe – ordre du jour",
    "Rechnung März %u",
    "Ihre Bestellung über 49,90 €",
    "Smørrebrød til frokost?",
    "¿Dónde está la reunión?",
    "Привет из Москвы",
    "会議の議事録",
    "Party 🎉 am Samstag",
    "Ein sehr langer Betreff mit Umlauten: Äpfel, Öfen, Übungen und Straßen — damit die "
    "Kodierung in mehrere Wörter aufgeteilt werden muss",
};

constexpr AttachmentName kAttachmentNames[] = {
    {"Rechnung März 2024.pdf", FileKind::kPdf},
    {"report-q3.pdf", FileKind::kPdf},
    {"photo_0042.jpg", FileKind::kJpeg},
    {"Grüße aus Köln.jpg", FileKind::kJpeg},
    {"Résumé – François Müller.docx", FileKind::kDocx},
    {"Präsentation Jahresabschluss und Quartalsübersicht für den Vorstand, endgültige "
     "Fassung.pdf",
     FileKind::kPdf},
    {"backup 2024-03.zip", FileKind::kZip},
    {"notes.txt", FileKind::kText},
    {"Ångström-Messwerte.bin", FileKind::kBinary},
    {"data.bin", FileKind::kBinary},
    {"Urlaubsfotos Sommer.zip", FileKind::kZip},
    {"CV.docx", FileKind::kDocx},
};

std::string FillNumber(std::string_view pattern, SampleRandom& random) {
  std::string text(pattern);
  const auto at = text.find("%u");
  if (at != std::string::npos) {
    text.replace(at, 2, std::to_string(random.Between(1000, 99999)));
  }
  return text;
}

std::string Sentence(SampleRandom& random, bool unicode) {
  std::string sentence;
  const auto count = random.Between(5, 16);
  for (std::uint64_t i = 0; i < count; ++i) {
    if (i > 0) sentence += ' ';
    std::string word(unicode && random.Percent(4) ? random.Pick(kUnicodeWords)
                                                  : random.Pick(kWords));
    if (i == 0 && word[0] >= 'a' && word[0] <= 'z') word[0] = static_cast<char>(word[0] - 32);
    sentence += word;
    if (i + 1 < count && random.Percent(8)) sentence += ',';
  }
  sentence += random.Percent(85) ? "." : (random.Percent(50) ? "?" : "!");
  return sentence;
}

// Counts characters, not bytes, so that wrapping looks right on screen.
std::size_t DisplayLength(std::string_view text) {
  std::size_t length = 0;
  for (const char c : text) length += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return length;
}

// A paragraph wrapped at 72 columns.
std::string Paragraph(SampleRandom& random, bool unicode) {
  std::string out;
  std::size_t column = 0;
  const auto sentences = random.Between(2, 6);
  for (std::uint64_t s = 0; s < sentences; ++s) {
    const std::string sentence = Sentence(random, unicode);
    std::size_t start = 0;
    while (start < sentence.size()) {
      std::size_t end = sentence.find(' ', start);
      if (end == std::string::npos) end = sentence.size();
      const std::string_view word(sentence.data() + start, end - start);
      const std::size_t length = DisplayLength(word);
      if (column > 0 && column + 1 + length > 72) {
        out += '\n';
        column = 0;
      } else if (column > 0) {
        out += ' ';
        ++column;
      }
      out += word;
      column += length;
      start = end + 1;
    }
  }
  out += '\n';
  return out;
}

std::string XmlEscaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Signature(FileKind kind) {
  switch (kind) {
    case FileKind::kPdf:
      return std::string("%PDF-1.5\r\n%\xE2\xE3\xCF\xD3\r\n");
    case FileKind::kJpeg:
      return std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x01\x00\x48\x00\x48\x00\x00",
                         20);
    case FileKind::kZip:
    case FileKind::kDocx:
      return std::string("PK\x03\x04\x14\x00\x06\x00\x08\x00", 10);
    case FileKind::kText:
    case FileKind::kBinary:
      break;
  }
  return {};
}

// iCalendar text escaping and folding (lines of at most 75 octets, never splitting a
// UTF-8 sequence).
std::string CalendarText(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\' || c == ';' || c == ',') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string CalendarLine(std::string_view name, std::string_view value) {
  const std::string line = std::string(name) + ":" + std::string(value);
  std::string out;
  std::size_t length = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const bool continuation = (static_cast<unsigned char>(line[i]) & 0xC0) == 0x80;
    if (!continuation) {
      // The length of the character that starts here.
      std::size_t next = i + 1;
      while (next < line.size() && (static_cast<unsigned char>(line[next]) & 0xC0) == 0x80) ++next;
      if (length + (next - i) > 75) {
        out += "\r\n ";
        length = 1;
      }
    }
    out += line[i];
    ++length;
  }
  out += "\r\n";
  return out;
}

std::string CalendarTime(std::int64_t unixSeconds) {
  const CivilTime t = ToCivil(unixSeconds);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d%02u%02uT%02u%02u%02uZ", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return buffer;
}

}  // namespace

std::span<const Person> People() {
  return kPeople;
}

std::string_view DomainOf(std::string_view address) {
  const auto at = address.find('@');
  return at == std::string_view::npos ? address : address.substr(at + 1);
}

std::string MakeSubject(SampleRandom& random, bool unicode) {
  if (unicode && random.Percent(50)) return FillNumber(random.Pick(kUnicodeSubjects), random);
  return FillNumber(random.Pick(kAsciiSubjects), random);
}

std::string MakeBodyText(SampleRandom& random, std::size_t bytes, bool unicode, bool awkward) {
  std::string text = "Hello,\n\n";
  bool awkwardDone = !awkward;
  while (text.size() < bytes) {
    text += Paragraph(random, unicode);
    text += '\n';
    if (!awkwardDone) {
      text += "From the desk of the treasurer: total = 1 + 2 = 3, rate =3D 5%\n";
      text += ".\n";
      text += "A line that ends in blanks   \n";
      text += "\tand one that starts with a tab\n";
      std::string longLine;
      while (longLine.size() < 300) longLine += Sentence(random, unicode) + ' ';
      longLine.pop_back();
      text += longLine + "\n\n";
      awkwardDone = true;
    }
  }
  text += "-- \n";
  text += random.Percent(50) ? "Anna\n" : "Viele Grüße\nJürgen\n";
  return text;
}

std::string HtmlFromText(std::string_view text, std::string_view charset) {
  std::string html =
      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\n"
      "<HTML><HEAD>\n<META content=\"text/html; charset=" +
      std::string(charset) +
      "\" http-equiv=Content-Type>\n"
      "<META name=GENERATOR content=\"MSHTML 11.00.9600.19431\"></HEAD>\n"
      "<BODY style=\"PADDING-LEFT: 10px; PADDING-RIGHT: 10px; PADDING-TOP: 15px\" "
      "id=MailContainerBody leftMargin=0 topMargin=0 CanvasTabStop=\"true\" "
      "name=\"Compose message area\">\n";
  // Paragraphs are separated by empty lines; their lines are joined with blanks.
  std::size_t start = 0;
  std::string paragraph;
  const auto flush = [&] {
    if (paragraph.empty()) return;
    html += "<DIV><FONT face=Calibri>" + XmlEscaped(paragraph) + "</FONT></DIV>\n";
    html += "<DIV><FONT face=Calibri></FONT>&nbsp;</DIV>\n";
    paragraph.clear();
  };
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    if (line.empty()) {
      flush();
    } else {
      if (!paragraph.empty()) paragraph += ' ';
      paragraph += line;
    }
    start = end + 1;
  }
  flush();
  html += "</BODY></HTML>\n";
  return html;
}

std::span<const AttachmentName> AttachmentNames() {
  return kAttachmentNames;
}

std::string_view MediaTypeOf(FileKind kind) {
  switch (kind) {
    case FileKind::kPdf:
      return "application/pdf";
    case FileKind::kJpeg:
      return "image/jpeg";
    case FileKind::kZip:
      return "application/x-zip-compressed";
    case FileKind::kDocx:
      return "application/vnd.openxmlformats-officedocument.wordprocessingml.document";
    case FileKind::kText:
      return "text/plain";
    case FileKind::kBinary:
      return "application/octet-stream";
  }
  return "application/octet-stream";
}

ByteSource FileBytes(SampleRandom& random, FileKind kind, std::uint64_t size) {
  return [&random, kind, size, position = std::uint64_t{0}, head = Signature(kind),
          carry = std::string()](char* buffer, std::size_t capacity) mutable -> std::size_t {
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(capacity, size - position));
    std::size_t i = 0;
    while (i < count && position + i < head.size()) {
      buffer[i] = head[static_cast<std::size_t>(position + i)];
      ++i;
    }
    if (kind == FileKind::kText) {
      while (i < count) {
        if (carry.empty()) {
          carry = random.Pick(kWords);
          carry += random.Percent(12) ? "\r\n" : " ";
        }
        const std::size_t take = std::min(carry.size(), count - i);
        std::copy_n(carry.data(), take, buffer + i);
        carry.erase(0, take);
        i += take;
      }
    } else {
      random.Fill(buffer + i, count - i);
    }
    position += count;
    return count;
  };
}

void WriteDatabase(ByteSink& sink, SampleRandom& random, std::uint64_t size, std::uint32_t pageSize,
                   std::string_view signature) {
  std::string page(pageSize, '\0');
  for (std::uint64_t written = 0; written < size;) {
    const std::size_t length =
        static_cast<std::size_t>(std::min<std::uint64_t>(pageSize, size - written));
    const std::size_t used = static_cast<std::size_t>(random.Between(64, length));
    random.Fill(page.data(), used);
    std::fill(page.begin() + static_cast<std::ptrdiff_t>(used), page.end(), '\0');
    if (written == 0) {
      std::copy_n(signature.data(), std::min(signature.size(), length), page.data());
    }
    sink.Write(std::string_view(page.data(), length));
    written += length;
  }
}

std::string MakeCalendarEvent(SampleRandom& random, std::string_view uid, std::string_view summary,
                              std::int64_t startSeconds, bool yearly) {
  const std::int64_t duration =
      yearly ? 86400 : static_cast<std::int64_t>(random.Between(1, 8)) * 1800;
  std::string text;
  text += "BEGIN:VCALENDAR\r\n";
  text += "PRODID:-//Microsoft Corporation//Windows Live Calendar//EN\r\n";
  text += "VERSION:2.0\r\n";
  text += "METHOD:PUBLISH\r\n";
  text += "BEGIN:VEVENT\r\n";
  text += CalendarLine("UID", uid);
  text += CalendarLine("DTSTAMP", CalendarTime(startSeconds - 86400 * 30));
  text += CalendarLine("DTSTART", CalendarTime(startSeconds));
  text += CalendarLine("DTEND", CalendarTime(startSeconds + duration));
  text += CalendarLine("SUMMARY", CalendarText(summary));
  text += CalendarLine(
      "LOCATION", CalendarText(random.Percent(50) ? "Café Müller, Köln" : "Room 4.12; building B"));
  text += CalendarLine("DESCRIPTION",
                       CalendarText(MakeBodyText(random, random.Between(80, 400), true, false)));
  if (yearly) text += "RRULE:FREQ=YEARLY\r\n";
  text += "END:VEVENT\r\n";
  text += "END:VCALENDAR\r\n";
  return text;
}

std::string MakeAccountFile(std::span<const AccountSetting> settings) {
  std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<MessageAccount>\r\n";
  for (const AccountSetting& setting : settings) {
    text += "\t<" + std::string(setting.name) + " type=\"" + std::string(setting.type) + "\">" +
            XmlEscaped(setting.value) + "</" + std::string(setting.name) + ">\r\n";
  }
  text += "</MessageAccount>\r\n";
  return text;
}

std::string HexBytes(SampleRandom& random, std::size_t count) {
  std::string bytes(count, '\0');
  random.Fill(bytes.data(), count);
  std::string text;
  char buffer[4];
  for (const char c : bytes) {
    std::snprintf(buffer, sizeof buffer, "%02X", unsigned{static_cast<unsigned char>(c)});
    text += buffer;
  }
  return text;
}

std::string HexDword(std::uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%08x", value);
  return buffer;
}

std::string MakeStationery(std::string_view title, std::string_view picture,
                           std::string_view greeting) {
  std::string html;
  html += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\r\n";
  html += "<HTML><HEAD><TITLE>" + XmlEscaped(title) + "</TITLE>\r\n";
  html += "<META http-equiv=Content-Type content=\"text/html; charset=utf-8\">\r\n";
  html +=
      "<STYLE>BODY { FONT-FAMILY: Georgia; COLOR: #5a3c1e; FONT-SIZE: 12pt; "
      "MARGIN-LEFT: 90px; MARGIN-TOP: 40px }</STYLE>\r\n";
  html += "</HEAD>\r\n<BODY background=\"" + XmlEscaped(picture) + "\">\r\n";
  html += "<DIV>" + XmlEscaped(greeting) + "</DIV>\r\n<DIV>&nbsp;</DIV>\r\n";
  html += "</BODY></HTML>\r\n";
  return html;
}

std::string MakeJpeg(SampleRandom& random, std::size_t size) {
  std::string bytes = Signature(FileKind::kJpeg);
  const std::size_t body = size > bytes.size() + 2 ? size - bytes.size() - 2 : 0;
  const std::size_t start = bytes.size();
  bytes.resize(start + body);
  random.Fill(bytes.data() + start, body);
  bytes += "\xFF\xD9";
  return bytes;
}

std::string MakeGif() {
  static constexpr unsigned char kGif[] = {
      'G',  'I',  'F',  '8',  '9',  'a',  0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00, 0xff, 0xff,
      0xff, 0x00, 0x00, 0x00, 0x21, 0xf9, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00,
      0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3b};
  return std::string(reinterpret_cast<const char*>(kGif), sizeof kGif);
}

}  // namespace quill::sample
