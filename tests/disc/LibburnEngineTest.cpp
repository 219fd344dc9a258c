// The real engine on stdio: pseudo-drives: a backup written from the disc window's logic
// into an image file, read back by xorriso, and verified through the drive.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "disc/DiscWindowLogic.h"
#include "disc/burn/DiscVerifier.h"
#include "disc/burn/LibburnDevice.h"
#include "disc/burn/LibburnEngine.h"
#include "disc/burn/StdioDrives.h"
#include "support/RecordingDiscView.h"
#include "support/TempDir.h"
#include "support/TestPrefix.h"

namespace quill::disc {
namespace {

std::string Shell(const std::string& command) {
  std::string output;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  pclose(pipe);
  return output;
}

using test::RandomBytes;

class StdioDiscTest : public ::testing::Test {
 protected:
  StdioDiscTest() {
    image = dir.path() / "disc.iso";
    backup = dir.path() / "WLM_Backup_12-08-2026.wlm";
    content = RandomBytes(3 * 1024 * 1024 + 777, 8);
    test::WriteFile(backup, content);
    setenv("QUILLSTOW_DISC_SCAN", "0", 1);
  }

  // Opens the window's logic as the backup run does, with the new file handed over.
  DiscWindowLogic& Open(const std::string& drives) {
    setenv("QUILLSTOW_DISC_DRIVES", drives.c_str(), 1);
    handOver = {backup.filename().string(), backup.string()};
    logic =
        std::make_unique<DiscWindowLogic>(view, engine, prompter, handOver, DiscWindowCommands{});
    EXPECT_TRUE(logic->Start());
    return *logic;
  }

  void WaitForTheWrite() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!logic->idle() && std::chrono::steady_clock::now() < deadline) {
      engine.Poll();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    engine.WaitUntilIdle();
  }

  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& shown : prompter.shown) texts.push_back(shown.text);
    return texts;
  }

  test::TempDir dir;
  std::filesystem::path image, backup;
  std::string content;
  LibburnEngine engine;
  test::RecordingDiscView view;
  test::RecordingPrompter prompter;
  DiscHandOver handOver;
  std::unique_ptr<DiscWindowLogic> logic;
};

TEST_F(StdioDiscTest, ABackupWrittenWithAutoVerifyReadsBackByteForByte) {
  Open(image.string());
  ASSERT_EQ(view.devices.size(), 1u);
  EXPECT_EQ(view.devices[0].text, "stdio:" + image.string());
  EXPECT_EQ(view.speeds.size(), 1u);
  EXPECT_EQ(view.speeds[0].text, "MAX");
  view.checks[DiscCheck::AutoVerify] = true;
  logic->WriteDisc();
  ASSERT_FALSE(logic->idle()) << ::testing::PrintToString(Messages());
  WaitForTheWrite();

  EXPECT_EQ(Messages(), std::vector<std::string>{"Write and Verify Complete!"});
  EXPECT_NE(std::find(view.panel1History.begin(), view.panel1History.end(),
                      "Auto-Verify...Complete (1 of 1 MATCHED)"),
            view.panel1History.end());
  EXPECT_EQ(view.panels[1], "Write Completed!");

  const std::string pvd = Shell("xorriso -indev '" + image.string() + "' -pvd_info");
  EXPECT_NE(pvd.find("Volume Id    : Windows Live Mail Data Backup CD"), std::string::npos) << pvd;
  const std::string listing = Shell("xorriso -indev '" + image.string() + "' -ls /");
  EXPECT_NE(listing.find("'WLM_Backup_12-08-2026.wlm'"), std::string::npos) << listing;
  const auto extracted = dir.path() / "extracted.wlm";
  Shell("xorriso -osirrox on -indev '" + image.string() +
        "' -extract /WLM_Backup_12-08-2026.wlm '" + extracted.string() + "'");
  EXPECT_TRUE(test::ReadFile(extracted) == content);
}

TEST_F(StdioDiscTest, VerifyNamesTheFileWithOneFlippedByte) {
  Open(image.string());
  logic->WriteDisc();
  WaitForTheWrite();
  ASSERT_EQ(Messages(), std::vector<std::string>{"Write Complete!"});

  std::string written = test::ReadFile(image);
  const std::size_t at = written.find(content.substr(0, 4096));
  ASSERT_NE(at, std::string::npos);
  written[at + 1234567] ^= 0x10;
  test::WriteFile(image, written);

  struct Recorder : DiscEvents {
    std::vector<std::pair<std::string, int>> files;
    int matched = -1;
    void VerifyFile(const ImageItem& item, int result, int, int) override {
      files.emplace_back(item.ImagePath, result);
    }
    void VerifyDone(int, int m) override { matched = m; }
  } recorder;
  LibburnDevice drive("stdio:" + image.string(), "flipped", std::nullopt);
  ASSERT_TRUE(drive.Grabbed());
  ImageItem item;
  item.ImagePath = "\\WLM_Backup_12-08-2026.wlm";
  item.SourcePath = backup.string();
  std::atomic<bool> abort{false};
  EXPECT_EQ(VerifyDisc(drive.drive(), {item}, recorder, abort), 0);
  EXPECT_EQ(recorder.files, (std::vector<std::pair<std::string, int>>{
                                {"\\WLM_Backup_12-08-2026.wlm", kVerifyContentDiffers}}));

  // The same disc against a source of another length, and a file the disc lacks.
  test::WriteFile(backup, content + "more");
  ImageItem missing = item;
  missing.ImagePath = "\\absent.wlm";
  recorder.files.clear();
  VerifyDisc(drive.drive(), {item, missing}, recorder, abort);
  EXPECT_EQ(recorder.files, (std::vector<std::pair<std::string, int>>{
                                {"\\WLM_Backup_12-08-2026.wlm", kVerifySizeDiffers},
                                {"\\absent.wlm", kVerifyDiscUnreadable}}));
}

