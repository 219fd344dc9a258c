#include "SampleMailStore.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "MimeMessage.h"
#include "SampleContent.h"

namespace quill::sample {
namespace {

constexpr std::string_view kMailer = "Microsoft Windows Live Mail 16.4.3528.331";
constexpr std::string_view kMimeOle = "Produced By Microsoft MimeOLE V16.4.3528.331";

enum class Role { kInbox, kNewsletter, kSent, kDraft, kDeleted, kJunk, kNews, kFeed };

enum class Shape { kPlain, kHtml, kAlternative, kMixed, kMixedAlternative, kRelated, kForward };

struct FolderSpec {
  std::string_view path;  // inside the account folder
  Role role;
  unsigned weight;  // share of the messages added to reach the size
};

struct AccountSpec {
  std::string_view folder;
  std::size_t owner;  // in People()
  bool news;          // folders are newsgroups
  std::vector<FolderSpec> folders;
  std::vector<std::string_view> emptyFolders;
};

const std::vector<AccountSpec>& Accounts() {
  static const std::vector<AccountSpec> accounts = {
      {"anna@example.com",
       0,
       false,
       {{"Inbox", Role::kInbox, 40},
        {"Inbox/Newsletters", Role::kNewsletter, 8},
        {"Inbox/Newsletters/2024", Role::kNewsletter, 6},
        {"Inbox/Überweisungen", Role::kInbox, 4},
        {"Sent Items", Role::kSent, 15},
        {"Drafts", Role::kDraft, 2},
        {"Deleted Items", Role::kDeleted, 4},
        {"Junk E-mail", Role::kJunk, 3}},
       {}},
      {"Hotmail (bob)",
       1,
       false,
       {{"Inbox", Role::kInbox, 25},
        {"Inbox/Family & Friends", Role::kInbox, 5},
        {"Sent Items", Role::kSent, 8},
        {"Drafts", Role::kDraft, 1},
        {"Deleted Items", Role::kDeleted, 3},
        {"Junk E-mail", Role::kJunk, 4}},
       {"Archive 2023"}},
      {"news.example.org",
       0,
       true,
       {{"comp.lang.c++", Role::kNews, 6},
        {"de.comp.lang.iso-c++", Role::kNews, 4},
        {"alt.test", Role::kNews, 2}},
       {}},
  };
  return accounts;
}

struct LocalFolder {
  std::string_view path;  // inside the store
  Role role;
  unsigned messages;
};

// Folders the backup leaves out, with a fixed number of messages each.
constexpr LocalFolder kLocalFolders[] = {
    {"Storage Folders/Outbox", Role::kDraft, 1},
    {"Storage Folders/Drafts", Role::kDraft, 1},
    {"Storage Folders/Sent items", Role::kSent, 2},
    {"Storage Folders/Deleted items", Role::kDeleted, 1},
    {"Storage Folders/Junk e-mail", Role::kJunk, 1},
    {"Storage Folders/Quarantine", Role::kInbox, 0},
    {"Your Feeds/Example News", Role::kFeed, 3},
    {"Your Feeds/Project Blog", Role::kFeed, 2},
};

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// True when every character of the UTF-8 text is in Latin-1: characters from U+0100 on
// start with a byte of 0xC4 or more.
bool IsLatin1(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0xC4; });
}

std::string Hex(std::uint64_t value, int digits) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%0*llX", digits, static_cast<unsigned long long>(value));
  return buffer;
}

std::string Guid(SampleRandom& random) {
  const std::uint64_t a = random.Next();
  const std::uint64_t b = random.Next();
  return "{" + Hex(a >> 32, 8) + "-" + Hex((a >> 16) & 0xffff, 4) + "-" +
         Hex(0x4000 | (a & 0x0fff), 4) + "-" + Hex(0x8000 | ((b >> 48) & 0x3fff), 4) + "-" +
         Hex(b & 0xffffffffffffULL, 12) + "}";
}

// Builds the messages; remembers recent ones so that later messages can answer them.
class Composer {
 public:
  Composer(SampleRandom& random, std::int64_t nowSeconds) : random_(random), now_(nowSeconds) {}

