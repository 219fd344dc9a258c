// Faults during a backup and a restore: the process killed at random moments, a full disk,
// a read-only folder, a source file that cannot be read or vanishes. After each, nothing is
// lost: the previous backup reads whole, each restored folder and registry key is wholly
// old or wholly new, and the next run works.
//
// The kill points come from a fixed seed (QUILL_FAULT_SEED overrides it) and are printed,
// so a failing point can be run again.

#include <sys/resource.h>

#include <csignal>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <thread>

#include "archive/BackupVerifier.h"
#include "cli/CliProgram.h"
#include "faults/FaultTools.h"
#include "platform/posix/PosixPlatform.h"
#include "registry/RegistryText.h"
#include "support/BackupSetup.h"

namespace quill::test {
namespace {
namespace fs = std::filesystem;
using core::kItemCount;

std::array<bool, kItemCount> Items(const std::string& mask) {
  std::array<bool, kItemCount> items{};
  for (std::size_t i = 0; i < kItemCount; ++i) items[i] = mask[i] == '1';
  return items;
}
const std::array<bool, kItemCount> kAll = Items("11111111111");

std::uint32_t Seed() {
  const char* text = std::getenv("QUILL_FAULT_SEED");
  return text != nullptr ? static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10)) : 20261208u;
}

std::string Show(const std::vector<Micros>& points) {
  std::string text;
  for (const auto point : points) text += " " + std::to_string(point.count() / 1000) + "ms";
  return text;
}

bool Verifies(const std::string& file, const std::string& password) {
  const archive::VerifyReport report = archive::VerifyBackupFile(file, password);
  if (!report.ok) std::cout << report.Text();
  return report.ok;
}

// What a backup run leaves beside its target while it works.
bool LeftoversBeside(const std::string& target) {
  return fs::exists(target + ".partial") || fs::exists(target + ".parts");
}

// Where mounting is not allowed: writes past a file size fail as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old_;
    limited.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
};

// --- Backups ---------------------------------------------------------------------------

TEST(BackupFaults, AKilledBackupKeepsThePreviousOneAndTheNextRunWorks) {
  BackupSetup setup(6'000'000, 3);
  const std::string target = setup.Target();
  const backup::BackupRequest plain{kAll, target, "", "", "anna", false};
  ASSERT_TRUE(setup.engine().Run(plain, {}).written);
  const std::string timing = setup.Target("timing.wlm");
  const Micros total = TimeOf([&] {
    setup.engine().Run({kAll, timing, "pw", "", "anna", false}, {});
  });
  fs::remove(timing);

  const auto points = KillPoints(Seed(), 14, total);
  std::cout << "backup of " << total.count() / 1000 << " ms, seed " << Seed() << ", killed at"
            << Show(points) << "\n";
  int killed = 0, kept = 0;
  for (const auto point : points) {
    const std::string label = "killed at " + std::to_string(point.count()) + " us";
    const std::string previous = ReadFile(target);
    killed += KillAfter(point, [&] {
      setup.engine().Run({kAll, target, "killed", "", "anna", false}, {});
    });
    // Wholly the previous backup, or wholly the new one when the run got to its end.
    if (ReadFile(target) == previous) {
      ++kept;
      EXPECT_TRUE(Verifies(target, "")) << label;
    } else {
      EXPECT_TRUE(Verifies(target, "killed")) << label;
    }
    // The next run clears what the stopped one left and writes a whole backup.
    ASSERT_TRUE(setup.engine().Run(plain, {}).written) << label;
    EXPECT_FALSE(LeftoversBeside(target)) << label;
    EXPECT_TRUE(Verifies(target, "")) << label;
  }
  std::cout << killed << " runs killed, " << kept << " of them before the new file was whole\n";
  EXPECT_GE(killed, 10);
}

