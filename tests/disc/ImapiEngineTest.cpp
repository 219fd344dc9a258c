// The engine over Windows' disc-writing service, against a service in memory, driven through
// the same window and erase dialog logic as on Linux.

#include "disc/imapi/ImapiEngine.h"

#include <gtest/gtest.h>

#include "disc/DiscWindowLogic.h"
#include "disc/EraseDialogLogic.h"
#include "disc/imapi/ImagePlanner.h"
#include "support/FakeDiscService.h"
#include "support/RecordingDiscView.h"
#include "support/RecordingPrompter.h"
#include "support/TempDir.h"

namespace quill::disc {
namespace {

using platform::MessageIcon;
using test::FakeDiscService;

constexpr int kProfileCdRom = 0x08, kProfileCdR = 0x09, kProfileCdRw = 0x0a;
constexpr int kProfileDvdRom = 0x10, kProfileDvdPlusR = 0x1b, kProfileDvdPlusRw = 0x1a;

// A blank DVD+R with room for 1000 blocks, written at 8x or 4x.
ServiceMedia BlankDvd() {
  return {kProfileDvdPlusR, true, true, false, 1000, {2705, 5410}};
}

std::vector<int> WriterProfiles() {
  return {kProfileCdRom,  kProfileCdR,      kProfileCdRw,
          kProfileDvdRom, kProfileDvdPlusR, kProfileDvdPlusRw};
}

// What the engine told its listeners.
struct Heard : DiscEvents {
  std::vector<std::pair<int, int>> statuses;  // progress, status
  std::vector<std::string> errors;
  std::vector<std::pair<std::string, int>> verified;  // image path, result
  std::vector<std::pair<int, int>> erase;             // status, progress
  void WriteStatus(int progress, int status) override { statuses.emplace_back(progress, status); }
  void WriteError(const EngineError& error) override { errors.push_back(EngineErrorText(error)); }
  void VerifyFile(const ImageItem& item, int result, int, int) override {
    verified.emplace_back(item.ImagePath, result);
  }
  void EraseStatus(int status, int progress) override { erase.emplace_back(status, progress); }
};

class ImapiEngineTest : public ::testing::Test {
 protected:
  ImapiEngineTest() : service(new FakeDiscService), engine(std::unique_ptr<DiscService>(service)) {
    engine.AddListener(heard);
  }

  DiscWindowLogic& Open() {
    logic = std::make_unique<DiscWindowLogic>(
        view, engine, prompter, handOver,
        DiscWindowCommands{[](DiscDevice&, DiscEngine&) {}, [this] { ++programEnds; }});
    logic->Start();
    return *logic;
  }

  std::string File(const std::string& name, const std::string& content) {
    const auto path = dir.path() / name;
    test::WriteFile(path, content);
    return path.string();
  }

  // Opens the window with two files in the image and writes them.
  void Write() {
    Open();
    engine.Image().AddFile(File("backup.wlm", std::string(5000, 'b')), "\\backup.wlm");
    engine.Image().AddFile(File("notes.txt", "notes"), "\\Old\\notes.txt");
    prompter.shown.clear();
    logic->WriteDisc();
    engine.WaitUntilIdle();
  }

  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& shown : prompter.shown) texts.push_back(shown.text);
    return texts;
  }

  test::TempDir dir;
  FakeDiscService* service;
  ImapiEngine engine;
  Heard heard;
  test::RecordingDiscView view;
  test::RecordingPrompter prompter;
  DiscHandOver handOver;
  int programEnds = 0;
  std::unique_ptr<DiscWindowLogic> logic;
};

TEST_F(ImapiEngineTest, AStartThatFailsEndsTheWindowAndAServiceWithoutDrivesListsNone) {
  service->startFailure = {static_cast<long>(0x80040154), "Class not registered", ""};
  service->AddDrive("ignored", WriterProfiles(), BlankDvd());
  Open();
  EXPECT_EQ(Messages(),
            std::vector<std::string>{"Devices Cannot be initialized...Contact support!"});
  EXPECT_EQ(programEnds, 1);
  EXPECT_EQ(engine.DeviceCount(), 0);
  EXPECT_EQ(engine.startFailure().code, static_cast<long>(0x80040154));

  service->startFailure = {};
  service->drives.clear();
  prompter.shown.clear();
  Open();
  EXPECT_EQ(Messages(),
            std::vector<std::string>{"There are no compatible devices reported.\r\n"
                                     "Some older devices are not currently supported."});
  EXPECT_EQ(programEnds, 1);
}