  struct Request {
    const Person* owner;
    Role role;
    std::string_view newsgroup;  // for news
    Shape shape;
    std::uint64_t attachmentBudget;  // raw bytes all attachments may take together
    bool small;                      // a message of the minimal set: small parts
  };

  MimeMessage Compose(const Request& request);

  // The first message of the sample, which holds every feature a reader must handle.
  MimeMessage Showcase(const Person& owner);

  // Picks a shape that suits the folder and the attachment budget.
  Shape PickShape(Role role, std::uint64_t attachmentBudget);

 private:
  struct Reference {
    std::string subject;
    std::string messageId;
  };

  const Person& OtherPerson(const Person& not1);
  std::string MessageId(std::string_view domain);
  std::string Boundary(int level);
  std::uint64_t AttachmentSize(bool small, std::uint64_t budget);
  MimePart TextPart(std::string_view text, bool html, bool unicode);
  MimePart Alternative(std::string_view text, bool unicode);
  MimePart Attachment(const AttachmentName& name, std::uint64_t size, bool inlineImage);
  void AddHeaders(MimeMessage& message, const Request& request, const std::string& subject,
                  const Reference* answered);

  SampleRandom& random_;
  std::int64_t now_;
  std::uint64_t counter_ = 0;
  std::deque<Reference> recent_;
};

const Person& Composer::OtherPerson(const Person& not1) {
  const auto people = People();
  for (;;) {
    const Person& person = people[2 + random_.Below(people.size() - 2)];
    if (person.address != not1.address) return person;
  }
}

std::string Composer::MessageId(std::string_view domain) {
  ++counter_;
  return "<" + Hex(random_.Next() >> 16, 12) + Hex(counter_, 6) + "@" + std::string(domain) + ">";
}

std::string Composer::Boundary(int level) {
  char buffer[64];
  const std::uint64_t bits = random_.Next();
  std::snprintf(buffer, sizeof buffer, "----=_NextPart_%03d_%04llX_%08llX.%08llX", level,
                static_cast<unsigned long long>(counter_ & 0xffff),
                static_cast<unsigned long long>(bits >> 32),
                static_cast<unsigned long long>(bits & 0xffffffffULL));
  return buffer;
}

std::uint64_t Composer::AttachmentSize(bool small, std::uint64_t budget) {
  std::uint64_t size;
  if (small) {
    size = random_.Between(200, 6000);
  } else {
    const auto band = random_.Below(100);
    if (band < 70) {
      size = random_.Between(2 * 1024, 64 * 1024);
    } else if (band < 95) {
      size = random_.Between(64 * 1024, 512 * 1024);
    } else {
      size = random_.Between(512 * 1024, 3 * 1024 * 1024);
    }
  }
  return std::max<std::uint64_t>(1, std::min(size, budget));
}

MimePart Composer::TextPart(std::string_view text, bool html, bool unicode) {
  MimePart part;
  part.mediaType = html ? "text/html" : "text/plain";
  // Texts without characters beyond Latin-1 are often sent as Latin-1.
  const bool latin1 = !unicode && !IsAscii(text) && random_.Percent(40);
  const std::string charset = latin1 ? "iso-8859-1" : "utf-8";
  std::string body = html ? HtmlFromText(text, charset) : std::string(text);
  if (latin1) body = Utf8ToLatin1(body);
  part.typeParameters.push_back({"charset", charset});
  part.encoding = IsAscii(body) && !html && random_.Percent(50)
                      ? TransferEncoding::kSevenBit
                      : TransferEncoding::kQuotedPrintable;
  // Lines of plain 7bit text must stay short and end without blanks; otherwise encode.
  if (part.encoding == TransferEncoding::kSevenBit) {
    std::size_t start = 0;
    while (start < body.size()) {
      std::size_t end = body.find('\n', start);
      if (end == std::string::npos) end = body.size();
      if (end - start > 76 || (end > start && (body[end - 1] == ' ' || body[end - 1] == '\t'))) {
        part.encoding = TransferEncoding::kQuotedPrintable;
        break;
      }
      start = end + 1;
    }
  }
  part.body = std::move(body);
  return part;
}

