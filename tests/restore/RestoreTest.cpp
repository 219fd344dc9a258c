#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <archive.h>
#include <archive_entry.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <stop_token>
#include <thread>

#include "app/BackupPage.h"
#include "app/RestorePage.h"
#include "archive/ArchiveReader.h"
#include "core/StagingArea.h"
#include "platform/AnsiCodePage.h"
#include "platform/RunFolder.h"
#include "platform/posix/PosixPlatform.h"
#include "platform/posix/WineHive.h"
#include "registry/RegistryText.h"
#include "restore/FolderSwap.h"
#include "restore/ItemRestore.h"
#include "support/BackupSetup.h"
#include "support/FakePages.h"
#include "support/ForeignZip.h"
#include "support/RegistryTextFile.h"
#include "support/RegistryValues.h"

namespace quill::restore {
namespace {
using app::RestorePage;
using Inspection = app::RestorePage::Inspection;
using test::FakeRestorePage;
namespace fs = std::filesystem;
using platform::MessageIcon;
using test::ReadFile;
using test::WriteFile;

using test::Tree;

constexpr const char* kMail = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Live Mail";

// A backup of one sample profile, restored into another whose data differ.
class RestoreTest : public ::testing::Test {
 protected:
  test::BackupSetup from{300000, 1};
  test::BackupSetup to{300000, 2};
  FakeRestorePage page;
  registry::RegistryText text{to.platform->registry(), *to.reg};
  RestorePage restorePage{to.session(), to.restoreEngine(), to.prompter, page};

  // One item of the inspected file restored on its own.
  bool RestoreItem(core::Item item, std::string* error = nullptr,
                   SwapMode mode = SwapMode::Exchange) {
    const archive::OpenedBackup* source = restorePage.source();
    EXPECT_NE(source, nullptr);
    if (source == nullptr) return false;
    ItemRestore items(to.session().profile(), *to.reg, text, source->reader, 2);
    items.SetSwapMode(mode);
    const bool restored =
        items.Run(core::InfoOf(item), source->descriptor.entries[core::IndexOf(item)]);
    if (error != nullptr) *error = items.error();
    return restored;
  }

