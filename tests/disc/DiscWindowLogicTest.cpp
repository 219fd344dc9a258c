#include "disc/DiscWindowLogic.h"

#include <gtest/gtest.h>

#include "support/FakeDiscEngine.h"
#include "support/RecordingDiscView.h"
#include "support/RecordingPrompter.h"
#include "support/TempDir.h"

namespace quill::disc {
namespace {

using platform::MessageIcon;
using test::FakeDiscEngine;
using test::RecordingDiscView;
using test::RecordingPrompter;

class DiscWindowTest : public ::testing::Test {
 protected:
  DiscWindowTest() {
    drive = &engine.AddDevice("TEST DVD-RW");
    drive->speeds = {5540, 2770, 692};
    drive->capabilities = {kCapabilityBufferProtection};
  }

  DiscWindowLogic& Open() {
    logic = std::make_unique<DiscWindowLogic>(
        view, engine, prompter, handOver,
        DiscWindowCommands{[this](DiscDevice& d, DiscEngine&) { erased.push_back(&d); },
                           [this] { ++programEnds; }});
    logic->Start();
    prompter.shown.clear();
    return *logic;
  }

  std::string File(const std::string& name, std::size_t size) {
    const auto path = dir.path() / name;
    test::WriteFile(path, std::string(size, 'x'));
    return path.string();
  }

  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& shown : prompter.shown) texts.push_back(shown.text);
    return texts;
  }

  test::TempDir dir;
  FakeDiscEngine engine;
  test::FakeDiscDevice* drive;
  RecordingDiscView view;
  RecordingPrompter prompter;
  DiscHandOver handOver;
  std::vector<DiscDevice*> erased;
  int programEnds = 0;
  std::unique_ptr<DiscWindowLogic> logic;
};

TEST_F(DiscWindowTest, OpenedAfterABackupTheImageHoldsOnlyTheBackupFile) {
  engine.model().AddFile(File("old.txt", 10), "\\old.txt");  // left from an earlier window
  const std::string backup = File("WLM_Backup_12-08-2026.wlm", 5000);
  handOver = {"WLM_Backup_12-08-2026.wlm", backup};
  Open();

  ASSERT_EQ(engine.model().Root().children.size(), 1u);
  const ImageItem& item = engine.model().Root().children[0]->item;
  EXPECT_EQ(item.ImagePath, "\\WLM_Backup_12-08-2026.wlm");
  EXPECT_EQ(item.SourcePath, backup);
  EXPECT_TRUE(handOver.DiscFileName.empty());
  EXPECT_TRUE(handOver.DiscFilePath.empty());
  ASSERT_EQ(view.rows.size(), 1u);
  EXPECT_EQ(view.rows[0].name, "WLM_Backup_12-08-2026.wlm");
  EXPECT_EQ(view.rows[0].size, "5.00 KB");
  EXPECT_EQ(view.panels[2], "Files: 1");
  EXPECT_EQ(view.volumeIdentifier, "Windows Live Mail Data Backup CD");
  EXPECT_EQ(view.tree.at("\\").text, "Windows Live Mail Data Backup CD");
  EXPECT_EQ(view.tree.at("\\").icon, "CD");

  // The menu's command afterwards: the hand-over is empty, so the image starts empty.
  Open();
  EXPECT_TRUE(engine.model().Root().children.empty());
  EXPECT_EQ(view.tree.size(), 1u);
  EXPECT_TRUE(view.rows.empty());
  EXPECT_EQ(view.panels[2], "Files: 0");
  EXPECT_EQ(view.panels[3], "Folders: 0");
  EXPECT_EQ(view.panels[1], "Data Image Size: 0.00 MB");
}

TEST_F(DiscWindowTest, StartSetsTheVolumeTypeDefaultAndTheEngineSettings) {
  Open();
  EXPECT_EQ(view.volumeTypes, (std::vector<std::string>{"ISO9660", "UDF", "ISO9660/Joliet Bridge",
                                                        "ISO9660/UDF (DVDVideo) Bridge",
                                                        "ISO9660/Joliet/UDF Bridge"}));
  EXPECT_EQ(view.volumeType, 4);
  EXPECT_EQ(engine.Volume().type, kVolumeIsoJolietUdf);
  // The default writes no UDF, and the window says so.
  EXPECT_NE(view.volumeNote.find("UDF is not written"), std::string::npos);
  EXPECT_TRUE(engine.Volume().useFileDates);
  EXPECT_EQ(engine.Volume().identifier, "New Disc");
}