TEST_F(StdioDiscTest, ADiscTooSmallByOneBlockIsRefusedBeforeWriting) {
  Open(image.string() + "@4M");
  const double size = engine.ImageSize();
  ASSERT_GT(size, 3.0 * 1024 * 1024);
  logic->WriteDisc();
  WaitForTheWrite();
  EXPECT_EQ(Messages(), std::vector<std::string>{"Write Complete!"});

  // A disc one block smaller than the image.
  const auto blocks = static_cast<long long>(size / 2048) - 1;
  logic.reset();
  prompter.shown.clear();
  std::filesystem::remove(image);
  LibburnEngine small;
  setenv("QUILLSTOW_DISC_DRIVES", (image.string() + "@" + std::to_string(blocks * 2048)).c_str(),
         1);
  handOver = {backup.filename().string(), backup.string()};
  DiscWindowLogic window(view, small, prompter, handOver, DiscWindowCommands{});
  ASSERT_TRUE(window.Start());
  prompter.shown.clear();
  window.WriteDisc();
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text.rfind("Free Space on the loaded disc is ", 0), 0u)
      << prompter.shown[0].text;
  EXPECT_TRUE(window.idle());
  EXPECT_FALSE(std::filesystem::exists(image));
}

TEST_F(StdioDiscTest, ASourceGoneBeforeTheWriteIsNamedAndNothingIsWritten) {
  Open(image.string());
  std::filesystem::remove(backup);
  prompter.shown.clear();
  logic->WriteDisc();
  ASSERT_EQ(prompter.shown.size(), 2u) << ::testing::PrintToString(Messages());
  EXPECT_EQ(prompter.shown[0].text,
            "Source File Error: (2)   The file does not exist in the "
            "filesystem\r\n'" +
                backup.string() + "'");
  EXPECT_EQ(prompter.shown[1].text, "Disc Write could not be started.");
  EXPECT_TRUE(logic->idle());
  EXPECT_FALSE(std::filesystem::exists(image) && std::filesystem::file_size(image) > 0);
}

TEST(FinishWriteTest, VerifiesOnlyWhatWasWrittenAndACancelDuringTheVerifyIsACancel) {
  struct Case {
    bool autoVerify, testWrite, cancelDuringVerify;
    bool verified;
    int lastStatus;
  };
  const Case cases[] = {
      {false, false, false, false, kStatusCompleted},
      {true, false, false, true, kStatusCompleted},
      {true, true, false, false, kStatusCompleted},  // a test write leaves nothing to compare
      {true, false, true, true, kStatusCancelled},
  };
  for (const auto& c : cases) {
    struct Statuses : DiscEvents {
      std::vector<int> seen;
      void WriteStatus(int, int status) override { seen.push_back(status); }
    } events;
    std::atomic<bool> abort{false};
    bool verified = false;
    WriteOptions options;
    options.autoVerify = c.autoVerify;
    options.testWrite = c.testWrite;
    FinishWrite(
        options,
        [&] {
          verified = true;
          if (c.cancelDuringVerify) abort = true;
        },
        events, abort);
    EXPECT_EQ(verified, c.verified) << c.autoVerify << c.testWrite << c.cancelDuringVerify;
    EXPECT_EQ(events.seen, std::vector<int>{c.lastStatus})
        << c.autoVerify << c.testWrite << c.cancelDuringVerify;
  }
}

TEST(StdioDrivesTest, ListsSplitOnColonsAndTakeAnOptionalCapacity) {
  const auto drives = ParseStdioDrives("/tmp/a.iso::/tmp/b.iso@700M:/tmp/c@x.iso:/dev/null@2K");
  ASSERT_EQ(drives.size(), 4u);
  EXPECT_EQ(drives[0].path, "/tmp/a.iso");
  EXPECT_FALSE(drives[0].capacity);
  EXPECT_EQ(drives[1].path, "/tmp/b.iso");
  EXPECT_EQ(drives[1].capacity, 700LL * 1024 * 1024);
  EXPECT_EQ(drives[2].path, "/tmp/c@x.iso");  // no size after the @: part of the name
  EXPECT_EQ(drives[3].capacity, 2048);
  EXPECT_TRUE(ParseStdioDrives("").empty());
}

}  // namespace
}  // namespace quill::disc