MimePart Composer::Alternative(std::string_view text, bool unicode) {
  MimePart part;
  part.mediaType = "multipart/alternative";
  part.boundary = Boundary(1);
  part.children.push_back(TextPart(text, false, unicode));
  part.children.push_back(TextPart(text, true, unicode));
  return part;
}

MimePart Composer::Attachment(const AttachmentName& name, std::uint64_t size, bool inlineImage) {
  MimePart part;
  part.mediaType = std::string(MediaTypeOf(name.kind));
  part.typeParameters.push_back({"name", std::string(name.fileName), true});
  part.encoding = TransferEncoding::kBase64;
  part.disposition = inlineImage ? "inline" : "attachment";
  part.dispositionParameters.push_back({"filename", std::string(name.fileName)});
  part.dispositionParameters.push_back({"size", std::to_string(size)});
  part.source = FileBytes(random_, name.kind, size);
  return part;
}

void Composer::AddHeaders(MimeMessage& message, const Request& request, const std::string& subject,
                          const Reference* answered) {
  const Person& owner = *request.owner;
  const bool outgoing = request.role == Role::kSent || request.role == Role::kDraft;
  const Person* from = &owner;
  Person newsletter{"Example Weekly", "newsletter@example.net"};
  Person feed{"Example News", "feeds@example.org"};
  if (request.role == Role::kNewsletter) {
    from = &newsletter;
  } else if (request.role == Role::kFeed) {
    from = &feed;
  } else if (!outgoing && request.role != Role::kNews) {
    from = &OtherPerson(owner);
  } else if (request.role == Role::kNews && random_.Percent(70)) {
    from = &OtherPerson(owner);
  }
  // Dates spread over the three years before the sample's time.
  const std::int64_t date = now_ - static_cast<std::int64_t>(random_.Below(3 * 365 * 86400));
  static constexpr int kZones[] = {60, 120, 0, -300, -480, 330, 540, 600, -180};
  const int zone = random_.Pick(kZones);
  const std::string id = MessageId(DomainOf(from->address));

  auto& h = message.headers;
  if (request.role != Role::kNews && request.role != Role::kFeed && !outgoing) {
    const std::string domain(DomainOf(owner.address));
    h.push_back({"Return-Path", "<" + std::string(from->address) + ">"});
    const std::string relay = std::to_string(random_.Between(1, 254));
    const std::string queueId = Hex(random_.Next(), 16);
    const std::string fromDomain(DomainOf(from->address));
    h.push_back({"Received", "from mail." + fromDomain + " (mail." + fromDomain + " [192.0.2." +
                                 relay + "]) by mx." + domain + " with ESMTPS id " + queueId +
                                 " for <" + std::string(owner.address) + ">; " +
                                 FormatDate(date + 2, zone)});
  }
  if (request.role == Role::kNews) {
    h.push_back({"Path", "news.example.org!not-for-mail"});
  }
  h.push_back({"From", FormatAddress(from->name, from->address)});
  if (request.role == Role::kNews) {
    h.push_back({"Newsgroups", std::string(request.newsgroup)});
  } else if (request.role != Role::kFeed) {
    std::string to;
    const auto roll = random_.Below(10);
    const std::uint64_t count = roll < 7 ? 1 : (roll < 9 ? 2 : 3);
    for (std::uint64_t i = 0; i < count; ++i) {
      const Person& person = (i == 0 && !outgoing) ? owner : OtherPerson(*from);
      if (!to.empty()) to += ", ";
      to += FormatAddress(person.name, person.address);
    }
    h.push_back({"To", to});
    if (random_.Percent(20)) {
      const Person& cc = OtherPerson(*from);
      h.push_back({"Cc", FormatAddress(cc.name, cc.address)});
    }
  }
  const char method = random_.Percent(50) ? 'B' : 'Q';
  const bool latin1Subject = !IsAscii(subject) && IsLatin1(subject) && random_.Percent(40);
  h.push_back(
      {"Subject", EncodeHeaderText(subject, method, latin1Subject ? "iso-8859-1" : "utf-8")});
  h.push_back({"Date", FormatDate(date, zone)});
  h.push_back({"Message-ID", id});
  if (answered != nullptr) {
    h.push_back({"In-Reply-To", answered->messageId});
    h.push_back({"References", answered->messageId});
  }
  if (request.role == Role::kNews) {
    h.push_back({"Organization", "Example News Service"});
    h.push_back({"X-Newsreader", std::string(kMailer)});
  } else {
    h.push_back({"X-Priority", "3"});
    h.push_back({"X-MSMail-Priority", "Normal"});
    h.push_back({"Importance", "Normal"});
    h.push_back({"X-Mailer", std::string(kMailer)});
    h.push_back({"X-MimeOLE", std::string(kMimeOle)});
  }
  if (request.role == Role::kDraft) h.push_back({"X-Unsent", "1"});
  if (request.role == Role::kNewsletter) {
    h.push_back({"List-Unsubscribe", "<mailto:unsubscribe@example.net?subject=unsubscribe>"});
  }
  if (request.role == Role::kJunk) h.push_back({"X-Spam-Status", "Yes, score=7.4"});

  recent_.push_back({subject, id});
  if (recent_.size() > 16) recent_.pop_front();
}