TEST(BackupFaults, AFullDiskFailsTheBackupAndKeepsThePreviousOne) {
  BackupSetup setup(6'000'000, 3);
  const fs::path folder = setup.root() / "disk";
  fs::create_directories(folder);
  SmallDisk disk(folder, 2 << 20);
  const std::string target = (folder / "anna.wlm").string();
  // The disk fills while the run works (as when another program writes to it meanwhile):
  // the check before the run, which would refuse so small a disk, is passed by.
  backup::BackupRequest small{Items("01000100000"), target, "", "", "anna", false};
  small.roomChecked = true;
  ASSERT_TRUE(setup.engine().Run(small, {}).written);
  const std::string previous = ReadFile(target);

  backup::BackupRequest all{kAll, target, "pw", "", "anna", false};
  all.roomChecked = true;
  backup::BackupOutcome outcome;
  if (disk.mounted()) {
    outcome = setup.engine().Run(all, {});
  } else {
    std::cout << "no tmpfs (" << disk.why() << "): a file size limit stands in\n";
    const FileSizeLimit limit(1 << 20);
    outcome = setup.engine().Run(all, {});
  }
  // Where the disk fills while an item's own archive is made, that item fails and the
  // backup is written without it; where it fills while the file is written, the file is
  // not written. Either way nothing half-written stands as a backup.
  if (outcome.written) {
    std::cout << "the disk filled while items were packed\n";
    EXPECT_NE(outcome.succeeded, kAll);
    EXPECT_TRUE(Verifies(target, "pw"));
    const std::string flags = EntryText(target, "stowinfo.dat", "pw", setup.root());
    EXPECT_NE(flags.find("BackupItem=" + core::ItemMask(outcome.succeeded)), std::string::npos);
  } else {
    std::cout << "the disk filled while the file was written\n";
    EXPECT_FALSE(outcome.error.empty());
    EXPECT_EQ(ReadFile(target), previous);
    EXPECT_NE(ReadFile(setup.logFile()).find("was not saved: "), std::string::npos);
  }
  EXPECT_FALSE(LeftoversBeside(target));
  // The disk holds nothing more than before, so the next small run fits again.
  ASSERT_TRUE(setup.engine().Run(small, {}).written);
  EXPECT_TRUE(Verifies(target, ""));
  EXPECT_FALSE(LeftoversBeside(target));
}

TEST(BackupFaults, AReadOnlyTargetFolderFailsTheBackupAndKeepsThePreviousOne) {
  BackupSetup setup;
  const fs::path folder = setup.root() / "backups";
  fs::create_directories(folder);
  const std::string target = (folder / "anna.wlm").string();
  ASSERT_TRUE(setup.engine().Run({kAll, target, "", "", "anna", false}, {}).written);
  const std::string previous = ReadFile(target);
  {
    PermissionsApply permissions;
    ReadOnlyFolder readOnly(folder);
    std::cout << "read-only by " << readOnly.how() << "\n";
    ASSERT_TRUE(readOnly.Holds()) << readOnly.how() << " does not stop writes here";
    const auto outcome = setup.engine().Run({kAll, target, "pw", "", "anna", false}, {});
    EXPECT_FALSE(outcome.written);
    EXPECT_FALSE(outcome.error.empty());
    EXPECT_EQ(ReadFile(target), previous);
    readOnly.Release();
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
  EXPECT_NE(ReadFile(setup.logFile()).find("was not saved: "), std::string::npos);
  ASSERT_TRUE(setup.engine().Run({kAll, target, "pw", "", "anna", false}, {}).written);
  EXPECT_TRUE(Verifies(target, "pw"));
}

TEST(BackupFaults, AnUnreadableSourceFailsItsItemOnly) {
  BackupSetup setup;
  const fs::path contacts = setup.profile() / "AppData/Local/Microsoft/Windows Live Contacts";
  fs::path locked;
  for (const auto& item : fs::recursive_directory_iterator(contacts))
    if (item.is_regular_file()) locked = item.path();
  ASSERT_FALSE(locked.empty());
  const std::string target = setup.Target();
  backup::BackupOutcome outcome;
  {
    PermissionsApply permissions;
    fs::permissions(locked, fs::perms::none);
    outcome = setup.engine().Run({kAll, target, "", "", "anna", false}, {});
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_write);
  }
  ASSERT_TRUE(outcome.written) << outcome.error;
  for (std::size_t i = 0; i < kItemCount; ++i)
    EXPECT_EQ(outcome.succeeded[i], i != 5) << core::kItems[i].caption;
  EXPECT_TRUE(Verifies(target, ""));
  ASSERT_TRUE(setup.engine().Run({kAll, target, "", "", "anna", false}, {}).succeeded[5]);
}