TEST_F(ImapiEngineTest, WritersAreListedWithTheMediumsSpeedsAndUdfIsNotCalledUnwritten) {
  service->AddDrive("READER (D:\\)", {kProfileCdRom, kProfileDvdRom}, {});
  service->AddDrive("WRITER (E:\\)", WriterProfiles(), BlankDvd());
  Open();
  ASSERT_EQ(view.devices.size(), 1u);
  EXPECT_EQ(view.devices[0].text, "WRITER (E:\\)");
  EXPECT_EQ(view.devices[0].data, 1);
  // Sectors a second, fastest first: 5410 is 8x on a DVD.
  ASSERT_EQ(view.speeds.size(), 2u);
  EXPECT_EQ(view.speeds[0].text, "8.0x");
  EXPECT_EQ(view.speeds[0].data, 5410);
  EXPECT_EQ(view.speeds[1].text, "4.0x");
  EXPECT_TRUE(view.checks[DiscCheck::UseBufferProtect]);
  EXPECT_EQ(view.volumeNote, "");
  DiscDevice& drive = *engine.GetDevice(1);
  EXPECT_TRUE(drive.HasCapability(kCapabilityEraseCdRw));
  EXPECT_TRUE(drive.HasCapability(kCapabilityEraseDvdPlusRw));
  EXPECT_FALSE(drive.HasCapability(kCapabilityEraseBdRe));
  // A CD: 75 sectors a second is 1x.
  service->drives[1].media = {kProfileCdR, true, true, false, 300000, {3000}};
  logic->DriveSelected();
  ASSERT_EQ(view.speeds.size(), 1u);
  EXPECT_EQ(view.speeds[0].text, "40.0x");
}

TEST_F(ImapiEngineTest, TheMediaCheckRefusesNoMediumAClosedDiscAndAMediumTooSmall) {
  struct Case {
    const char* what;
    ServiceMedia media;
    std::int64_t imageBlocks;
    std::string message;  // empty: the write starts
  } const cases[] = {
      {"no medium", {}, 10, "Please Insert Writable Media before continuing!"},
      {"a closed DVD+R",
       {kProfileDvdPlusR, false, false, false, 0, {}},
       10,
       "Please Insert Writable Media before continuing!"},
      {"a pressed DVD",
       {kProfileDvdRom, false, true, false, 1000, {}},
       10,
       "Please Insert Writable Media before continuing!"},
      {"one block too small", BlankDvd(), 1001,
       "Free Space on the loaded disc is 1.95 MB!\r\nThis data image requires 1.96 MB of Free "
       "Space!"},
      {"exactly the room there is", BlankDvd(), 1000, ""},
  };
  for (const auto& c : cases) {
    service->drives.clear();
    service->writes.clear();
    service->AddDrive("WRITER", WriterProfiles(), c.media);
    service->imageBlocks = c.imageBlocks;
    prompter.shown.clear();
    Write();
    if (c.message.empty()) {
      EXPECT_EQ(service->writes.size(), 1u) << c.what;
      EXPECT_EQ(Messages(), std::vector<std::string>{"Write Complete!"}) << c.what;
    } else {
      EXPECT_TRUE(service->writes.empty()) << c.what;
      EXPECT_EQ(Messages(), std::vector<std::string>{c.message}) << c.what;
    }
  }
}

WriteProgress Step(WriteAction action, std::int64_t written = 0) {
  return {action, 100, 200, 100 + written};
}