Shape Composer::PickShape(Role role, std::uint64_t attachmentBudget) {
  if (role == Role::kNews) return random_.Percent(85) ? Shape::kPlain : Shape::kAlternative;
  if (role == Role::kFeed) return Shape::kHtml;
  const bool attachments = attachmentBudget >= 1024;
  const auto roll = random_.Below(100);
  if (!attachments) return roll < 40 ? Shape::kPlain : Shape::kAlternative;
  if (roll < 25) return Shape::kPlain;
  if (roll < 70) return Shape::kAlternative;
  if (roll < 80) return Shape::kMixed;
  if (roll < 92) return Shape::kMixedAlternative;
  if (roll < 97) return Shape::kRelated;
  return Shape::kForward;
}

MimeMessage Composer::Compose(const Request& request) {
  MimeMessage message;
  const bool unicode = random_.Percent(60);
  const bool awkward = random_.Percent(15);
  const std::size_t textSize =
      request.small ? random_.Between(200, 1500) : random_.Between(300, 8000);
  const std::string text = MakeBodyText(random_, textSize, unicode, awkward);

  std::string subject = MakeSubject(random_, unicode);
  const Reference* answered = nullptr;
  Reference reference;
  if (!recent_.empty() && request.role != Role::kFeed && random_.Percent(30)) {
    reference = random_.Pick(recent_);
    answered = &reference;
    subject = (request.shape == Shape::kForward ? "Fwd: " : "Re: ") + reference.subject;
  }
  AddHeaders(message, request, subject, answered);

  // Attachments share the budget; each gets at least one byte.
  std::vector<MimePart> attachments;
  const bool withAttachments =
      request.shape == Shape::kMixed || request.shape == Shape::kMixedAlternative;
  if (withAttachments) {
    const auto roll = random_.Below(10);
    const std::uint64_t count = roll < 7 ? 1 : (roll < 9 ? 2 : 3);
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint64_t size = AttachmentSize(request.small, request.attachmentBudget / count);
      attachments.push_back(Attachment(random_.Pick(AttachmentNames()), size, false));
    }
  }

  MimePart& body = message.body;
  switch (request.shape) {
    case Shape::kPlain:
      body = TextPart(text, false, unicode);
      break;
    case Shape::kHtml:
      body = TextPart(text, true, unicode);
      break;
    case Shape::kAlternative:
      body = Alternative(text, unicode);
      body.preamble = "This is a multi-part message in MIME format.";
      break;
    case Shape::kMixed:
    case Shape::kMixedAlternative:
      body.mediaType = "multipart/mixed";
      body.boundary = Boundary(0);
      body.preamble = "This is a multi-part message in MIME format.";
      body.children.push_back(request.shape == Shape::kMixed ? TextPart(text, false, unicode)
                                                             : Alternative(text, unicode));
      for (MimePart& attachment : attachments) body.children.push_back(std::move(attachment));
      break;
    case Shape::kRelated: {
      const std::string cid =
          Hex(random_.Next(), 16) + "@" + std::string(DomainOf(request.owner->address));
      MimePart related;
      related.mediaType = "multipart/related";
      related.typeParameters.push_back({"type", "text/html"});
      related.boundary = Boundary(2);
      MimePart html = TextPart(text, true, unicode);
      const auto close = html.body.rfind("</BODY>");
      html.body.insert(close, "<DIV><IMG src=\"cid:" + cid + "\"></DIV>\n");
      related.children.push_back(std::move(html));
      const std::uint64_t size = AttachmentSize(request.small, request.attachmentBudget);
      MimePart image = Attachment({"photo_0042.jpg", FileKind::kJpeg}, size, true);
      image.headers.push_back({"Content-ID", "<" + cid + ">"});
      related.children.push_back(std::move(image));
      body.mediaType = "multipart/alternative";
      body.boundary = Boundary(1);
      body.preamble = "This is a multi-part message in MIME format.";
      body.children.push_back(TextPart(text, false, unicode));
      body.children.push_back(std::move(related));
      break;
    }
    case Shape::kForward: {
      // The forwarded message is small; it is rendered here and carried as 7bit text.
      const Request inner{request.owner, Role::kInbox, {}, Shape::kAlternative, 0, true};
      const MimeMessage forwarded = Compose(inner);
      MimePart attached;
      attached.mediaType = "message/rfc822";
      attached.disposition = "attachment";
      attached.body = MessageText(forwarded);
      body.mediaType = "multipart/mixed";
      body.boundary = Boundary(0);
      body.preamble = "This is a multi-part message in MIME format.";
      body.children.push_back(TextPart("See the message below.\n", false, false));
      body.children.push_back(std::move(attached));
      break;
    }
  }
  return message;
}