  std::string Backup(const std::string& password,
                     std::array<bool, core::kItemCount> which = All()) {
    const std::string target = to.Target("from.wlm");
    EXPECT_TRUE(
        from.engine().Run({which, target, password, "two\r\nlines", "anna", false}, {}).written);
    return target;
  }
  static std::array<bool, core::kItemCount> All() {
    std::array<bool, core::kItemCount> all;
    all.fill(true);
    return all;
  }
  std::string Export(test::BackupSetup& setup, const std::string& subKey) {
    registry::RegistryText exporter(setup.platform->registry(), *setup.reg);
    const std::string file = (setup.root() / "export.txt").string();
    EXPECT_TRUE(exporter.ExportKey(std::string(kMail) + subKey, file).ok);
    return ReadFile(file);
  }
};

TEST_F(RestoreTest, ABackupComesBackIntoAnotherProfile) {
  for (const std::string password : {"", "pw"}) {
    // Data only the target has: a folder that must stay, a contacts file that must stay.
    const fs::path toStore = to.mailStore();
    const fs::path fromStore = from.mailStore();
    WriteFile(toStore / "Only Here" / "keep.eml", "mine");
    WriteFile(toStore / "Hotmail (bob)" / "Inbox" / "only-in-target.eml", "gone after restore");
    const fs::path toContacts = to.profile() / "AppData/Local/Microsoft/Windows Live Contacts";
    const fs::path fromContacts = from.profile() / "AppData/Local/Microsoft/Windows Live Contacts";
    const std::string guid = "{2A4C6E8F-1B3D-4F5A-8C7E-9D0F1A2B3C4D}";
    WriteFile(toContacts / guid / "extra.txt", "kept");

    // The two profiles differ before the restore, in files and in the registry.
    if (password.empty()) {
      EXPECT_NE(Tree(toStore / "anna@example.com"), Tree(fromStore / "anna@example.com"));
      to.reg->CreateKey(std::string(kMail) + "\\Rules\\Mail\\999\\Actions");
      to.reg->DeleteKeyTree(std::string(kMail) + "\\signatures\\00000000");
      EXPECT_NE(Export(to, "\\Rules\\Mail"), Export(from, "\\Rules\\Mail"));
      EXPECT_NE(Export(to, "\\signatures"), Export(from, "\\signatures"));
    }
    to.prompter.password = password;
    ASSERT_EQ(restorePage.Inspect(Backup(password)), Inspection::Accepted);
    EXPECT_EQ(page.enabled, All());
    page.checked = All();
    const app::RestorePageRun run = restorePage.Run();
    for (std::size_t i = 0; i < core::kItemCount; ++i)
      EXPECT_TRUE(run.outcome.restored[i]) << i << ": " << run.outcome.errors[i];

    for (const char* folder :
         {"anna@example.com", "Hotmail (bob)", "news.example.org", "Storage Folders"})
      EXPECT_EQ(Tree(toStore / folder), Tree(fromStore / folder)) << folder;
    for (const char* calendar :
         {"Anna's calendar", "Birthday calendar", "Feiertage \xc3\x96sterreich"})
      EXPECT_EQ(Tree(toStore / "Calendars" / calendar), Tree(fromStore / "Calendars" / calendar))
          << calendar;
    EXPECT_EQ(ReadFile(toStore / "Only Here" / "keep.eml"), "mine");
    for (const char* file : {"Mail.MSMessageStore", "WindowsMail.MSMessageStore",
                             "account{5B0E7B2C-3A41-4F6D-8E29-ABCDEF012345}.oeaccount"})
      EXPECT_EQ(ReadFile(toStore / file), ReadFile(fromStore / file)) << file;
    EXPECT_FALSE(fs::exists(toStore / "WindowsMail")) << "the store file is no archive";
    EXPECT_FALSE(fs::exists(toStore / ".quillstow-restore"));
    // Contacts are merged: the target's own file stays, the backup's files win.
    auto merged = Tree(toContacts / guid);
    EXPECT_EQ(merged["extra.txt"], "kept");
    merged.erase("extra.txt");
    EXPECT_EQ(merged, Tree(fromContacts / guid));
    EXPECT_EQ(Tree(to.profile() / "Documents" / "My Stationery"),
              Tree(from.profile() / "Documents" / "My Stationery"));
    for (const char* key : {"\\Rules\\Mail", "\\Rules\\News", "\\PerPassportSettings",
                            "\\signatures", "\\Advanced Settings"})
      EXPECT_EQ(Export(to, key), Export(from, key)) << key;
    EXPECT_FALSE(fs::exists(to.app() / "stowinfo.dat")) << "no descriptor file is made";
    EXPECT_EQ(to.AppFolderFiles(), std::vector<std::string>{"brlog.dat"});
  }
}

// Backups as other programs write them, and one whose names no code page holds, come back
// whole: names stored in the code page or in UTF-8, with or without the UTF-8 flag, and
// passwords keyed with the code page's bytes or with UTF-8 ones.
TEST_F(RestoreTest, ForeignBackupsComeBackWhole) {
  const std::string password =
      "Gr\xc3\xbc\xc3\x9f"
      "e!";  // "Grüße!"
  // Names of the sample ("Grüße.htm", "Feiertage Österreich"), and for this program an account
  // and a message that no code page holds (Arabic).
  const std::string arabic = "\xd8\xa8\xd8\xb1\xd9\x8a\xd8\xaf";
  const std::string arabicAccount = arabic + " (ali)";
  struct Case {
    std::string label;
    std::function<std::string()> make;  // the backup file
  };
  const std::vector<Case> cases = {
      {"this program",
       [&] {
         WriteFile(from.mailStore() / arabicAccount / "Inbox" / (arabic + ".eml"), "salam");
         return Backup(password);
       }},
      {"a Windows program of the mail client's era",
       [&] {
         const std::string foreign = to.Target("windows.wlm");
         EXPECT_TRUE(test::CopyAsWindowsProgram(Backup(""), foreign, password));
         const auto names = test::EntryNamesByUnzip(foreign);
         EXPECT_NE(std::find(names.begin(), names.end(),
                             platform::Utf8ToAnsi("Gr\xc3\xbc\xc3\x9f"
                                                  "e.htm")),
                   names.end());
         return foreign;
       }},
      {"zip on Linux",
       [&] {
         const fs::path unpacked = to.root() / "unpacked";
         archive::ArchiveReader ours;
         EXPECT_TRUE(ours.Open(Backup("")) && ours.ExtractAll(unpacked.string()));
         const std::string foreign = to.Target("zip.wlm");
         EXPECT_EQ(std::system(("cd '" + unpacked.string() + "' && zip -q -X -P '" + password +
                                "' '" + foreign + "' *")
                                   .c_str()),
                   0);
         fs::remove_all(unpacked);
         return foreign;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove_all(from.mailStore() / arabicAccount);
    fs::remove_all(to.mailStore() / arabicAccount);
    fs::remove_all(to.profile() / "Documents" / "My Stationery");
    to.prompter.password = password;
    ASSERT_EQ(restorePage.Inspect(c.make()), Inspection::Accepted);
    EXPECT_EQ(page.enabled, All());
    page.checked = All();
    const app::RestorePageRun run = restorePage.Run();
    for (std::size_t i = 0; i < core::kItemCount; ++i)
      EXPECT_TRUE(run.outcome.restored[i]) << i << ": " << run.outcome.errors[i];
    const std::vector<std::string> folders = {
        "anna@example.com", "Hotmail (bob)", "Storage Folders",
        "Calendars/Feiertage \xc3\x96sterreich", arabic + " (ali)"};
    for (const std::string& folder : folders) {
      if (!fs::exists(from.mailStore() / folder)) continue;  // only this program's backup has it
      EXPECT_EQ(Tree(to.mailStore() / folder), Tree(from.mailStore() / folder)) << folder;
    }
    EXPECT_EQ(Tree(to.profile() / "Documents" / "My Stationery"),
              Tree(from.profile() / "Documents" / "My Stationery"));
    for (const char* key : {"\\Rules\\Mail", "\\signatures", "\\Advanced Settings"})
      EXPECT_EQ(Export(to, key), Export(from, key)) << key;
  }
  // The password this program keys a backup with is the code page's bytes, as the Windows
  // programs of the era take it.
  const std::string ours = Backup(password);
  EXPECT_EQ(std::system(("unzip -tqq -P '" + platform::Utf8ToAnsi(password) + "' '" + ours +
                         "' >/dev/null 2>&1")
                            .c_str()),
            0);
}

// Every value below a key of a profile's user.reg, read straight from the file: its path below
// the key and name, its type and its bytes.
std::map<std::string, std::pair<std::uint32_t, std::string>> StoredValues(
    const test::BackupSetup& setup, const std::string& key) {
  std::map<std::string, std::pair<std::uint32_t, std::string>> values;
  const auto hive = platform::posix::WineHive::Parse(ReadFile(setup.prefix() / "user.reg"));
  EXPECT_TRUE(hive);
  if (!hive) return values;
  const platform::posix::HiveKey* top =
      hive->Find(platform::Utf8ToUtf16("Software\\Microsoft\\Windows Live Mail" + key));
  const auto collect = [&](const auto& self, const platform::posix::HiveKey& at,
                           const std::string& path) -> void {
    for (const auto& value : at.values())
      values[path + "|" + platform::Utf16ToUtf8(value.name)] = {value.type, value.data};
    for (const auto& sub : at.subkeys())
      self(self, *sub, path + "\\" + platform::Utf16ToUtf8(sub->name()));
  };
  if (top != nullptr) collect(collect, *top, "");
  return values;
}

// A backup made on the backup page and restored on the restore page brings back every value of
// the five registry keys byte for byte: multi-strings, 64-bit numbers, values of other types
// and of odd lengths, and text the code page lacks.
TEST_F(RestoreTest, EveryRegistryValueComesBackByteForByte) {
  std::array<bool, core::kItemCount> registryItems{};
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < core::kItemCount; ++i) {
    if (core::kItems[i].kind != core::ItemKind::Registry) continue;
    registryItems[i] = true;
    keys.push_back(core::kItems[i].registryPath);
  }
  ASSERT_EQ(keys.size(), 5u);
  std::set<std::uint32_t> types;
  bool outsideCodePage = false;
  for (const std::string& key : keys) {
    for (const auto& [name, value] : StoredValues(from, key)) {
      types.insert(value.first);
      if (platform::IsStringType(value.first)) {
        const std::string text = platform::Utf16ToUtf8(platform::BytesToUtf16(value.second));
        outsideCodePage = outsideCodePage || platform::AnsiRoundTrip(text) != text;
      }
    }
    // The target's keys hold something else before the restore.
    to.reg->DeleteKeyTree(std::string(kMail) + key);
    test::SetValue(to.platform->registry(), *to.reg, std::string(kMail) + key + "\\Stray", "Stray",
                   test::Sz("gone after restore"));
  }
  for (const std::uint32_t type : {0u, 1u, 2u, 3u, 4u, 5u, 7u, 8u, 11u, 0x10017u})
    EXPECT_TRUE(types.count(type)) << "the sample holds a value of type " << type;
  EXPECT_TRUE(outsideCodePage) << "the sample holds text the code page lacks";

  test::FakeBackupPage backupView;
  app::BackupPage backupPage(from.session(), from.engine(), from.prompter, backupView);
  backupView.targetText = to.Target("values.wlm");
  backupView.checked = registryItems;
  ASSERT_TRUE(backupPage.Run());
  ASSERT_EQ(restorePage.Inspect(to.Target("values.wlm")), Inspection::Accepted);
  page.checked = registryItems;
  const app::RestorePageRun run = restorePage.Run();
  for (std::size_t i = 0; i < core::kItemCount; ++i)
    EXPECT_EQ(run.outcome.restored[i], registryItems[i]) << i << ": " << run.outcome.errors[i];
  for (const std::string& key : keys) {
    const auto expected = StoredValues(from, key);
    EXPECT_FALSE(expected.empty()) << key;
    EXPECT_EQ(StoredValues(to, key), expected) << key;
  }
}

TEST_F(RestoreTest, InspectionShowsTheBackupAndEnablesWhatItHolds) {
  std::array<bool, core::kItemCount> which{};
  which[0] = which[10] = true;
  const std::string file = Backup("", which);
  to.prompter.openPath = file;
  ASSERT_EQ(restorePage.ChooseSource(), Inspection::Accepted);
  EXPECT_EQ(to.prompter.openAsked,
            (std::vector<std::string>{"Restore Data from a Backup file",
                                      "Orlo Windows Live Mail Backup File(*.wlm)|*.wlm"}));
  EXPECT_EQ(page.source, file);
  EXPECT_EQ(page.backupInfo, std::string("Computer:VM\r\nUser:anna\r\nDate:") + test::kStamp);
  EXPECT_EQ(page.fileInfo, "two\r\nlines");
  EXPECT_EQ(page.enabled, which);
  EXPECT_EQ(page.checked, (std::array<bool, core::kItemCount>{}));
  EXPECT_NE(restorePage.source(), nullptr);
  EXPECT_EQ(to.prompter.passwordAsked, 0);

  // Cancelling leaves the page reset.
  to.prompter.openPath.reset();
  EXPECT_EQ(restorePage.ChooseSource(), Inspection::Cancelled);
  EXPECT_EQ(page.source, "");
  EXPECT_EQ(page.fileInfo, "");
  EXPECT_EQ(page.backupInfo, "");
  EXPECT_EQ(page.enabled, (std::array<bool, core::kItemCount>{}));
  EXPECT_EQ(restorePage.source(), nullptr) << "the file is let go";
}

// Writes a ZIP holding the given entries (name -> content).
void WriteZip(const fs::path& file,
              const std::vector<std::pair<std::string, std::string>>& entries) {
  ::archive* a = archive_write_new();
  archive_write_set_format_zip(a);
  archive_write_open_filename(a, file.c_str());
  for (const auto& [name, content] : entries) {
    archive_entry* e = archive_entry_new();
    archive_entry_set_pathname(e, name.c_str());
    archive_entry_set_filetype(e, AE_IFREG);
    archive_entry_set_perm(e, 0644);
    archive_entry_set_size(e, static_cast<la_int64_t>(content.size()));
    archive_write_header(a, e);
    archive_write_data(a, content.data(), content.size());
    archive_entry_free(e);
  }
  archive_write_close(a);
  archive_write_free(a);
}

TEST_F(RestoreTest, WhatIsNotABackupIsRejectedAndChangesNothing) {
  const fs::path dir = to.root();
  const std::string good = "BackupComputer=PC\r\nBackupItem=10000000001\r\n";
  const std::vector<std::pair<std::string, std::string>> files = {
      {"no descriptor", ""},
      {"ten flags", "BackupItem=1000000000\r\n"},
      {"twelve flags", "BackupItem=100000000000\r\n"},
      {"no flags", "BackupComputer=PC\r\n"},
      {"not a zip", "-"},
      {"truncated", "cut"},
  };
  for (const auto& [label, descriptor] : files) {
    const fs::path file = dir / (label + ".wlm");
    if (descriptor == "-") {
      WriteFile(file, "this is no archive");
    } else if (descriptor == "cut") {
      WriteZip(file, {{"stowinfo.dat", good}, {"padding.bin", std::string(5000, 'x')}});
      const std::string bytes = ReadFile(file);
      WriteFile(file, bytes.substr(0, bytes.size() - 200));
    } else {
      std::vector<std::pair<std::string, std::string>> entries = {{"a.zip", "x"}};
      if (!descriptor.empty()) entries.emplace_back("stowinfo.dat", descriptor);
      WriteZip(file, entries);
    }
    // A valid file first, so the rejection must undo what it enabled.
    WriteZip(dir / "valid.wlm", {{"stowinfo.dat", good}});
    ASSERT_EQ(restorePage.Inspect((dir / "valid.wlm").string()), Inspection::Accepted);
    const std::string before = ReadFile(to.prefix() / "user.reg");
    to.prompter.shown.clear();
    EXPECT_EQ(restorePage.Inspect(file.string()), Inspection::Invalid) << label;
    ASSERT_EQ(to.prompter.shown.size(), 1u) << label;
    EXPECT_EQ(to.prompter.shown[0].text, "Invalid backup file") << label;
    EXPECT_EQ(to.prompter.shown[0].icon, MessageIcon::Error);
    EXPECT_EQ(restorePage.source(), nullptr) << label;
    EXPECT_EQ(page.enabled, (std::array<bool, core::kItemCount>{})) << label;
    // The run then refuses at once.
    page.checked.fill(true);
    to.prompter.shown.clear();
    EXPECT_FALSE(restorePage.Run().ran);
    ASSERT_EQ(to.prompter.shown.size(), 1u);
    EXPECT_EQ(to.prompter.shown[0].text, "Invalid backup file.");
    EXPECT_EQ(ReadFile(to.prefix() / "user.reg"), before);
    EXPECT_FALSE(fs::exists(to.logFile()));
  }
}

TEST_F(RestoreTest, FlagsAreTrimmedAndOnlyOnesCount) {
  const std::vector<std::pair<std::string, std::array<bool, core::kItemCount>>> cases = {
      {"  10000000001 ",
       {true, false, false, false, false, false, false, false, false, false, true}},
      {"1x2 0000001", {true, false, false, false, false, false, false, false, false, false, true}},
  };
  for (const auto& [flags, enabled] : cases) {
    const fs::path file = to.root() / "f.wlm";
    WriteZip(file,
             {{"stowinfo.dat", "backupitem=" + flags + "\r\nBACKUPINFORMATION=aPS$QVTb\r\n"}});
    ASSERT_EQ(restorePage.Inspect(file.string()), Inspection::Accepted) << flags;
    EXPECT_EQ(page.enabled, enabled) << flags;
    EXPECT_EQ(page.fileInfo, "a\r\nb");
  }
}

TEST_F(RestoreTest, AWrongPasswordEnablesNothing) {
  const std::string file = Backup("right");
  const std::vector<std::optional<std::string>> answers = {std::string("wrong"), std::nullopt};
  for (const auto& answer : answers) {
    to.prompter.password = answer;
    to.prompter.shown.clear();
    EXPECT_EQ(restorePage.Inspect(file), Inspection::WrongPassword);
    ASSERT_EQ(to.prompter.shown.size(), 1u);
    EXPECT_EQ(to.prompter.shown[0].text, "Incorect Password or Invalid backup file");
    EXPECT_EQ(to.prompter.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(page.source, "");
    EXPECT_EQ(page.enabled, (std::array<bool, core::kItemCount>{}));
  }
  // A cancelled prompt keeps the password typed before.
  to.prompter.password = "right";
  ASSERT_EQ(restorePage.Inspect(file), Inspection::Accepted);
  to.prompter.password.reset();
  EXPECT_EQ(restorePage.Inspect(file), Inspection::Accepted);
  EXPECT_EQ(restorePage.lastPassword(), "right");
  // Nothing ticked: the run asks for an item.
  page.checked = {};
  to.prompter.shown.clear();
  EXPECT_FALSE(restorePage.Run().ran);
  EXPECT_EQ(to.prompter.shown.at(0).text, "Please select at least one item.");
}

// "Undo Last Restore" asks first, then puts the profile back byte for byte: the folders the
// restore replaced, an account it added that the profile lacked, and the mail client's keys.
TEST_F(RestoreTest, UndoLastRestorePutsTheProfileBackAsItWas) {
  const std::string file = Backup("");
  fs::remove_all(to.mailStore() / "news.example.org");
  WriteFile(to.mailStore() / "Hotmail (bob)" / "mine.eml", "mine");
  to.reg->CreateKey(std::string(kMail) + "\\Rules\\Mail\\999");
  const auto before = to.ProfileState();
  to.prompter.reply = platform::MessageAnswer::Yes;
  EXPECT_FALSE(restorePage.UndoLastRestore().ran);
  EXPECT_EQ(to.prompter.shown.back().text, "There is no restore to undo.");

  ASSERT_EQ(restorePage.Inspect(file), Inspection::Accepted);
  page.checked = page.enabled;
  ASSERT_TRUE(restorePage.Run().ran);
  EXPECT_FALSE(to.ProfileState() == before);
  const auto restored = to.ProfileState();
  for (const auto answer : {platform::MessageAnswer::No, platform::MessageAnswer::Yes}) {
    to.prompter.reply = answer;
    to.prompter.shown.clear();
    EXPECT_EQ(restorePage.UndoLastRestore().ran, answer == platform::MessageAnswer::Yes);
    EXPECT_EQ(to.prompter.shown.at(0).text.rfind("Undo the last restore?", 0), 0u);
    EXPECT_TRUE(to.ProfileState() == (answer == platform::MessageAnswer::Yes ? before : restored));
  }
  EXPECT_EQ(to.prompter.shown.back().text.rfind("The last restore was undone.\r\n", 0), 0u)
      << to.prompter.shown.back().text;
}

TEST_F(RestoreTest, TheRunLogsSumsUpAndAdvancesAsItShould) {
  to.settings->SaveSettingValue(to.settings->Path(), "General", "runliveafterrestore", "1");
  const std::string file = Backup("");
  ASSERT_EQ(restorePage.Inspect(file), Inspection::Accepted);
  page.checked = {};
  page.checked[10] = true;
  page.checked[3] = true;  // ticked, but fails: no news rules key
  to.reg->DeleteKeyTree(std::string(kMail));
  to.reg->CreateKey(std::string(kMail));
  const app::RestorePageRun run = restorePage.Run();
  EXPECT_TRUE(run.outcome.restored[10]);
  EXPECT_FALSE(run.outcome.restored[3]);
  ASSERT_EQ(to.prompter.shown.size(), 1u);
  EXPECT_EQ(to.prompter.shown[0].text,
            "The Restore was Completed!\r\n\r\nRestore News Rules\tFail!\r\n\tWindows Live "
            "Mail keeps no settings for this user\r\nRestore Calendars\tSuccessed!");
  const std::string t = test::kStamp;
  EXPECT_EQ(ReadFile(to.logFile()),
            std::string(84, '.') + "\r\r\n" + t + " Start Retore Data to User Profile anna\n\r\n" +
                t + " Restore File is " + file + "\n\r\n" + t + " Restore News Rules Fail!\n\r\n" +
                t + " Restore News Rules: Windows Live Mail keeps no settings for this user\n\r\n" +
                t + " Restore Calendars Succeeded!\n\r\n" + t +
                " Restore Data to User Profile anna was Completed!\r\r\n");
  EXPECT_EQ(page.progressSeen,
            (std::vector<int>{5, 20, 30, 34, 44, 49, 54, 59, 64, 69, 74, 79, 100, 0}));
  EXPECT_EQ(page.statuses,
            (std::vector<std::string>{"Saving what the restore replaces...",
                                      "Copying News Rules...", "Copying Calendars...",
                                      "Operation complete!", "Please Waiting..."}));
  // The file label is emptied, then names the first calendar file unpacked where it goes.
  ASSERT_GE(page.fileStatuses.size(), 2u);
  EXPECT_EQ(
      page.fileStatuses[1].rfind("Unzip File " + (to.mailStore() / "Calendars").string() + "/", 0),
      0u)
      << page.fileStatuses[1];
  ASSERT_EQ(to.started.size(), 1u);
  EXPECT_EQ(to.started[0].front(), "wine");
  EXPECT_FALSE(fs::exists(to.app() / "stowinfo.dat"));
}

TEST_F(RestoreTest, CraftedNamesAndDamagedArchivesLeaveTheProfileAlone) {
  const fs::path store = to.mailStore();
  const auto before = Tree(store / "Hotmail (bob)");
  const fs::path file = to.root() / "crafted.wlm";
  // An inner archive that climbs out, one that is damaged, a descriptor naming a path.
  const fs::path inner = to.root() / "inner.zip";
  WriteZip(inner, {{"fine.eml", "x"}, {"../../escaped.eml", "bad"}});
  const std::string climbing = ReadFile(inner);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Hotmail (bob).zip", climbing},
      {"Hotmail (bob).zip", climbing.substr(0, climbing.size() / 2)},
      {"../Hotmail (bob).zip", climbing},
  };
  for (const auto& [name, content] : cases) {
    WriteZip(file, {{name, content},
                    {"stowinfo.dat",
                     "Backupmailaccountsandmessages=" + name + "\r\nBackupItem=10000000000\r\n"}});
    ASSERT_EQ(restorePage.Inspect(file.string()), Inspection::Accepted) << name;
    EXPECT_FALSE(RestoreItem(core::Item::MailAccounts)) << name;
    EXPECT_EQ(Tree(store / "Hotmail (bob)"), before) << name;
    EXPECT_FALSE(fs::exists(store / "escaped.eml"));
    EXPECT_FALSE(fs::exists(store.parent_path() / "escaped.eml"));
    EXPECT_FALSE(fs::exists(store.parent_path() / "Hotmail (bob)"));
    EXPECT_FALSE(fs::exists(store / ".quillstow-restore"));
  }
}

TEST_F(RestoreTest, AMissingEntryFailsTheItemBeforeAnythingChanges) {
  const fs::path file = to.root() / "partial.wlm";
  const fs::path inner = to.root() / "inner.zip";
  WriteZip(inner, {{"Inbox/new.eml", "restored"}});
  WriteZip(file,
           {{"A.zip", ReadFile(inner)},
            {"C.zip", ReadFile(inner)},
            {"stowinfo.dat",
             "Backupmailaccountsandmessages=A.zip;B.zip;C.zip\r\nBackupItem=10000000000\r\n"}});
  ASSERT_EQ(restorePage.Inspect(file.string()), Inspection::Accepted);
  std::string error;
  EXPECT_FALSE(RestoreItem(core::Item::MailAccounts, &error));
  EXPECT_EQ(error, "the backup file holds no entry B.zip");
  EXPECT_FALSE(fs::exists(to.mailStore() / "A"));
  EXPECT_FALSE(fs::exists(to.mailStore() / "C"));
}

TEST_F(RestoreTest, EntriesTakenOutSideBySideNeverMeetAtAPartialName) {
  // "Inbox.zip.partial" is also the name "Inbox.zip" has while it is taken out.
  const fs::path file = to.root() / "partials.wlm";
  const fs::path inner = to.root() / "inner.zip";
  const std::string bigMessage = test::RandomBytes(8 << 20, 7);
  WriteZip(inner, {{"Inbox/big.eml", bigMessage}});
  const std::string big = ReadFile(inner);
  WriteZip(inner, {{"Inbox/small.eml", "small"}});
  WriteZip(file, {{"Inbox.zip", big},
                  {"Inbox.zip.partial", ReadFile(inner)},
                  {"stowinfo.dat",
                   "Backupmailaccountsandmessages=Inbox.zip;Inbox.zip.partial\r\n"
                   "BackupItem=10000000000\r\n"}});
  ASSERT_EQ(restorePage.Inspect(file.string()), Inspection::Accepted);
  std::string error;
  ASSERT_TRUE(RestoreItem(core::Item::MailAccounts, &error)) << error;
  EXPECT_TRUE(ReadFile(to.mailStore() / "Inbox" / "Inbox" / "big.eml") == bigMessage);
  EXPECT_EQ(ReadFile(to.mailStore() / "Inbox.zip" / "Inbox" / "small.eml"), "small");
}

TEST_F(RestoreTest, WithoutTheMailStoreARestoreRefusesBeforeItWritesAnything) {
  const std::string file = Backup("");
  // The mail client installed but never started: it has not set its store up yet.
  to.reg->DeleteKeyTree(std::string(kMail));
  to.reg->CreateKey(std::string(kMail));
  to.Rediscover();
  RestorePage page2{to.session(), to.restoreEngine(), to.prompter, page};
  ASSERT_EQ(page2.Inspect(file), Inspection::Accepted);
  page.checked = All();
  const auto before = Tree(to.prefix());
  to.prompter.shown.clear();
  EXPECT_FALSE(page2.Run().ran);
  ASSERT_EQ(to.prompter.shown.size(), 1u);
  EXPECT_EQ(to.prompter.shown[0].text, core::ProfileDiscovery::kNoStoreForRestore);
  EXPECT_EQ(to.prompter.shown[0].icon, MessageIcon::Error);
  const restore::RestoreOutcome outcome =
      to.restoreEngine().Run(*page2.source(), {All(), "anna"}, {});
  EXPECT_EQ(outcome.restored, (std::array<bool, core::kItemCount>{}));
  EXPECT_EQ(Tree(to.prefix()), before);
  EXPECT_FALSE(fs::exists(to.logFile()));
}

TEST_F(RestoreTest, RegistryItemsNeedTheMailClientsKeys) {
  const std::string file = Backup("");
  ASSERT_EQ(restorePage.Inspect(file), Inspection::Accepted);
  to.reg->DeleteKeyTree(std::string(kMail));
  to.reg->CreateKey(std::string(kMail));
  const std::string before = ReadFile(to.prefix() / "user.reg");
  EXPECT_FALSE(RestoreItem(core::Item::MailRules));
  EXPECT_EQ(ReadFile(to.prefix() / "user.reg"), before);
}

TEST_F(RestoreTest, KillingARestoreLeavesEachFolderWhollyOldOrWhollyNew) {
  test::BackupSetup big{6'000'000, 3};
  const std::string file = to.Target("big.wlm");
  ASSERT_TRUE(big.engine().Run({All(), file, "", "", "anna", false}, {}).written);
  const std::vector<std::string> folders = {"anna@example.com", "Hotmail (bob)",
                                            "news.example.org"};
  std::map<std::string, std::map<std::string, std::string>> oldTrees, newTrees;
  for (const auto& folder : folders) {
    oldTrees[folder] = Tree(to.mailStore() / folder);
    newTrees[folder] = Tree(big.mailStore() / folder);
  }
  for (int delay : {5, 20, 60}) {
    ASSERT_EQ(restorePage.Inspect(file), Inspection::Accepted);
    const pid_t child = fork();
    if (child == 0) {
      RestoreItem(core::Item::MailAccounts);
      _exit(0);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    for (const auto& folder : folders) {
      const auto now = Tree(to.mailStore() / folder);
      EXPECT_TRUE(now == oldTrees[folder] || now == newTrees[folder])
          << folder << " after " << delay << " ms";
    }
  }
}

TEST_F(RestoreTest, FoldersSwappedInTwoRenamesComeBackWholeAndLeaveNoStaging) {
  std::array<bool, core::kItemCount> which{};
  which[core::IndexOf(core::Item::MailAccounts)] = true;
  ASSERT_EQ(restorePage.Inspect(Backup("", which)), Inspection::Accepted);
  std::string error;
  ASSERT_TRUE(RestoreItem(core::Item::MailAccounts, &error, SwapMode::TwoRenames)) << error;
  for (const char* folder : {"anna@example.com", "Hotmail (bob)", "Storage Folders"})
    EXPECT_EQ(Tree(to.mailStore() / folder), Tree(from.mailStore() / folder)) << folder;
  const fs::path parent =
      core::StagingParentFor(to.session().profile(), core::ProfileFolder::MailData);
  for (const auto& item : fs::directory_iterator(parent))
    EXPECT_FALSE(core::IsOwnName(item.path().filename().string())) << item.path();
}

// An item that fails partway puts back what it had already replaced, in either swap mode:
// the message store and the folders before the broken one, and a folder that was not there.
TEST_F(RestoreTest, AnItemThatFailsPartwayPutsBackWhatItReplaced) {
  const fs::path file = to.root() / "partway.wlm";
  const fs::path inner = to.root() / "inner.zip";
  WriteZip(inner, {{"Inbox/new.eml", "restored"}});
  WriteZip(file, {{"WindowsMail.MSMessageStore", "new store"},
                  {"Hotmail (bob).zip", ReadFile(inner)},
                  {"Fresh.zip", ReadFile(inner)},
                  {"Broken.zip", "PK\x03\x04 and nothing after"},
                  {"stowinfo.dat",
                   "Backupmailaccountsandmessages=WindowsMail.MSMessageStore;Hotmail (bob).zip;"
                   "Fresh.zip;Broken.zip\r\nBackupItem=10000000000\r\n"}});
  ASSERT_EQ(restorePage.Inspect(file.string()), Inspection::Accepted);
  const auto before = Tree(to.mailStore());
  for (SwapMode mode : {SwapMode::Exchange, SwapMode::TwoRenames}) {
    std::string error;
    EXPECT_FALSE(RestoreItem(core::Item::MailAccounts, &error, mode));
    EXPECT_EQ(error.rfind("Broken.zip: ", 0), 0u) << error;
    EXPECT_EQ(Tree(to.mailStore()), before);
    const fs::path parent =
        core::StagingParentFor(to.session().profile(), core::ProfileFolder::MailData);
    for (const auto& item : fs::directory_iterator(parent))
      EXPECT_FALSE(core::IsOwnName(item.path().filename().string())) << item.path();
  }
}

TEST_F(RestoreTest, TheNextStartUndoesASwapCutShortAndClearsWhatInterruptedRunsLeft) {
  const fs::path store = to.mailStore();
  const auto bob = Tree(store / "Hotmail (bob)");
  const fs::path parent =
      core::StagingParentFor(to.session().profile(), core::ProfileFolder::MailData);
  const auto aMinuteAgo = [](const fs::path& path) {
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::minutes(2));
  };
  // A restore killed between the two renames of a swap: the user's folder is aside.
  const fs::path killed = parent / ".quillstow-restore-killed";
  fs::create_directories(killed / "0");
  ASSERT_TRUE(core::SwapJournal(killed).Begin(store / "Hotmail (bob)", killed / "0" / "old"));
  fs::rename(store / "Hotmail (bob)", killed / "0" / "old");
  aMinuteAgo(killed);
  // A restore still going, and what an earlier version left in the store: a copy of a
  // backup's folder, and a folder it had moved aside.
  const auto going = platform::RunFolder::Create(parent, core::kRestoreRunPrefix);
  ASSERT_TRUE(going);
  WriteFile(store / ".quillstow-restore-3" / "unpacked" / "x.eml", "a copy");
  WriteFile(store / ".quillstow-restore-4.old" / "y.eml", "the user's own");
  aMinuteAgo(store / ".quillstow-restore-3");

  to.Rediscover();
  EXPECT_EQ(Tree(store / "Hotmail (bob)"), bob);
  EXPECT_FALSE(fs::exists(killed));
  EXPECT_FALSE(fs::exists(store / ".quillstow-restore-3"));
  EXPECT_EQ(ReadFile(store / ".quillstow-restore-4.old" / "y.eml"), "the user's own");
  EXPECT_TRUE(fs::is_directory(going->path()));
}

TEST_F(RestoreTest, ACancelledRestoreStopsBetweenFoldersAndTheLogSaysSo) {
  const std::string file = Backup("");
  const std::vector<std::string> folders = {"anna@example.com", "Hotmail (bob)",
                                            "news.example.org"};
  std::map<std::string, std::map<std::string, std::string>> oldTrees, newTrees;
  for (const auto& folder : folders) {
    oldTrees[folder] = Tree(to.mailStore() / folder);
    newTrees[folder] = Tree(from.mailStore() / folder);
  }
  struct Case {
    std::string label;
    bool inMail;       // the stop comes while the mail's folders are unpacked
    std::size_t item;  // else as this item starts
  };
  const std::vector<Case> cases = {{"while the mail is unpacked", true, 0},
                                   {"as the contacts start", false, 5}};
  for (const Case& c : cases) {
    fs::remove(to.logFile());
    ASSERT_EQ(restorePage.Inspect(file), Inspection::Accepted);
    std::stop_source stop;
    RestoreRequest request{All(), "anna"};
    request.stop = stop.get_token();
    RestoreObserver observer;
    observer.itemStarting = [&](std::size_t item) {
      if (!c.inMail && item == c.item) stop.request_stop();
    };
    observer.progress = [&](const RestoreProgress& progress) {
      if (c.inMail && progress.item == 0) stop.request_stop();
    };
    const RestoreOutcome outcome = to.restoreEngine().Run(*restorePage.source(), request, observer);
    EXPECT_TRUE(outcome.cancelled) << c.label;
    EXPECT_FALSE(outcome.restored[c.item]) << c.label;
    EXPECT_EQ(outcome.errors[c.item], kRestoreStopped) << c.label;
    for (std::size_t later = c.item + 1; later < core::kItemCount; ++later)
      EXPECT_FALSE(outcome.attempted[later]) << c.label << " " << later;
    for (const auto& folder : folders) {
      const auto now = Tree(to.mailStore() / folder);
      EXPECT_TRUE(now == oldTrees[folder] || now == newTrees[folder]) << c.label << " " << folder;
      if (!c.inMail) {
        EXPECT_TRUE(now == newTrees[folder]) << c.label << " " << folder;
      }
    }
    for (const auto& entry : fs::directory_iterator(to.mailStore()))
      EXPECT_EQ(entry.path().filename().string().rfind(".quillstow-restore", 0), std::string::npos)
          << c.label;
    const std::string log = ReadFile(to.logFile());
    EXPECT_NE(log.find(std::string(" ") + core::kItems[c.item].restoreName + " Fail!\n\r\n"),
              std::string::npos)
        << c.label;
    EXPECT_TRUE(log.ends_with(" Restore Data to User Profile anna was cancelled\r\r\n"))
        << c.label << ": " << log;
  }
}

TEST_F(RestoreTest, ProgressCountsTheBytesOfEachItemAndNamesWhereEachFileGoes) {
  const std::string file = Backup("");
  ASSERT_EQ(restorePage.Inspect(file), Inspection::Accepted);
  const archive::OpenedBackup& source = *restorePage.source();
  std::map<std::size_t, std::vector<RestoreProgress>> seen;
  RestoreObserver observer;
  observer.progress = [&](const RestoreProgress& progress) {
    seen[progress.item].push_back(progress);
  };
  const RestoreOutcome outcome = to.restoreEngine().Run(source, {All(), "anna"}, observer);
  ASSERT_TRUE(outcome.AllRestored());
  for (std::size_t item = 0; item < core::kItemCount; ++item) {
    if (!outcome.attempted[item]) continue;
    const auto& events = seen[item];
    ASSERT_FALSE(events.empty()) << item;
    std::uint64_t entryBytes = 0;
    for (const std::string& name : source.descriptor.entries[item])
      entryBytes += source.reader.Find(name)->size;
    for (std::size_t i = 1; i < events.size(); ++i)
      EXPECT_LE(events[i - 1].done, events[i].done) << item;
    EXPECT_EQ(events.back().done, entryBytes) << item;
    EXPECT_EQ(events.back().total, entryBytes) << item;
    // Files are named where they are now, in the profile; registry items by their key.
    for (const RestoreProgress& progress : events)
      EXPECT_TRUE(fs::exists(progress.file) ||
                  (core::kItems[item].kind == core::ItemKind::Registry &&
                   progress.file.rfind(kMail, 0) == 0))
          << item << ": " << progress.file;
  }
  EXPECT_GE(seen[0].size(), 10u) << "the mail's files are named one by one";
}

TEST(FolderSwap, BareNamesOnly) {
  for (const std::string name : {"a.zip", "Hotmail (bob).zip", "{GUID}.zip", "x"})
    EXPECT_TRUE(IsBareName(name)) << name;
  for (const std::string name : {"", ".", "..", "a/b.zip", "a\\b.zip", "C:x.zip", "../x.zip"})
    EXPECT_FALSE(IsBareName(name)) << name;
}

}  // namespace
}  // namespace quill::restore
