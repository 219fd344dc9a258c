#include "backup/BackupEngine.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <regex>
#include <stop_token>
#include <thread>

#include "archive/ArchiveReader.h"
#include "archive/BackupVerifier.h"
#include "platform/AnsiCodePage.h"
#include "platform/posix/PosixPlatform.h"
#include "support/BackupSetup.h"
#include "support/RegistryTextFile.h"
#include "support/RegistryValues.h"
#include "support/VolumePlatform.h"

namespace quill::backup {
namespace {
namespace fs = std::filesystem;
using test::ReadFile;

core::ItemSet All() {
  core::ItemSet items;
  items.fill(true);
  return items;
}

using test::Tree;

const std::vector<std::string> kAccounts = {"anna@example.com.zip", "Hotmail (bob).zip",
                                            "news.example.org.zip", "Storage Folders.zip"};
const std::vector<std::string> kLdap = {"account{0F1E2D3C-4B5A-4968-8776-655443322110}.OEACCOUNT",
                                        "account{5B0E7B2C-3A41-4F6D-8E29-ABCDEF012345}.oeaccount",
                                        "account{A9C9D5E0-8D1F-4B47-9E3A-1F2B3C4D5E6F}.oeaccount"};
const std::vector<std::string> kContacts = {"{2A4C6E8F-1B3D-4F5A-8C7E-9D0F1A2B3C4D}.zip",
                                            "{8F3B2E1A-6C5D-4E7F-9A0B-1C2D3E4F5A6B}.zip"};
const std::vector<std::string> kDatabase = {"Mail.MSMessageStore", "WindowsMail.MSMessageStore"};
const std::vector<std::string> kStationery = {"Autumn.htm",
                                              "Autumn.jpg",
                                              "Gr\xc3\xbc\xc3\x9f"
                                              "e.htm",
                                              "Gr\xc3\xbc\xc3\x9f"
                                              "e.jpg",
                                              "Notebook.gif",
                                              "Notebook.htm"};
const std::vector<std::string> kCalendars = {"Anna's calendar.zip", "Birthday calendar.zip",
                                             "Feiertage \xc3\x96sterreich.zip"};

TEST(BackupEngine, AllElevenItemsGiveTheEntriesAndDescriptorOfABackupFile) {
  for (const std::string password : {"", "s\xc3\xa9same"}) {
    test::BackupSetup setup;
    BackupRequest request{All(), setup.Target(), password, "first line\r\nsecond", "anna", false};
    const BackupOutcome outcome = setup.engine().Run(request, {});
    ASSERT_TRUE(outcome.written) << outcome.error;
    for (bool ok : outcome.succeeded) EXPECT_TRUE(ok);

    const std::vector<std::string> names = test::EntryNames(setup.Target());
    ASSERT_EQ(names.size(), 26u);
    const std::regex exportFile("OBR[0-9A-F]{1,4}\\.tmp");
    std::vector<std::string> expected;
    const auto add = [&](const std::vector<std::string>& more) {
      expected.insert(expected.end(), more.begin(), more.end());
    };
    add(kAccounts);
    expected.push_back(names[4]);
    add(kLdap);
    expected.push_back(names[8]);
    expected.push_back(names[9]);
    add(kContacts);
    add(kDatabase);
    expected.push_back(names[14]);
    add(kStationery);
    expected.push_back(names[21]);
    add(kCalendars);
    expected.push_back("stowinfo.dat");
    EXPECT_EQ(names, expected);
    for (std::size_t at : {4, 8, 9, 14, 21})
      EXPECT_TRUE(std::regex_match(names[at], exportFile)) << names[at];
    // Every name fits the code page, so every name is stored in it, without the UTF-8 flag,
    // as Windows programs of the mail client's era read them.
    std::vector<std::string> stored;
    for (const std::string& name : names) stored.push_back(platform::Utf8ToAnsi(name));
    EXPECT_EQ(test::EntryNamesByUnzip(setup.Target()), stored) << "unzip sees the same entries";

    const std::string descriptor =
        test::EntryText(setup.Target(), "stowinfo.dat", password, setup.root() / "x");
    const auto join = [](const std::vector<std::string>& list) {
      std::string value;
      for (const auto& name : list) value += (value.empty() ? "" : ";") + name;
      return value;
    };
    const std::vector<std::string> lines = {
        "BackupComputer=VM",
        "BackupLogonUser=anna",
        std::string("BackupTime=") + test::kStamp,
        "BackupInformation=first linePS$QVTsecond",
        "Backupmailaccountsandmessages=" + join(kAccounts),
        "BackupmailRules=" + names[4],
        "BackupldapAccounts=" + join(kLdap),
        "BackupnewsRules=" + names[8],
        "Backupjunkmail=" + names[9],
        "BackupContacts=" + join(kContacts),
        "Backupmaildatabase=" + join(kDatabase),
        "Backupsignatures=" + names[14],
        "BackupStationeries=" + join(kStationery),
        "BackupSettings=" + names[21],
        "BackupCalendars=" + join(kCalendars),
        "BackupItem=11111111111",
    };
    std::string expectedText;
    for (const std::string& line : lines) expectedText += line + "\r\n";
    // The descriptor is 8-bit text in the code page.
    EXPECT_EQ(descriptor, platform::Utf8ToAnsi(expectedText));

    // An inner archive holds its folder whole, empty folders included.
    archive::ArchiveReader zip;
    ASSERT_TRUE(zip.Open(setup.Target()));
    zip.SetPassword(password);
    EXPECT_EQ(zip.entries().back().encrypted, !password.empty());
    ASSERT_TRUE(zip.Extract(*zip.Find("Hotmail (bob).zip"), (setup.root() / "inner").string()));
    archive::ArchiveReader inner;
    ASSERT_TRUE(inner.Open((setup.root() / "inner" / "Hotmail (bob).zip").string()));
    EXPECT_FALSE(inner.entries().front().encrypted) << "inner archives carry no password";
    ASSERT_TRUE(inner.ExtractAll((setup.root() / "bob").string()));
    EXPECT_EQ(Tree(setup.root() / "bob"), Tree(setup.mailStore() / "Hotmail (bob)"));

    // Nothing of the run is left behind.
    EXPECT_EQ(setup.AppFolderFiles(), std::vector<std::string>{"brlog.dat"});
    EXPECT_FALSE(fs::exists(setup.Target() + ".parts"));
    EXPECT_FALSE(fs::exists(setup.Target() + ".partial"));
  }
}

TEST(BackupEngine, TheMessageStoreGoesWithTheAccountsWhenTheDatabaseItemIsNotTicked) {
  test::BackupSetup setup;
  core::ItemSet items{};
  items[core::IndexOf(core::Item::MailAccounts)] = true;
  ASSERT_TRUE(setup.engine().Run({items, setup.Target(), "", "", "anna", false}, {}).written);
  std::vector<std::string> expected = kAccounts;
  expected.push_back("WindowsMail.MSMessageStore");
  expected.push_back("stowinfo.dat");
  EXPECT_EQ(test::EntryNames(setup.Target()), expected);
  const std::string descriptor =
      test::EntryText(setup.Target(), "stowinfo.dat", "", setup.root() / "x");
  EXPECT_NE(
      descriptor.find("Backupmailaccountsandmessages=anna@example.com.zip;Hotmail (bob).zip;"
                      "news.example.org.zip;Storage Folders.zip;WindowsMail.MSMessageStore\r\n"),
      std::string::npos);
  EXPECT_NE(descriptor.find("BackupItem=10000000000\r\n"), std::string::npos);
}

TEST(BackupEngine, ItemsWithoutDataFailAndWriteNoKey) {
  test::BackupSetup setup;
  // Only the folders a backup leaves out; no stationery; no Windows Live Mail subkeys.
  for (const char* name :
       {"anna@example.com", "Hotmail (bob)", "news.example.org", "Storage Folders"})
    fs::remove_all(setup.mailStore() / name);
  fs::remove_all(setup.profile() / "Documents" / "My Stationery");
  fs::create_directories(setup.profile() / "Documents" / "My Stationery");
  setup.reg->DeleteKeyTree("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Live Mail");
  setup.reg->CreateKey("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Live Mail");

  const BackupOutcome outcome =
      setup.engine().Run({All(), setup.Target(), "", "", "anna", false}, {});
  ASSERT_TRUE(outcome.written);
  EXPECT_EQ(core::ItemMask(outcome.succeeded), "00100110001");
  const std::string descriptor =
      test::EntryText(setup.Target(), "stowinfo.dat", "", setup.root() / "x");
  for (const char* key :
       {"Backupmailaccountsandmessages", "BackupmailRules", "BackupStationeries", "BackupSettings"})
    EXPECT_EQ(descriptor.find(key), std::string::npos) << key;
  EXPECT_NE(descriptor.find("BackupItem=00100110001"), std::string::npos);
}

TEST(BackupEngine, TheLogHoldsEveryEntryByteForByte) {
  test::BackupSetup setup;
  fs::remove_all(setup.profile() / "AppData" / "Local" / "Microsoft" / "Windows Live Contacts");
  // Names registry text cannot hold: the item succeeds without them, and the log names them.
  const std::string rules = std::string(core::kMailClientKey) + "\\Rules\\Mail";
  test::SetValue(setup.platform->registry(), *setup.reg, rules + "\\001", "two\r\nlines",
                 test::Sz("x"));
  test::SetValue(setup.platform->registry(), *setup.reg, rules + "\\002", "x\"= dw:1",
                 test::Sz("y"));
  test::SetValue(setup.platform->registry(), *setup.reg, rules + "\\new\nline", "v", test::Sz("z"));
  core::ItemSet items{};
  items[core::IndexOf(core::Item::MailRules)] = items[core::IndexOf(core::Item::Contacts)] = true;
  ASSERT_TRUE(setup.engine().Run({items, setup.Target(), "", "", "Ann", false}, {}).written);
  ASSERT_TRUE(setup.engine().Run({{}, setup.Target("auto.wlm"), "", "", "anna", true}, {}).written);
  const std::string t = test::kStamp;
  EXPECT_EQ(ReadFile(setup.logFile()),
            std::string(84, '.') + "\r\r\n" +                         //
                t + " Start Backup User Profile Ann Data...\n\r\n" +  //
                t + " Backup File is " + setup.Target() + "\n\r\n" +  //
                t + " Backup Mail Rules Succeeded!\n\r\n" +           //
                t + " Backup Mail Rules left out the registry value \"two\\r\\nlines\" of " +
                rules + "\\001: its name cannot be written to the backup.\n\r\n" +  //
                t + " Backup Mail Rules left out the registry value \"x\"= dw:1\" of " + rules +
                "\\002: its name cannot be written to the backup.\n\r\n" +  //
                t + " Backup Mail Rules left out the registry key " + rules +
                "\\new\\nline with everything beneath it: its name cannot be written to the "
                "backup.\n\r\n" +  //
                t +
                " Backup Contacts Fail!\n\r\n" +                                //
                t + " Backup User Profile Ann Data was Completed!\r\r\n" +      //
                std::string(84, '.') + "\r\r\n" +                               //
                t + " Start Auto Backup User Profile anna Data...\n\r\n" +      //
                t + " Backup File is " + setup.Target("auto.wlm") + "\n\r\n" +  //
                t + " Auto Backup User Profile anna Data was Completed!\r\r\n");
}

TEST(BackupEngine, AFailedWriteIsLoggedAsSuchAndLeavesNothingBehind) {
  test::BackupSetup setup;
  const std::string target = (setup.root() / "missing" / "anna.wlm").string();
  const BackupOutcome outcome = setup.engine().Run({All(), target, "pw", "", "anna", true}, {});
  EXPECT_FALSE(outcome.written);
  EXPECT_FALSE(outcome.error.empty());
  const std::string log = ReadFile(setup.logFile());
  EXPECT_EQ(log.find("Data was Completed!"), std::string::npos);
  EXPECT_NE(
      log.find(std::string(test::kStamp) + " Auto Backup User Profile anna Data was not saved: "),
      std::string::npos)
      << log;
  EXPECT_EQ(setup.AppFolderFiles(), std::vector<std::string>{"brlog.dat"});
  EXPECT_FALSE(fs::exists(setup.root() / "missing"));
}

// Whether the backup fits is known before the work starts: a full disk or a FAT32 drive too
// small for the file refuses the run at once, with a message that says why and what to do,
// and leaves nothing behind; a volume the system cannot tell about, or with room, is written.
TEST(BackupEngine, ABackupThatCannotFitIsRefusedBeforeAnyWork) {
  struct Case {
    std::optional<platform::VolumeSpace> volume;
    std::string says;  // the start of the reason; empty: written
  };
  constexpr std::uint64_t kPlenty = 1ULL << 40;
  const Case cases[] = {
      {std::nullopt, ""},
      {platform::VolumeSpace{kPlenty, "NTFS", 0}, ""},
      {platform::VolumeSpace{kPlenty, "FAT32", 1000},
       "The backup file would go to {folder}, on a drive formatted with FAT32, which cannot hold "
       "a file of 4 GB or more, and the chosen data comes to "},
      {platform::VolumeSpace{1000, "NTFS", 0},
       "There is not enough free space for the backup in {folder}: making it may take up to "},
  };
  for (const Case& c : cases) {
    test::BackupSetup setup;
    test::VolumePlatform platform(*setup.platform, c.volume);
    core::Session session(platform, [] { return test::StampTime(); });
    BackupEngine engine(session);
    const std::string target = setup.Target();
    const BackupOutcome outcome = engine.Run({All(), target, "pw", "", "anna", true}, {});
    SCOPED_TRACE(c.says);
    ASSERT_EQ(outcome.written, c.says.empty()) << outcome.error;
    if (outcome.written) continue;
    std::string says = c.says;
    says.replace(says.find("{folder}"), 8, setup.root().string());
    EXPECT_EQ(outcome.error.substr(0, says.size()), says);
    EXPECT_NE(ReadFile(setup.logFile()).find(" Data was not saved: " + outcome.error),
              std::string::npos);
    EXPECT_FALSE(fs::exists(target));
    for (const auto& entry : fs::directory_iterator(setup.root()))
      EXPECT_EQ(entry.path().filename().string().rfind(".quillstow", 0), std::string::npos);
  }
}

TEST(BackupEngine, KillingARunMidwayKeepsThePreviousBackup) {
  test::BackupSetup setup(8'000'000);
  const std::string target = setup.Target();
  ASSERT_TRUE(setup.engine().Run({All(), target, "", "", "anna", false}, {}).written);
  const std::string previous = ReadFile(target);

  const pid_t child = fork();
  if (child == 0) {
    setup.engine().Run({All(), target, "pw", "", "anna", false}, {});
    _exit(0);
  }
  // Kill it once the new file is being written, or its inner archives are.
  for (int i = 0; i < 2000 && !fs::exists(target + ".partial") && !fs::exists(target + ".parts");
       ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(ReadFile(target), previous);
  archive::ArchiveReader zip;
  ASSERT_TRUE(zip.Open(target));
  EXPECT_EQ(zip.entries().back().name, "stowinfo.dat");

  // The next run clears what the stopped one left and writes a whole backup.
  ASSERT_TRUE(setup.engine().Run({All(), target, "pw", "", "anna", false}, {}).written);
  EXPECT_FALSE(fs::exists(target + ".partial"));
  EXPECT_FALSE(fs::exists(target + ".parts"));
  EXPECT_TRUE(archive::ArchiveReader::IsPasswordProtected(target));
}

TEST(BackupEngine, TwoBackupsAtTheSameMomentBothSucceedAndNeitherLeavesADescriptorFile) {
  test::BackupSetup setup;
  // Two programs, as the window and a scheduled run would be: each with its own platform,
  // session and engine over the same profile and application folder.
  platform::posix::PosixPlatform host(
      platform::posix::WinePrefix(setup.prefix(), setup.root() / "server"), setup.app().string(),
      "/proc", [](const std::vector<std::string>&) { return true; });
  core::Session other(host, [] { return test::StampTime(); });
  BackupEngine second(other);
  std::atomic<int> descriptorsSeen{0};
  const auto watch = [&](std::size_t, bool) {
    if (fs::exists(setup.app() / "stowinfo.dat")) ++descriptorsSeen;
  };
  BackupOutcome first, next;
  std::thread one([&] {
    first = setup.engine().Run({All(), setup.Target("one.wlm"), "pw", "", "anna", false},
                               {nullptr, watch, nullptr, nullptr});
  });
  std::thread two([&] {
    next = second.Run({All(), setup.Target("two.wlm"), "", "", "anna", true},
                      {nullptr, watch, nullptr, nullptr});
  });
  one.join();
  two.join();
  ASSERT_TRUE(first.written) << first.error;
  ASSERT_TRUE(next.written) << next.error;
  for (const BackupOutcome* outcome : {&first, &next})
    for (std::size_t i = 0; i < core::kItemCount; ++i)
      EXPECT_TRUE(outcome->succeeded[i]) << core::kItems[i].key << ": " << outcome->errors[i];
  EXPECT_EQ(descriptorsSeen, 0);
  EXPECT_TRUE(archive::VerifyBackupFile(setup.Target("one.wlm"), "pw").ok);
  EXPECT_TRUE(archive::VerifyBackupFile(setup.Target("two.wlm"), "").ok);
  EXPECT_EQ(setup.AppFolderFiles(), std::vector<std::string>{"brlog.dat"});
}

TEST(BackupEngine, ABackupInsideAFolderItBacksUpTakesNoneOfItsOwnScratchAndKeepsTheUsersFolders) {
  test::BackupSetup setup;
  // The backup file in the mail store, where its scratch folder lands beside it, and a folder
  // of the user's named as earlier versions named their scratch folder.
  const std::string target = (setup.mailStore() / "mine.wlm").string();
  test::WriteFile(target + ".parts/keep.txt", "the user's");
  const BackupOutcome outcome = setup.engine().Run({All(), target, "", "", "anna", false}, {});
  ASSERT_TRUE(outcome.written) << outcome.error;
  EXPECT_EQ(core::ItemMask(outcome.succeeded), "11111111111");
  for (const std::string& name : test::EntryNames(target))
    EXPECT_NE(name.rfind(".quillstow", 0), 0u) << name;
  EXPECT_EQ(ReadFile(target + ".parts/keep.txt"), "the user's");
  EXPECT_TRUE(archive::VerifyBackupFile(target, "").ok);
  for (const auto& item : fs::directory_iterator(setup.mailStore()))
    EXPECT_NE(item.path().filename().string().rfind(".quillstow", 0), 0u) << item.path();
}

TEST(BackupEngine, AFileThatChangesWhileItIsReadFailsOnlyItsItem) {
  // The kernel gives this file no size, yet it has content: it "grows" while it is read, as a
  // message store does that the open mail client writes to.
  struct Case {
    const char* what;
    core::ItemSet items;
    std::string failing;  // the item that fails, or "" when none does
  };
  core::ItemSet withoutDatabase = All();
  withoutDatabase[core::IndexOf(core::Item::MailDatabase)] = false;
  const std::vector<Case> cases = {
      {"the database item's file", All(), "Backupmaildatabase"},
      {"the store riding with the accounts", withoutDatabase, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::BackupSetup setup;
    fs::remove(setup.mailStore() / "WindowsMail.MSMessageStore");
    fs::create_symlink("/proc/self/status", setup.mailStore() / "WindowsMail.MSMessageStore");
    const BackupOutcome outcome =
        setup.engine().Run({c.items, setup.Target(), "pw", "", "anna", true}, {});
    ASSERT_TRUE(outcome.written) << outcome.error;
    for (std::size_t i = 0; i < core::kItemCount; ++i) {
      if (!c.items[i]) continue;
      EXPECT_EQ(outcome.succeeded[i], c.failing != core::kItems[i].key) << core::kItems[i].key;
      if (c.failing == core::kItems[i].key) {
        EXPECT_NE(outcome.errors[i].find("grew while it was added"), std::string::npos)
            << outcome.errors[i];
      }
    }
    const auto names = test::EntryNames(setup.Target());
    EXPECT_EQ(std::count(names.begin(), names.end(), "WindowsMail.MSMessageStore"), 0);
    EXPECT_TRUE(archive::VerifyBackupFile(setup.Target(), "pw").ok);
    const std::string log = ReadFile(setup.logFile());
    EXPECT_EQ(log.find("Database Succeeded!"), std::string::npos);
    EXPECT_NE(log.find("Auto Backup User Profile anna Data was Completed!"), std::string::npos);
  }
}

TEST(BackupEngine, ACancelledRunWritesNoFileAndLeavesTheEarlierOneAsItWas) {
  test::BackupSetup setup(2'000'000);
  const std::string target = setup.Target();
  struct Case {
    std::string label;
    std::size_t stopAt;  // the step whose first progress requests the stop
  };
  const std::vector<Case> cases = {
      {"while the mail's folders are packed", 0},
      {"while the contacts are packed", 5},
      {"while the descriptor is written", core::kItemCount},
  };
  for (const Case& c : cases) {
    fs::remove(setup.logFile());
    test::WriteFile(target, "earlier");
    std::stop_source stop;
    BackupRequest request{All(), target, "pw", "", "anna", false};
    request.stop = stop.get_token();
    BackupObserver observer;
    observer.progress = [&](const BackupProgress& progress) {
      if (progress.item == c.stopAt) stop.request_stop();
    };
    const BackupOutcome outcome = setup.engine().Run(request, observer);
    EXPECT_TRUE(outcome.cancelled) << c.label;
    EXPECT_FALSE(outcome.written) << c.label;
    EXPECT_EQ(ReadFile(target), "earlier") << c.label;
    EXPECT_FALSE(fs::exists(target + ".partial")) << c.label;
    EXPECT_FALSE(fs::exists(target + ".parts")) << c.label;
    EXPECT_EQ(setup.AppFolderFiles(), std::vector<std::string>{"brlog.dat"}) << c.label;
    const std::string log = ReadFile(setup.logFile());
    EXPECT_TRUE(log.ends_with(" Backup User Profile anna Data was not saved: cancelled\r\r\n"))
        << c.label << ": " << log;
    // No item's data reached a file: no item is logged as done or failed.
    for (const core::ItemInfo& item : core::kItems)
      EXPECT_EQ(log.find(item.backupName), std::string::npos) << c.label << ": " << item.backupName;
  }
}

TEST(BackupEngine, ProgressCountsTheBytesOfEachItemAndOfTheFileAsTheyGo) {
  test::BackupSetup setup(2'000'000);
  std::map<std::size_t, std::vector<BackupProgress>> seen;
  BackupObserver observer;
  observer.progress = [&](const BackupProgress& progress) {
    seen[progress.item].push_back(progress);
  };
  ASSERT_TRUE(setup.engine().Run({All(), setup.Target(), "", "", "anna", false}, observer).written);
  // Each item's data is read as the backup file is written, item by item, the descriptor last.
  const std::map<std::size_t, fs::path> folders = {
      {0, setup.mailStore()},
      {5, setup.profile() / "AppData/Local/Microsoft/Windows Live Contacts"},
      {10, setup.mailStore() / "Calendars"}};
  std::vector<std::size_t> steps;
  for (const auto& [step, events] : seen) steps.push_back(step);
  EXPECT_EQ(steps, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, core::kItemCount}));
  archive::ArchiveReader written;
  ASSERT_TRUE(written.Open(setup.Target()));
  for (const auto& [step, events] : seen) {
    ASSERT_FALSE(events.empty());
    for (std::size_t i = 1; i < events.size(); ++i)
      EXPECT_LE(events[i - 1].done, events[i].done) << step;
    EXPECT_EQ(events.back().done, events.back().total) << step;
    if (step == core::kItemCount) {
      EXPECT_EQ(events.back().total, written.Find(archive::kDescriptorName)->size);
      continue;
    }
    if (!folders.contains(step)) continue;
    EXPECT_GE(events.size(), 10u) << step;
    // The bytes of the files in the item's folders, the folders it leaves out aside.
    std::uint64_t files = 0;
    const auto& excluded = core::kItems[step].excludedFolders;
    for (const auto& folder : fs::directory_iterator(folders.at(step))) {
      if (!folder.is_directory() || std::find(excluded.begin(), excluded.end(),
                                              folder.path().filename().string()) != excluded.end())
        continue;
      for (const auto& item : fs::recursive_directory_iterator(folder.path()))
        if (item.is_regular_file()) files += item.file_size();
    }
    EXPECT_EQ(events.back().total, files) << step;
    for (const BackupProgress& progress : events)
      EXPECT_EQ(progress.file.rfind(folders.at(step).string() + "/", 0), 0u) << progress.file;
  }
}

}  // namespace
}  // namespace quill::backup