MimeMessage Composer::Showcase(const Person& owner) {
  const Person& from = People()[2];  // a name that needs encoding
  MimeMessage message;
  message.headers = {
      {"From", FormatAddress(from.name, from.address)},
      {"To", FormatAddress(owner.name, owner.address) + ", " +
                 FormatAddress(People()[7].name, People()[7].address) + ", " +
                 FormatAddress(People()[9].name, People()[9].address)},
      {"Subject", EncodeHeaderText("Grüße aus Köln – Rechnung März und die Präsentation für "
                                   "den Vorstand 📎",
                                   'B')},
      {"Date", FormatDate(now_ - 86400 * 3, 60)},
      {"Message-ID", MessageId(DomainOf(from.address))},
      {"X-Priority", "3"},
      {"X-Mailer", std::string(kMailer)},
  };
  recent_.push_back({"Grüße aus Köln", message.headers[4].second});
  MimePart& body = message.body;
  body.mediaType = "multipart/mixed";
  body.boundary = Boundary(0);
  body.preamble = "This is a multi-part message in MIME format.";
  body.children.push_back(Alternative(MakeBodyText(random_, 1200, true, true), true));
  const auto names = AttachmentNames();
  body.children.push_back(Attachment(names[0], random_.Between(3000, 6000), false));  // RFC 2231
  body.children.push_back(Attachment(names[5], random_.Between(1000, 3000), false));  // continued
  body.children.push_back(Attachment(names[2], random_.Between(2000, 4000), false));  // ASCII
  return message;
}

struct FolderState {
  std::string path;  // relative to the tree root
  Role role;
  unsigned weight;
  const Person* owner;
  std::string_view newsgroup;
  std::string prefix;  // of the message file names
  std::uint64_t count = 0;
};

class StoreWriter {
 public:
  StoreWriter(TreeWriter& tree, SampleRandom& random, std::int64_t now)
      : tree_(tree), composer_(random, now) {}