TEST(BackupFaults, FilesVanishingAndComingBackWhileABackupRunsLoseNothingWritten) {
  BackupSetup setup(3'000'000, 4);
  const std::string target = setup.Target();
  ASSERT_TRUE(setup.engine().Run({kAll, target, "", "", "anna", false}, {}).written);
  std::vector<fs::path> messages;
  for (const auto& item : fs::recursive_directory_iterator(setup.mailStore()))
    if (item.is_regular_file() && item.path().extension() == ".eml")
      messages.push_back(item.path());
  ASSERT_GT(messages.size(), 10u);

  for (int round = 0; round < 3; ++round) {
    const std::string previous = ReadFile(target);
    std::atomic<bool> done{false};
    std::thread churn([&] {
      std::mt19937 random(Seed() + round);
      while (!done) {
        const fs::path& file = messages[random() % messages.size()];
        const std::string content = ReadFile(file);
        fs::remove(file);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        WriteFile(file, content);
      }
    });
    const auto outcome = setup.engine().Run({kAll, target, "pw", "", "anna", false}, {});
    done = true;
    churn.join();
    // Either a whole new backup that reads back, or the previous one untouched.
    if (outcome.written)
      EXPECT_TRUE(Verifies(target, "pw")) << "round " << round;
    else
      EXPECT_EQ(ReadFile(target), previous) << "round " << round;
    EXPECT_FALSE(LeftoversBeside(target));
  }
  const auto next = setup.engine().Run({kAll, target, "", "", "anna", false}, {});
  ASSERT_TRUE(next.written);
  EXPECT_EQ(next.succeeded, kAll);
  EXPECT_TRUE(Verifies(target, ""));
}

// --- Restores --------------------------------------------------------------------------

constexpr const char* kMail = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Live Mail";

// What a stopped restore leaves behind: its staging folders and half-written files. The
// next run clears them.
bool Leftover(const fs::path& path) {
  const std::string name = path.filename().string();
  return name.rfind(".quillstow-restore", 0) == 0 || path.extension() == ".partial";
}

// What a restore may change, one unit each: the folders it swaps whole, the files it puts
// back, the registry keys it rebuilds. Read from the files as they are now.
std::map<std::string, std::string> Units(const BackupSetup& setup) {
  std::map<std::string, std::string> units;
  const auto tree = [](const fs::path& root) {
    std::string text;
    if (!fs::exists(root)) return text;
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& item : fs::recursive_directory_iterator(root))
      files.emplace_back(item.path().lexically_relative(root).generic_string(),
                         item.is_directory() ? "/" : ReadFile(item.path()));
    std::sort(files.begin(), files.end());
    for (const auto& [name, content] : files) text += name + "\n" + content + "\n";
    return text;
  };
  const fs::path store = setup.mailStore();
  // Each calendar is a unit of its own; a restore's staging folders are none.
  for (const auto& item : fs::directory_iterator(store)) {
    const std::string name = item.path().filename().string();
    if (name == "Calendars" || Leftover(item.path())) continue;
    units["store/" + name] = item.is_directory() ? tree(item.path()) : ReadFile(item.path());
  }
  for (const auto& item : fs::directory_iterator(store / "Calendars"))
    if (!Leftover(item.path()))
      units["calendar/" + item.path().filename().string()] = tree(item.path());
  const fs::path contacts = setup.profile() / "AppData/Local/Microsoft/Windows Live Contacts";
  for (const auto& item : fs::directory_iterator(contacts)) {
    const std::string name = item.path().filename().string();
    if (!Leftover(item.path())) units["contacts/" + name] = tree(item.path());
  }
  // Stationeries come back file by file.
  for (const auto& item : fs::directory_iterator(setup.profile() / "Documents" / "My Stationery"))
    if (!Leftover(item.path()))
      units["stationery/" + item.path().filename().string()] = ReadFile(item.path());

  platform::posix::PosixPlatform platform(
      platform::posix::WinePrefix(setup.prefix(), setup.root() / "server"), setup.app().string());
  RecordingPrompter prompter;
  registry::RegistryKeys reg(platform.registry());
  registry::RegistryText text(platform.registry(), reg);
  const std::string file = (setup.root() / "unit.txt").string();
  for (const char* key : {"\\Rules\\Mail", "\\Rules\\News", "\\PerPassportSettings", "\\signatures",
                          "\\Advanced Settings"}) {
    text.ExportKey(std::string(kMail) + key, file);
    units[std::string("key") + key] = ReadFile(file);
  }
  fs::remove(file);
  return units;
}