TEST_F(ImapiEngineTest, EachStepOfTheServiceIsReportedAsTheWriteStatusesOfTheWindow) {
  const std::vector<WriteProgress> steps = {
      Step(WriteAction::ValidatingMedia),      Step(WriteAction::FormattingMedia),
      Step(WriteAction::InitializingHardware), Step(WriteAction::CalibratingPower),
      Step(WriteAction::WritingData, 0),       Step(WriteAction::WritingData, 100),
      Step(WriteAction::WritingData, 100),     Step(WriteAction::WritingData, 200),
      Step(WriteAction::Finalization),         Step(WriteAction::Completed),
  };
  struct Case {
    const char* what;
    bool finalize;
    ServiceFailure failure;
    std::vector<std::pair<int, int>> statuses;
    std::vector<std::string> messages;
  } const cases[] = {
      {"written, the disc left open",
       false,
       {},
       {{0, 0}, {0, 2}, {50, 2}, {100, 2}, {0, 4}, {100, 9}},
       {"Write Complete!"}},
      {"written and closed",
       true,
       {},
       {{0, 0}, {0, 2}, {50, 2}, {100, 2}, {0, 6}, {100, 9}},
       {"Write Complete!"}},
      {"the medium refused",
       false,
       {static_cast<long>(0xC0AA0405), "", ""},
       {{0, 0}, {0, 2}, {50, 2}, {100, 2}, {0, 4}, {0, 11}},
       {"Write Error: (4)   The medium is not blank. (0xC0AA0405)"}},
      {"the drive failed mid-write",
       false,
       {static_cast<long>(0xC0AA0300), "Loss of streaming.", ""},
       {{0, 0}, {0, 2}, {50, 2}, {100, 2}, {0, 4}, {0, 11}},
       {"Device Error: (-1062599936)   Loss of streaming. (0xC0AA0300)\r\nWRITER - write"}},
      {"a source file unreadable",
       false,
       {static_cast<long>(0x80070020), "The file is in use.", "C:\\in use.wlm"},
       {{0, 0}, {0, 2}, {50, 2}, {100, 2}, {0, 4}, {0, 11}},
       {"Source File Error: (-2147024864)   The file is in use. (0x80070020)\r\n'C:\\in use.wlm'"}},
  };
  for (const auto& c : cases) {
    service->drives.clear();
    service->AddDrive("WRITER", WriterProfiles(), BlankDvd());
    service->writeSteps = steps;
    service->writeFailure = c.failure;
    heard.statuses.clear();
    view.checks[DiscCheck::FinalizeDisc] = c.finalize;
    Write();
    EXPECT_EQ(heard.statuses, c.statuses) << c.what;
    EXPECT_EQ(Messages(), c.messages) << c.what;
    EXPECT_TRUE(logic->idle()) << c.what;
    ASSERT_FALSE(service->writes.empty()) << c.what;
    EXPECT_EQ(service->writes.back().closeMedium, c.finalize) << c.what;
  }
  EXPECT_EQ(service->writes.back().speed, 5410);
  EXPECT_TRUE(service->writes.back().bufferProtection);
}

TEST_F(ImapiEngineTest, CancelStopsTheWriteAtTheNextStepAndATestWriteIsRefused) {
  service->AddDrive("WRITER", WriterProfiles(), BlankDvd());
  service->writeSteps = {Step(WriteAction::WritingData, 20), Step(WriteAction::WritingData, 40),
                         Step(WriteAction::WritingData, 60)};
  service->duringStep = [this](const WriteProgress& step) {
    if (step.lastWrittenLba - step.startLba == 40) engine.Abort();
  };
  Write();
  EXPECT_EQ(heard.statuses, (std::vector<std::pair<int, int>>{{0, 0}, {10, 2}, {20, 2}, {0, 10}}));
  EXPECT_EQ(Messages(), std::vector<std::string>{"Write Cancelled!"});

  // The service cannot simulate a write: a real one would use up the medium.
  service->writes.clear();
  view.checks[DiscCheck::TestWrite] = true;
  Write();
  EXPECT_TRUE(service->writes.empty());
  EXPECT_EQ(Messages(),
            (std::vector<std::string>{"Write Error: (4)   Test Write is not offered by Windows' "
                                      "disc-writing service; nothing was written.",
                                      "Disc Write could not be started."}));
  EXPECT_TRUE(logic->idle());
}

TEST_F(ImapiEngineTest, TheVerifyReadsEveryFileBackAndNamesEachThatDiffers) {
  service->AddDrive("WRITER", WriterProfiles(), BlankDvd());
  Open();
  const std::string source = File("gone.txt", "here before the verify");
  for (const char* name : {"same.txt", "flipped.txt", "short.txt", "lost.txt"})
    engine.Image().AddFile(File(name, "twelve bytes"), std::string("\\") + name);
  engine.Image().AddFile(source, "\\gone.txt");
  service->afterWrite = [&](FakeDiscService::Drive& drive) {
    drive.files["\\flipped.txt"][5] ^= 1;
    drive.files["\\short.txt"].pop_back();
    drive.files.erase("\\lost.txt");
    std::filesystem::remove(source);
  };
  view.checks[DiscCheck::AutoVerify] = true;
  prompter.shown.clear();
  logic->WriteDisc();
  engine.WaitUntilIdle();
  EXPECT_EQ(heard.verified, (std::vector<std::pair<std::string, int>>{
                                {"\\flipped.txt", kVerifyContentDiffers},
                                {"\\gone.txt", kVerifySourceUnreadable},
                                {"\\lost.txt", kVerifyDiscUnreadable},
                                {"\\same.txt", kVerifyMatched},
                                {"\\short.txt", kVerifySizeDiffers},
                            }));
  ASSERT_FALSE(prompter.shown.empty());
  EXPECT_EQ(prompter.shown.back().text, "Write Complete, but Verify Failed: 1 of 5 files MATCHED.");
  EXPECT_EQ(view.panels[1], "Write Completed!");
}