  void Write(FolderState& folder, const MimeMessage& message) {
    ++folder.count;
    const std::string path =
        folder.path + "/" + folder.prefix + "-" + Hex(folder.count, 8) + ".eml";
    totals.messageBytes += tree_.File(path, [&](ByteSink& sink) { WriteMessage(message, sink); });
    ++totals.messages;
  }

  Composer& composer() { return composer_; }
  MailStoreTotals totals;

 private:
  TreeWriter& tree_;
  Composer composer_;
};

void WriteAccountFiles(TreeWriter& tree, const std::string& store, SampleRandom& random) {
  const std::string annaPassword = HexBytes(random, 62);
  const std::vector<AccountSetting> anna = {
      {"Account_Name", "SZ", "anna@example.com"},
      {"Connection_Type", "DWORD", HexDword(3)},
      {"IMAP_Server", "SZ", "imap.example.com"},
      {"IMAP_User_Name", "SZ", "anna@example.com"},
      {"IMAP_Password2", "BINARY", annaPassword},
      {"IMAP_Use_Sicily", "DWORD", HexDword(0)},
      {"IMAP_Port", "DWORD", HexDword(993)},
      {"IMAP_Secure_Connection", "DWORD", HexDword(1)},
      {"IMAP_Root_Folder", "SZ", ""},
      {"SMTP_Server", "SZ", "smtp.example.com"},
      {"SMTP_Display_Name", "SZ", "Anna Example"},
      {"SMTP_Email_Address", "SZ", "anna@example.com"},
      {"SMTP_Port", "DWORD", HexDword(587)},
      {"SMTP_Secure_Connection", "DWORD", HexDword(1)},
      {"SMTP_Use_Sicily", "DWORD", HexDword(2)},
  };
  tree.File(store + "/anna@example.com/" + std::string(kAnnaAccountFile), MakeAccountFile(anna));

  const std::vector<AccountSetting> bob = {
      {"Account_Name", "SZ", "Hotmail (bob)"},
      {"Connection_Type", "DWORD", HexDword(3)},
      {"DAVMail_Server", "SZ", "https://mail.services.live.com/DeltaSync_v2.0.0/Sync.aspx"},
      {"DAVMail_User_Name", "SZ", "bob@hotmail.com"},
      {"DAVMail_Password2", "BINARY", HexBytes(random, 62)},
      {"SMTP_Display_Name", "SZ", "Bob Builder"},
      {"SMTP_Email_Address", "SZ", "bob@hotmail.com"},
  };
  tree.File(store + "/Hotmail (bob)/" + std::string(kBobAccountFile), MakeAccountFile(bob));

  const std::vector<AccountSetting> news = {
      {"Account_Name", "SZ", "news.example.org"},
      {"Connection_Type", "DWORD", HexDword(3)},
      {"NNTP_Server", "SZ", "news.example.org"},
      {"NNTP_Display_Name", "SZ", "Anna Example"},
      {"NNTP_Email_Address", "SZ", "anna@example.com"},
      {"NNTP_Port", "DWORD", HexDword(119)},
      {"NNTP_Use_Sicily", "DWORD", HexDword(0)},
      {"NNTP_Secure_Connection", "DWORD", HexDword(0)},
  };
  tree.File(store + "/news.example.org/" + std::string(kNewsAccountFile), MakeAccountFile(news));

  // Directory services live beside the account folders; one file has its extension in
  // capitals, as older versions wrote it.
  struct Directory {
    std::string_view file;
    std::string_view name;
    std::string_view server;
    std::uint32_t port;
  };
  static constexpr Directory kDirectories[] = {
      {"account{A9C9D5E0-8D1F-4B47-9E3A-1F2B3C4D5E6F}.oeaccount", "Active Directory", "NULL", 3268},
      {"account{5B0E7B2C-3A41-4F6D-8E29-ABCDEF012345}.oeaccount", "Example Directory",
       "ldap.example.com", 389},
      {"account{0F1E2D3C-4B5A-4968-8776-655443322110}.OEACCOUNT", "Verzeichnisdienst Österreich",
       "ldap.example.at", 636},
  };
  for (const Directory& directory : kDirectories) {
    const std::vector<AccountSetting> ldap = {
        {"Account_Name", "SZ", std::string(directory.name)},
        {"Connection_Type", "DWORD", HexDword(3)},
        {"LDAP_Server", "SZ", std::string(directory.server)},
        {"LDAP_Search_Base", "SZ", "NULL"},
        {"LDAP_Timeout", "DWORD", HexDword(60)},
        {"LDAP_Search_Return", "DWORD", HexDword(100)},
        {"LDAP_Resolve_Flag", "DWORD", HexDword(1)},
        {"LDAP_Port", "DWORD", HexDword(directory.port)},
        {"LDAP_SSL", "DWORD", HexDword(directory.port == 636 ? 1 : 0)},
    };
    tree.File(store + "/" + std::string(directory.file), MakeAccountFile(ldap));
  }
}