int CliRestore(const BackupSetup& setup, const std::string& file, std::string* said = nullptr) {
  platform::posix::PosixPlatform platform(
      platform::posix::WinePrefix(setup.prefix(), setup.root() / "server"), setup.app().string(),
      "/proc", [](const std::vector<std::string>&) { return true; });
  std::ostringstream out, err;
  const int status = cli::RunCli({"restore", file}, platform, out, err);
  if (said != nullptr) *said = out.str() + err.str();
  return status;
}

TEST(RestoreFaults, AKilledRestoreLeavesEachUnitWhollyOldOrWhollyNew) {
  BackupSetup from(6'000'000, 3);
  BackupSetup to(300'000, 2), reference(300'000, 2);
  const std::string file = to.Target("big.wlm");
  ASSERT_TRUE(from.engine().Run({kAll, file, "", "", "anna", false}, {}).written);
  const auto oldUnits = Units(to);
  ASSERT_EQ(oldUnits, Units(reference)) << "the two targets start the same";
  int status = -1;
  const Micros total = TimeOf([&] { status = CliRestore(reference, file); });
  ASSERT_EQ(status, 0);
  const auto newUnits = Units(reference);

  const auto points = KillPoints(Seed() + 1, 8, total);
  std::cout << "restore of " << total.count() / 1000 << " ms, seed " << Seed() + 1 << ", killed at"
            << Show(points) << "\n";
  int killed = 0;
  for (const auto point : points) {
    killed += KillAfter(point, [&] { CliRestore(to, file); });
    for (const auto& [unit, now] : Units(to)) {
      const auto old = oldUnits.find(unit), fresh = newUnits.find(unit);
      const bool whole = (old != oldUnits.end() && old->second == now) ||
                         (fresh != newUnits.end() && fresh->second == now);
      EXPECT_TRUE(whole) << unit << " after a kill at " << point.count() << " us";
    }
  }
  EXPECT_GE(killed, 6);
  // The next run restores everything and clears what the stopped ones left.
  std::string said;
  ASSERT_EQ(CliRestore(to, file, &said), 0) << said;
  EXPECT_EQ(Units(to), newUnits);
  for (const auto& item : fs::recursive_directory_iterator(to.profile()))
    EXPECT_FALSE(Leftover(item.path())) << item.path();
}

int CliBackup(const BackupSetup& setup, const std::string& file) {
  platform::posix::PosixPlatform platform(
      platform::posix::WinePrefix(setup.prefix(), setup.root() / "server"), setup.app().string(),
      "/proc", [](const std::vector<std::string>&) { return true; });
  std::ostringstream out, err;
  return cli::RunCli({"backup", file}, platform, out, err);
}