TEST_F(ImapiEngineTest, AnEraseRunsOnlyOnAMediumTheServiceErasesAndReportsItsFailure) {
  struct Case {
    const char* what;
    bool erasable;
    ServiceFailure failure;
    bool quick;
    std::vector<std::string> messages;
    std::vector<std::pair<int, int>> erase;  // status, progress
  } const cases[] = {
      {"quick", true, {}, true, {"Erase Completed!!!"}, {{0, 0}, {1, 40}, {2, 100}}},
      {"full", true, {}, false, {"Erase Completed!!!"}, {{0, 0}, {1, 40}, {2, 100}}},
      {"a medium the eraser does not take",
       false,
       {},
       true,
       {"Could not start Erase operation!!!"},
       {}},
      {"refused once started",
       true,
       {static_cast<long>(0xC0AA0909), "", ""},
       true,
       {"Device Error: (-1062598391)   The drive cannot do this with the medium in it. "
        "(0xC0AA0909)\r\n(erase) WRITER"},
       {{0, 0}, {1, 40}, {3, 0}}},
  };
  for (const auto& c : cases) {
    service->drives.clear();
    service->erases.clear();
    service->AddDrive("WRITER", WriterProfiles(), {kProfileCdRw, false, true, c.erasable, 0, {}});
    service->eraseSteps = {40};
    service->eraseFailure = c.failure;
    heard.erase.clear();
    ASSERT_TRUE(engine.InitDevices(false));
    test::RecordingEraseView eraseView;
    eraseView.quick = c.quick;
    test::RecordingPrompter erasePrompter;
    EraseDialogLogic dialog(eraseView, *engine.GetDevice(0), engine, erasePrompter);
    dialog.PrepareToShow();
    dialog.EraseMedium();
    engine.WaitUntilIdle();
    std::vector<std::string> messages;
    for (const auto& shown : erasePrompter.shown) messages.push_back(shown.text);
    EXPECT_EQ(messages, c.messages) << c.what;
    EXPECT_EQ(heard.erase, c.erase) << c.what;
    if (c.erasable)
      EXPECT_EQ(service->erases, (std::vector<std::pair<std::string, bool>>{{"drive0", !c.quick}}))
          << c.what;
    else
      EXPECT_TRUE(service->erases.empty()) << c.what;
  }
}

TEST(ImagePlannerTest, TheVolumeTypeNamesTheFileSystemsAndTheTreeKeepsItsOrder) {
  test::TempDir dir;
  test::WriteFile(dir.path() / "a.wlm", "a");
  test::WriteFile(dir.path() / "b.txt", "b");
  EventHub hub;
  ImageModel model(hub);
  model.AddFile((dir.path() / "b.txt").string(), "\\Old\\b.txt");
  model.AddFile((dir.path() / "a.wlm").string(), "\\a.wlm");
  const std::int64_t fileDate = model.Root().children[0]->item.Date;

  const struct {
    int type;
    int fileSystems;
    int udfRevision;
  } types[] = {
      {kVolumeIso9660, kFsIso9660, 0},
      {kVolumeUdf, kFsUdf, 0},
      {kVolumeIsoJoliet, kFsIso9660 | kFsJoliet, 0},
      {kVolumeIsoUdfDvdVideo, kFsIso9660 | kFsUdf, 0x102},
      {kVolumeIsoJolietUdf, kFsIso9660 | kFsJoliet | kFsUdf, 0},
  };
  for (const auto& t : types) {
    const ImagePlan plan = PlanImage(model, {"Backup CD", t.type, true}, 99);
    EXPECT_EQ(plan.fileSystems, t.fileSystems) << t.type;
    EXPECT_EQ(plan.udfRevision, t.udfRevision) << t.type;
    EXPECT_EQ(plan.volumeName, "Backup CD");
  }
  const ImagePlan dated = PlanImage(model, {"X", kVolumeUdf, true}, 99);
  const ImagePlan undated = PlanImage(model, {"X", kVolumeUdf, false}, 99);
  ASSERT_EQ(dated.entries.size(), 3u);
  EXPECT_EQ(dated.entries[0].imagePath, "\\a.wlm");
  EXPECT_EQ(dated.entries[0].date, fileDate);
  EXPECT_EQ(dated.entries[1].imagePath, "\\Old");
  EXPECT_TRUE(dated.entries[1].isFolder);
  EXPECT_EQ(dated.entries[2].imagePath, "\\Old\\b.txt");
  EXPECT_EQ(dated.entries[2].sourcePath, (dir.path() / "b.txt").string());
  for (const auto& entry : undated.entries) EXPECT_EQ(entry.date, 99) << entry.imagePath;
}

}  // namespace
}  // namespace quill::disc