void WriteCalendars(TreeWriter& tree, const std::string& store, SampleRandom& random,
                    std::int64_t now) {
  struct Calendar {
    std::string_view folder;
    bool yearly;
    std::string_view summaries[3];
  };
  static constexpr Calendar kCalendars[] = {
      {"Anna's calendar", false, {"Zahnarzt", "Team meeting; budget, Q3", "Konzert im Café"}},
      {"Birthday calendar", true, {"Jürgen's birthday", "Zoë's birthday", "Mum's birthday"}},
      {"Feiertage Österreich", true, {"Neujahr", "Mariä Himmelfahrt", "Stefanitag"}},
  };
  for (const Calendar& calendar : kCalendars) {
    for (const std::string_view summary : calendar.summaries) {
      const std::string uid = Guid(random);
      const auto day = static_cast<std::int64_t>(random.Below(400));
      const auto halfHour = static_cast<std::int64_t>(random.Below(24));
      const std::int64_t start = now - 86400 * 200 + day * 86400 + halfHour * 1800;
      tree.File(store + "/Calendars/" + std::string(calendar.folder) + "/" + uid + ".ics",
                MakeCalendarEvent(random, uid, summary, start, calendar.yearly));
    }
  }
  // Reminders sit one level deeper.
  const std::string uid = Guid(random);
  tree.File(store + "/Calendars/Anna's calendar/Reminders/" + uid + ".ics",
            MakeCalendarEvent(random, uid, "Steuererklärung abgeben", now + 86400 * 20, false));
}

std::uint64_t Clamp(std::uint64_t value, std::uint64_t low, std::uint64_t high,
                    std::uint64_t unit) {
  return std::min(std::max(value, low), high) / unit * unit;
}

}  // namespace