TEST_F(DiscWindowTest, DrivesThatCannotWriteAreLeftOutAndNoneLeftIsSaidOnce) {
  drive->canWrite = false;
  engine.AddDevice("SECOND");
  Open();
  ASSERT_EQ(view.devices.size(), 1u);
  EXPECT_EQ(view.devices[0].text, "SECOND");
  EXPECT_EQ(view.devices[0].data, 1);

  engine.devices[1]->canWrite = false;
  logic->FillDevices();
  EXPECT_TRUE(view.devices.empty());
  EXPECT_EQ(Messages(),
            std::vector<std::string>{"There are no compatible devices reported.\r\n"
                                     "Some older devices are not currently supported."});
  // No drive: the commands that need one stay off.
  logic->SetWindowIdle(true);
  EXPECT_FALSE(view.enabled[DiscControl::WriteDisc]);
  EXPECT_FALSE(view.enabled[DiscControl::DeviceMenu]);
}

TEST_F(DiscWindowTest, FailedDriveStartEndsTheProgramAfterItsMessage) {
  engine.initSucceeds = false;
  logic = std::make_unique<DiscWindowLogic>(view, engine, prompter, handOver,
                                            DiscWindowCommands{{}, [this] { ++programEnds; }});
  EXPECT_FALSE(logic->Start());
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, "Devices Cannot be initialized...Contact support!");
  EXPECT_EQ(prompter.shown[0].icon, MessageIcon::None);
  EXPECT_EQ(programEnds, 1);
}

TEST_F(DiscWindowTest, SpeedsAreListedInTheDrivesOrderAndNoneGivesMax) {
  Open();
  ASSERT_EQ(view.speeds.size(), 3u);
  EXPECT_EQ(view.speeds[0].text, "4.0x");
  EXPECT_EQ(view.speeds[1].text, "2.0x");
  EXPECT_EQ(view.speeds[2].text, ".5x");
  EXPECT_EQ(view.speeds[2].data, 692);
  EXPECT_EQ(view.speed, 0);

  drive->speeds.clear();
  logic->DriveSelected();
  ASSERT_EQ(view.speeds.size(), 1u);
  EXPECT_EQ(view.speeds[0].text, "MAX");
  logic->WriteDisc();
  ASSERT_EQ(engine.writes.size(), 1u);
  EXPECT_EQ(engine.writes[0].options.speed, kFastestSpeed);
}

TEST_F(DiscWindowTest, BufferProtectionFollowsTheDrive) {
  Open();
  EXPECT_TRUE(view.checks[DiscCheck::UseBufferProtect]);
  EXPECT_TRUE(view.enabled[DiscControl::UseBufferProtect]);
  drive->capabilities.clear();
  logic->DriveSelected();
  EXPECT_FALSE(view.checks[DiscCheck::UseBufferProtect]);
  EXPECT_FALSE(view.enabled[DiscControl::UseBufferProtect]);
}

TEST_F(DiscWindowTest, MediaCheckAcceptsAnExactFitAndRefusesEverythingElse) {
  struct Case {
    MediaInfo media;
    std::int64_t freeBlocks;
    double imageBytes;
    std::string message;  // empty: the write starts
  };
  const std::string insert = "Please Insert Writable Media before continuing!";
  const Case cases[] = {
      {{11, true, false}, 512, 512.0 * 2048, ""},
      {{11, true, false},
       512,
       512.0 * 2048 + 1,
       "Free Space on the loaded disc is 1.00 MB!\r\nThis data image requires 1.00 MB of Free "
       "Space!"},
      {{11, true, false},
       2295104,
       5000.0 * 1048576,
       "Free Space on the loaded disc is 4482.62 MB!\r\nThis data image requires 5000.00 MB of "
       "Free Space!"},
      {{0, false, false}, 512, 1, insert},
      {{6, false, false}, 512, 1, insert},
  };
  Open();
  for (const auto& c : cases) {
    prompter.shown.clear();
    engine.writes.clear();
    drive->media = c.media;
    drive->freeBlocks = c.freeBlocks;
    engine.imageSize = c.imageBytes;
    drive->refreshes.clear();
    logic->WriteDisc();
    EXPECT_EQ(drive->refreshes, std::vector<bool>{true});
    if (c.message.empty()) {
      EXPECT_TRUE(prompter.shown.empty());
      EXPECT_EQ(engine.writes.size(), 1u);
      logic->WriteStatus(0, kStatusError);
    } else {
      EXPECT_EQ(Messages(), std::vector<std::string>{c.message}) << c.imageBytes;
      EXPECT_TRUE(engine.writes.empty());
      EXPECT_EQ(prompter.shown[0].icon, MessageIcon::Information);
    }
  }
}

