#include "platform/rescue/RescuePlatform.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/Files.h"
#include "platform/Text.h"
#include "platform/posix/PosixPlatform.h"
#include "platform/rescue/OfflineHive.h"

namespace quill::platform::rescue {
namespace fs = std::filesystem;
namespace {

constexpr std::u16string_view kMailKey = u"Software\\Microsoft\\Windows Live Mail";
constexpr std::u16string_view kShellFolders =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::u16string_view kUserShellFolders =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// The Wine platform over the scratch prefix, which it removes when it ends. remove_all takes
// the prefix's links to the disk away, never what they lead to.
class RescuePlatform : public posix::PosixPlatform {
 public:
  RescuePlatform(fs::path scratch, std::string applicationFolder)
      : PosixPlatform(posix::WinePrefix(scratch, scratch / "server"), std::move(applicationFolder),
                      "/proc", [](const std::vector<std::string>&) { return false; }),
        scratch_(std::move(scratch)) {}
  ~RescuePlatform() override {
    std::error_code ignored;
    fs::remove_all(scratch_, ignored);
  }

 private:
  fs::path scratch_;
};

std::string Text(const fs::path& path) {
  return PathText(path);
}

bool IsFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

// The user folders below Users that hold a hive.
std::vector<std::string> UsersWithHives(const fs::path& users) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(users, error), end; !error && it != end; it.increment(error)) {
    if (!fs::exists(posix::ChildIgnoringCase(it->path(), "NTUSER.DAT"), error)) continue;
    names.push_back(Text(it->path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string UsersOf(const fs::path& users) {
  std::string names;
  for (const std::string& name : UsersWithHives(users)) names += (names.empty() ? "" : ", ") + name;
  return names.empty() ? "none" : names;
}

// A string value as the registry stores it: UTF-16LE with its terminating NUL.
posix::HiveValue StringValue(std::u16string_view name, const std::string& utf8) {
  std::u16string text = Utf8ToUtf16(utf8);
  text += u'\0';
  return {std::u16string(name), 1, Utf16ToBytes(text)};
}

// The text of a string value of the hive, without its NUL; empty when missing.
std::string StringOf(const posix::WineHive& hive, std::u16string_view key,
                     std::u16string_view name) {
  const posix::HiveKey* found = hive.Find(key);
  const posix::HiveValue* value = found == nullptr ? nullptr : found->FindValue(name);
  if (value == nullptr || (value->type != 1 && value->type != 2)) return {};
  std::u16string text = BytesToUtf16(value->data);
  while (!text.empty() && text.back() == u'\0') text.pop_back();
  return Utf16ToUtf8(text);
}

// The user whose folder a hive's shell folders name ("C:\Users\bob\AppData\Local" gives
// "bob"), or empty when they name none.
std::string UserOfShellFolders(const posix::WineHive& hive) {
  const std::string local = StringOf(hive, kShellFolders, u"Local AppData");
  const std::size_t users = Lower(local).find(":\\users\\");
  if (users == std::string::npos) return {};
  const std::size_t start = users + 8;
  return local.substr(start, local.find('\\', start) - start);
}

bool WriteText(const fs::path& path, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

std::vector<std::string> RescuableUsers(const std::string& from) {
  std::error_code error;
  const fs::path root = fs::absolute(HostPath(from), error).lexically_normal();
  if (fs::exists(posix::ChildIgnoringCase(root, "NTUSER.DAT"), error))
    return {Text(root.filename())};
  return UsersWithHives(posix::ChildIgnoringCase(root, "Users"));
}

RescueOpening OpenRescue(const std::string& from, const std::string& user,
                         const std::string& applicationFolder) {
  RescueOpening opening;
  std::error_code error;
  const fs::path root = fs::absolute(HostPath(from), error).lexically_normal();
  if (!IsFolder(root)) {
    opening.problem = "There is no folder " + from + ".";
    return opening;
  }
  // A user's folder itself holds the hive; a system disk holds Users\<user>.
  const bool userFolderGiven = fs::exists(posix::ChildIgnoringCase(root, "NTUSER.DAT"), error);
  fs::path userFolder = root;
  if (!userFolderGiven) {
    const fs::path users = posix::ChildIgnoringCase(root, "Users");
    userFolder = posix::ChildIgnoringCase(users, user);
    if (!IsFolder(users)) {
      opening.problem = from +
                        " is neither a Windows system disk (it has no Users folder) nor a "
                        "user's folder (it has no NTUSER.DAT).";
      return opening;
    }
    if (!IsFolder(userFolder)) {
      opening.problem = from + " has no profile folder of the user " + user +
                        ". The user folders there with a registry hive: " + UsersOf(users) + ".";
      return opening;
    }
  }
  const fs::path hiveFile = posix::ChildIgnoringCase(userFolder, "NTUSER.DAT");

  posix::WineHive userHive("REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000");
  if (!CopyHiveKeys(hiveFile,
                    {{kMailKey, kMailKey},
                     {kShellFolders, kShellFolders},
                     {kUserShellFolders, kUserShellFolders},
                     {u"Environment", u"Environment"}},
                    userHive, opening.problem))
    return opening;
  if (userHive.Find(kMailKey) == nullptr) {
    opening.problem = "The registry hive " + Text(hiveFile) +
                      " holds no Windows Live Mail settings: the mail client was not set up for "
                      "that user.";
    return opening;
  }
  const std::string owner = UserOfShellFolders(userHive);
  if (!owner.empty() && !EqualIgnoringCase(owner, user)) {
    opening.problem = "The registry hive " + Text(hiveFile) + " is the user " + owner + "'s, not " +
                      user + "'s: its folders are in C:\\Users\\" + owner + ".";
    return opening;
  }
  // The folder's own name, as the disk spells it, stands in the paths.
  const std::string folderName = userFolderGiven ? user : Text(userFolder.filename());
  posix::HiveKey* volatileEnvironment = userHive.Create(u"Volatile Environment", posix::NowTicks());
  volatileEnvironment->SetValue(StringValue(u"USERNAME", folderName));
  volatileEnvironment->SetValue(StringValue(u"USERPROFILE", "C:\\Users\\" + folderName));

  // The computer's name from the disk's own SYSTEM hive, where there is one.
  posix::WineHive systemHive;
  if (!userFolderGiven) {
    std::string ignored;
    const fs::path config = posix::ChildIgnoringCase(
        posix::ChildIgnoringCase(posix::ChildIgnoringCase(root, "Windows"), "System32"), "config");
    CopyHiveKeys(posix::ChildIgnoringCase(config, "SYSTEM"),
                 {{u"ControlSet001\\Control\\ComputerName\\ComputerName",
                   u"System\\CurrentControlSet\\Control\\ComputerName\\ComputerName"}},
                 systemHive, ignored);
  }

  std::string pattern = Text(fs::temp_directory_path(error) / "quillstow-rescue-XXXXXX");
  if (::mkdtemp(pattern.data()) == nullptr) {
    opening.problem = "No scratch folder could be made in the temporary folder.";
    return opening;
  }
  const fs::path scratch = pattern;
  const fs::path drives = scratch / "dosdevices";
  fs::create_directories(drives, error);
  if (userFolderGiven) {
    fs::create_directories(scratch / "drive_c" / "users", error);
    fs::create_directory_symlink(root, scratch / "drive_c" / "users" / HostPath(folderName), error);
    if (!error) fs::create_directory_symlink("../drive_c", drives / "c:", error);
  } else {
    fs::create_directory_symlink(root, drives / "c:", error);
  }
  if (error || !WriteText(scratch / "user.reg", userHive.Serialize()) ||
      !WriteText(scratch / "system.reg", systemHive.Serialize())) {
    opening.problem = "The scratch folder " + Text(scratch) + " could not be written.";
    fs::remove_all(scratch, error);
    return opening;
  }
  opening.platform = std::make_unique<RescuePlatform>(scratch, applicationFolder);
  return opening;
}

}  // namespace quill::platform::rescue