MailStoreTotals WriteMailStore(TreeWriter& tree, std::string_view storeFolder, SampleRandom& random,
                               std::uint64_t targetBytes, std::int64_t nowSeconds) {
  const std::string store(storeFolder);
  tree.Directory(store);
  StoreWriter writer(tree, random, nowSeconds);
  Composer& composer = writer.composer();

  std::vector<FolderState> folders;
  for (const AccountSpec& account : Accounts()) {
    for (const FolderSpec& spec : account.folders) {
      folders.push_back({store + "/" + std::string(account.folder) + "/" + std::string(spec.path),
                         spec.role, spec.weight, &People()[account.owner],
                         account.news ? spec.path : std::string_view(),
                         Hex(random.Next() >> 32, 8)});
      tree.Directory(folders.back().path);
    }
    for (const std::string_view empty : account.emptyFolders) {
      tree.Directory(store + "/" + std::string(account.folder) + "/" + std::string(empty));
    }
  }
  WriteAccountFiles(tree, store, random);

  // Every folder gets a small message first, the inbox of the first account the showcase.
  writer.Write(folders[0], composer.Showcase(*folders[0].owner));
  for (FolderState& folder : folders) {
    const Shape shape = composer.PickShape(folder.role, 8 * 1024);
    writer.Write(folder, composer.Compose(
                             {folder.owner, folder.role, folder.newsgroup, shape, 8 * 1024, true}));
  }

  // The folders the backup leaves out.
  for (const LocalFolder& local : kLocalFolders) {
    FolderState folder{store + "/" + std::string(local.path),
                       local.role,
                       0,
                       &AnnaPerson(),
                       {},
                       Hex(random.Next() >> 32, 8)};
    tree.Directory(folder.path);
    for (unsigned i = 0; i < local.messages; ++i) {
      const Shape shape = composer.PickShape(local.role, 4 * 1024);
      writer.Write(folder,
                   composer.Compose({folder.owner, folder.role, {}, shape, 4 * 1024, true}));
    }
  }
  WriteCalendars(tree, store, random, nowSeconds);
  tree.File(store + "/Sentinel/Sentinel.dat",
            [&](ByteSink& sink) { WriteDatabase(sink, random, 4096, 512, "SNTL"); });
  tree.File(store + "/Sentinel/Sentinel.log", "Sentinel created\r\nStore checked: no errors\r\n");
  tree.File(store + "/Backup/new/Mail.MSMessageStore", [&](ByteSink& sink) {
    WriteDatabase(sink, random, 96 * 1024, 32 * 1024, kDatabaseSignature);
  });
  tree.File(store + "/Backup/new/WindowsMail.MSMessageStore", [&](ByteSink& sink) {
    WriteDatabase(sink, random, 32 * 1024, 32 * 1024, kDatabaseSignature);
  });
  tree.File(store + "/Backup/new/edb.chk",
            [&](ByteSink& sink) { WriteDatabase(sink, random, 8192, 4096, "CHK"); });
  tree.File(store + "/Backup/new/edb00001.log",
            [&](ByteSink& sink) { WriteDatabase(sink, random, 64 * 1024, 4096, "LOG"); });

  // Then messages until the size is reached. The last message is cut to fit: its
  // attachments take at most what is left after room for its texts, allowing for base64
  // growing them by a third.
  constexpr std::uint64_t kTextReserve = 32 * 1024;
  unsigned totalWeight = 0;
  for (const FolderState& folder : folders) totalWeight += folder.weight;
  while (writer.totals.messageBytes < targetBytes) {
    const std::uint64_t left = targetBytes - writer.totals.messageBytes;
    std::uint64_t pick = random.Below(totalWeight);
    FolderState* folder = &folders.front();
    for (FolderState& candidate : folders) {
      if (pick < candidate.weight) {
        folder = &candidate;
        break;
      }
      pick -= candidate.weight;
    }
    const std::uint64_t budget = left > kTextReserve ? (left - kTextReserve) / 4 * 3 : 0;
    const Shape shape = composer.PickShape(folder->role, budget);
    writer.Write(*folder, composer.Compose({folder->owner, folder->role, folder->newsgroup, shape,
                                            budget, false}));
  }

  // The message-store database and its logs, in proportion to the messages.
  const std::uint64_t databaseSize =
      Clamp(targetBytes / 16, 128 * 1024, 256 * 1024 * 1024, 32 * 1024);
  const std::uint64_t oldDatabaseSize =
      Clamp(targetBytes / 64, 64 * 1024, 64 * 1024 * 1024, 32 * 1024);
  const std::uint64_t logSize = Clamp(targetBytes / 32, 64 * 1024, 1024 * 1024, 4096);
  tree.File(store + "/Mail.MSMessageStore", [&](ByteSink& sink) {
    WriteDatabase(sink, random, databaseSize, 32 * 1024, kDatabaseSignature);
  });
  tree.File(store + "/WindowsMail.MSMessageStore", [&](ByteSink& sink) {
    WriteDatabase(sink, random, oldDatabaseSize, 32 * 1024, kDatabaseSignature);
  });
  for (const std::string_view log :
       {"edb.log", "edb00001.log", "edb00002.log", "edbres00001.jrs", "edbres00002.jrs"}) {
    tree.File(store + "/" + std::string(log),
              [&](ByteSink& sink) { WriteDatabase(sink, random, logSize, 4096, "LOG"); });
  }
  return writer.totals;
}

}  // namespace quill::sample