TEST_F(DiscWindowTest, WriteTakesTheBoxesAndGoesBusyUntilTheEnd) {
  Open();
  view.volumeIdentifier = "My Disc";
  view.volumeType = 2;
  view.speed = 1;
  view.checks[DiscCheck::AutoVerify] = true;
  view.checks[DiscCheck::TestWrite] = true;
  view.checks[DiscCheck::DiscAtOnce] = true;
  view.checks[DiscCheck::UseBufferProtect] = false;
  view.checks[DiscCheck::UseFileDates] = false;
  logic->UseFileDatesClicked();  // taken at once, not when the write starts
  EXPECT_FALSE(engine.Volume().useFileDates);
  logic->WriteDisc();
  ASSERT_EQ(engine.writes.size(), 1u);
  const WriteOptions& write = engine.writes[0].options;
  EXPECT_EQ(write.volume.identifier, "My Disc");
  EXPECT_EQ(write.volume.type, kVolumeIsoJoliet);
  EXPECT_FALSE(write.volume.useFileDates);
  EXPECT_EQ(write.speed, 2770);
  EXPECT_EQ(write.mode, WriteMode::DiscAtOnce);
  EXPECT_TRUE(write.autoVerify);
  EXPECT_TRUE(write.testWrite);
  EXPECT_FALSE(write.finalize);
  EXPECT_FALSE(write.bufferProtection);
  EXPECT_EQ(engine.writes[0].device, "TEST DVD-RW");
  EXPECT_EQ(engine.Volume().identifier, "My Disc");

  EXPECT_FALSE(logic->CanClose());
  EXPECT_TRUE(view.busyCursor);
  for (auto control : {DiscControl::FileMenu, DiscControl::DeviceMenu, DiscControl::Devices,
                       DiscControl::WriteDisc, DiscControl::Folders, DiscControl::ImageFiles,
                       DiscControl::VolumeIdentifier, DiscControl::UseBufferProtect})
    EXPECT_FALSE(view.enabled[control]);
  EXPECT_TRUE(view.enabled[DiscControl::Cancel]);

  logic->CancelWrite();
  EXPECT_EQ(engine.aborts, 1);
  EXPECT_EQ(view.panels[1], "Aborting Write...Please Wait!");
  EXPECT_FALSE(logic->CanClose());  // busy until the engine says the write ended
  logic->WriteStatus(0, kStatusCancelled);
  EXPECT_TRUE(logic->CanClose());
  EXPECT_EQ(Messages(), std::vector<std::string>{"Write Cancelled!"});
  EXPECT_TRUE(view.enabled[DiscControl::WriteDisc]);
  EXPECT_FALSE(view.enabled[DiscControl::Cancel]);
  EXPECT_FALSE(view.busyCursor);
}

TEST_F(DiscWindowTest, AWriteThatDoesNotStartLeavesTheWindowIdle) {
  engine.writeStarts = false;
  Open();
  logic->WriteDisc();
  EXPECT_EQ(Messages(), std::vector<std::string>{"Disc Write could not be started."});
  EXPECT_EQ(prompter.shown[0].icon, MessageIcon::Error);
  EXPECT_TRUE(logic->CanClose());
}

TEST_F(DiscWindowTest, WriteStatusesShowTheirTextsAndEndTheWrite) {
  struct Case {
    int status;
    bool autoVerify;
    int verifyTotal, verifyMatched;  // -1: no verify ran (a test write verifies nothing)
    std::string panel;
    std::vector<std::string> messages;
    bool idleAfter;
  };
  const Case cases[] = {
      {0, false, -1, -1, "Preparing Image....", {}, false},
      {4, false, -1, -1, "Closing Track....", {}, false},
      {5, false, -1, -1, "Writing Lead-in....", {}, false},
      {6, false, -1, -1, "Writing Lead-out....", {}, false},
      {8, false, -1, -1, "Updating Volume....", {}, false},
      {7, false, -1, -1, "before", {}, false},
      {9, false, -1, -1, "Write Completed!", {"Write Complete!"}, true},
      {9, true, 2, 2, "Write Completed!", {"Write and Verify Complete!"}, true},
      {9, true, -1, -1, "Write Completed!", {"Write Complete!"}, true},
      {9,
       true,
       2,
       1,
       "Write Completed!",
       {"Write Complete, but Verify Failed: 1 of 2 files MATCHED."},
       true},
      {10, false, -1, -1, "Write Cancelled....", {"Write Cancelled!"}, true},
      {11, false, -1, -1, "Write Error!", {}, true},
  };
  Open();
  for (const auto& c : cases) {
    view.checks[DiscCheck::AutoVerify] = c.autoVerify;
    logic->WriteDisc();
    if (c.verifyTotal >= 0) {
      logic->VerifyStarted(c.verifyTotal);
      logic->VerifyDone(c.verifyTotal, c.verifyMatched);
    }
    prompter.shown.clear();
    view.SetStatusPanel(1, "before");
    logic->WriteStatus(42, c.status);
    EXPECT_EQ(view.panels[1], c.panel) << c.status;
    EXPECT_EQ(Messages(), c.messages) << c.status << " " << c.verifyTotal;
    EXPECT_EQ(logic->idle(), c.idleAfter) << c.status;
    if (!c.idleAfter) logic->WriteStatus(0, kStatusError);
  }
  logic->WriteDisc();
  for (int status : {1, 2, 3}) {
    logic->WriteStatus(10 * status, status);
    EXPECT_EQ(view.progress, 10 * status);
  }
}