TEST(RestoreFaults, WhatAKilledRestoreLeavesIsNeverBackedUpAndTheNextBackupRestoresWhole) {
  BackupSetup from(3'000'000, 3);
  BackupSetup to(300'000, 2);
  const std::string file = to.Target("big.wlm");
  ASSERT_TRUE(from.engine().Run({kAll, file, "", "", "anna", false}, {}).written);
  const Micros total = TimeOf([&] { ASSERT_EQ(CliRestore(to, file), 0); });
  const auto points = KillPoints(Seed() + 2, 3, total);
  std::cout << "restore of " << total.count() / 1000 << " ms, killed at" << Show(points) << "\n";
  for (const auto point : points) {
    const std::string label = "killed at " + std::to_string(point.count()) + " us";
    KillAfter(point, [&] { CliRestore(to, file); });
    // The profile as the kill left it, backed up and restored into a third one.
    const std::string again = to.Target("again.wlm");
    ASSERT_EQ(CliBackup(to, again), 0) << label;
    for (const std::string& name : EntryNames(again))
      EXPECT_NE(name.rfind(".quillstow", 0), 0u) << label << ": " << name;
    BackupSetup third(300'000, 4);
    EXPECT_EQ(CliRestore(third, again), 0) << label;
  }
}

TEST(RestoreFaults, AFullDiskFailsTheMailItemAndKeepsTheOldFolders) {
  BackupSetup from(6'000'000, 3);
  BackupSetup to(300'000, 2);
  const std::string file = to.Target("big.wlm");
  ASSERT_TRUE(from.engine().Run({Items("10000000000"), file, "", "", "anna", false}, {}).written);
  const auto before = Units(to);
  SmallDisk disk(to.mailStore(), 2 << 20);
  // The restore runs and its item fails: done in part.
  if (disk.mounted()) {
    // The sizes the backup declares do not fit: refused before a byte is unpacked.
    std::string said;
    EXPECT_EQ(CliRestore(to, file, &said), 3);
    EXPECT_NE(said.find("Restore Mail Accounts & Messages/News Accounts & Messages: the backup "
                        "file unpacks to "),
              std::string::npos)
        << said;
    EXPECT_NE(said.find(" bytes free (a restore leaves 8388608 bytes free)"), std::string::npos)
        << said;
  } else {
    std::cout << "no tmpfs (" << disk.why() << "): a file size limit stands in\n";
    const FileSizeLimit limit(1 << 20);  // the largest inner archive is 2.5 MB
    EXPECT_EQ(CliRestore(to, file), 3);
  }
  EXPECT_EQ(Units(to), before);
  ASSERT_TRUE(!disk.mounted() || disk.Resize(64 << 20));
  EXPECT_EQ(CliRestore(to, file), 0);
  EXPECT_EQ(Units(to)["store/Hotmail (bob)"], Units(from)["store/Hotmail (bob)"]);
}

TEST(RestoreFaults, AReadOnlyMailFolderFailsTheItemAndTheNextRunWorks) {
  BackupSetup from(300'000, 3);
  BackupSetup to(300'000, 2);
  const std::string file = to.Target("from.wlm");
  ASSERT_TRUE(from.engine().Run({Items("10000000000"), file, "", "", "anna", false}, {}).written);
  const auto before = Units(to);
  {
    PermissionsApply permissions;
    ReadOnlyFolder readOnly(to.mailStore());
    std::cout << "read-only by " << readOnly.how() << "\n";
    ASSERT_TRUE(readOnly.Holds()) << readOnly.how() << " does not stop writes here";
    EXPECT_EQ(CliRestore(to, file), 3);
    readOnly.Release();
  }
  EXPECT_EQ(Units(to), before);
  EXPECT_EQ(CliRestore(to, file), 0);
  EXPECT_EQ(Units(to)["store/Hotmail (bob)"], Units(from)["store/Hotmail (bob)"]);
}

}  // namespace
}  // namespace quill::test