TEST_F(DiscWindowTest, VerifyEventsNameTheFileAndMoveTheBar) {
  struct Case {
    int result, done, total;
    std::string message;  // empty: none
    int progress;
  };
  const std::string tail = "\r\n\\Backups\\b.wlm (disc)\r\n/home/u/b.wlm (source)";
  const Case cases[] = {
      {0, 1, 8, "Verify Error - Could not read Source file from disc: " + tail, 12},
      {1, 3, 8, "Verify Error - Could not read Destination file from disc: " + tail, 38},
      {2, 5, 8, "Verify Error - Source and Destination file did not match: " + tail, 62},
      {5, 7, 8, "Verify Error - Size of Source and Destination file did not match: " + tail, 88},
      {3, 1, 2, "", 50},
      {4, 2, 2, "", 100},
      {3, 0, 0, "", 0},
  };
  Open();
  ImageItem item;
  item.ImagePath = "\\Backups\\b.wlm";
  item.SourcePath = "/home/u/b.wlm";
  logic->VerifyStarted(8);
  EXPECT_EQ(view.panels[1], "Auto-Verify... 8 new files.");
  for (const auto& c : cases) {
    prompter.shown.clear();
    logic->VerifyFile(item, c.result, c.done, c.total);
    EXPECT_EQ(Messages(),
              c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
    EXPECT_EQ(view.progress, c.progress) << c.done << "/" << c.total;
    EXPECT_EQ(view.panels[1], "Auto-Verify... \\Backups\\b.wlm");
  }
  logic->VerifyDone(8, 7);
  EXPECT_EQ(view.panels[1], "Auto-Verify...Complete (7 of 8 MATCHED)");
}

TEST_F(DiscWindowTest, WarningsErrorsAndTrackReadsShowTheirTexts) {
  Open();
  bool goOn = false;
  logic->FileWarning(FileError{32, "The file is in use.", "C:\\a.wlm"}, goOn);
  EXPECT_TRUE(goOn);
  EXPECT_EQ(view.panels[1], "File Warning!");
  logic->TrackRead(3, 17, "ok");
  EXPECT_EQ(view.panels[1], "Track: 03 - Reading...17 - ok");
  logic->WriteError(EngineError{1, "", DeviceError{5, "Medium error", "write", "sense 3"}, {}, 0});
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[0].text, "File Warning(32):C:\\a.wlm\r\nThe file is in use.");
  EXPECT_EQ(prompter.shown[0].icon, MessageIcon::Warning);
  EXPECT_EQ(prompter.shown[1].text, "Device Error: (5)   Medium error\r\nwrite - sense 3");
  EXPECT_EQ(prompter.shown[1].icon, MessageIcon::Error);
}

TEST_F(DiscWindowTest, DeviceMenuActsOnTheSelectedDriveUnlessTheEngineHoldsIt) {
  Open();
  // An erase still running after its dialog closed: the drive is not released under it.
  engine.busy = true;
  logic->EjectMedium();
  logic->CloseTray();
  logic->OpenEraseDialog();
  EXPECT_EQ(drive->ejects, 0);
  EXPECT_EQ(drive->trayCloses, 0);
  EXPECT_TRUE(erased.empty());

  engine.busy = false;
  logic->EjectMedium();
  logic->CloseTray();
  logic->OpenEraseDialog();
  EXPECT_EQ(drive->ejects, 1);
  EXPECT_EQ(drive->trayCloses, 1);
  EXPECT_EQ(erased, std::vector<DiscDevice*>{drive});
}

TEST(EngineErrorTextTest, EachKindHasItsForm) {
  struct Case {
    EngineError error;
    std::string text;
  };
  const Case cases[] = {
      {{1, "", {2, "one", "two", "three"}, {}, 0}, "Device Error: (2)   one\r\ntwo - three"},
      {{2, "", {}, {28, "No space left", "/d/x.iso"}, 0},
       "Output File Error: (28)   No space left\r\n'/d/x.iso'"},
      {{3, "", {}, {2, "Not found", "C:\\a"}, 0}, "Source File Error: (2)   Not found\r\n'C:\\a'"},
      {{5, "Access denied", {}, {}, 5}, "System Error: (5)   Access denied"},
      {{4, "Medium not writable", {}, {}, 0}, "Write Error: (4)   Medium not writable"},
  };
  for (const auto& c : cases) EXPECT_EQ(EngineErrorText(c.error), c.text);
}

}  // namespace
}  // namespace quill::disc
