#include "disc/EraseDialogLogic.h"

#include <gtest/gtest.h>

#include "support/FakeDiscEngine.h"
#include "support/RecordingDiscView.h"
#include "support/RecordingPrompter.h"
#include "support/TempDir.h"

namespace quill::disc {
namespace {

using test::FakeDiscDevice;

struct EraseCase {
  const char* what;
  MediaInfo media;
  std::set<int> capabilities;
  std::string message;  // empty: the erase starts
  std::vector<int> capabilityQueries;
};

TEST(EraseDialogTest, MediumAndFormatChecksRunInOrder) {
  const std::string unsupported =
      "Selected drive does not support re-writable discs of this format.";
  const EraseCase cases[] = {
      {"empty drive", {0, false, false}, {17, 19}, "No Media Loaded.", {}},
      {"write-once disc", {3, true, false}, {19}, "The current media is not re-writable.", {}},
      {"CD-RW in a drive with 19 only", {4, true, true}, {19}, "", {17, 19}},
      {"DVD-RW restricted overwrite", {9, true, true}, {17}, "", {17}},
      {"DVD-RW sequential", {2, true, true}, {22}, "", {17, 19, 22}},
      {"DVD+RW", {5, true, true}, {23}, "", {17, 19, 22, 23}},
      {"BD-RE", {15, true, true}, {17, 19, 22, 23, 27}, "", {17, 19, 22, 23, 27}},
      {"CD-RW, drive erases DVD only",
       {4, true, true},
       {17, 22, 23},
       unsupported,
       {17, 19, 22, 23, 27}},
      {"DVD-RAM, no pair",
       {8, true, true},
       {17, 19, 22, 23, 27},
       unsupported,
       {17, 19, 22, 23, 27}},
  };
  for (const auto& c : cases) {
    test::FakeDiscEngine engine;
    FakeDiscDevice device;
    device.media = c.media;
    device.capabilities = c.capabilities;
    test::RecordingEraseView view;
    test::RecordingPrompter prompter;
    EraseDialogLogic dialog(view, device, engine, prompter);
    dialog.PrepareToShow();
    dialog.EraseMedium();
    EXPECT_EQ(device.refreshes, std::vector<bool>{false}) << c.what;
    EXPECT_EQ(device.capabilityQueries, c.capabilityQueries) << c.what;
    if (c.message.empty()) {
      EXPECT_TRUE(prompter.shown.empty()) << c.what;
      EXPECT_EQ(device.erases, (std::vector<std::pair<bool, int>>{{true, 7}})) << c.what;
      EXPECT_FALSE(view.closed) << c.what;
      EXPECT_FALSE(view.buttonsEnabled) << c.what;
    } else {
      ASSERT_EQ(prompter.shown.size(), 1u) << c.what;
      EXPECT_EQ(prompter.shown[0].text, c.message) << c.what;
      EXPECT_TRUE(device.erases.empty()) << c.what;
      EXPECT_TRUE(view.closed) << c.what;
      EXPECT_TRUE(dialog.CanClose()) << c.what;
    }
  }
}

TEST(EraseDialogTest, ARunningEraseLocksTheDialogUntilItEnds) {
  test::FakeDiscEngine engine;
  FakeDiscDevice device;
  device.media = {4, true, true};
  device.capabilities = {19};
  test::RecordingEraseView view;
  view.quick = false;
  test::RecordingPrompter prompter;
  EraseDialogLogic dialog(view, device, engine, prompter);
  dialog.PrepareToShow();
  EXPECT_TRUE(view.buttonsEnabled);
  dialog.EraseMedium();
  EXPECT_EQ(device.erases, (std::vector<std::pair<bool, int>>{{false, 7}}));
  // Busy from the click on: a second click before the first status (the engine, busy,
  // would refuse it) neither asks again nor closes the dialog over the running erase.
  EXPECT_FALSE(view.buttonsEnabled);
  EXPECT_FALSE(dialog.CanClose());
  device.eraseStarts = false;
  dialog.EraseMedium();
  EXPECT_EQ(device.erases.size(), 1u);
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_FALSE(view.closed);

  engine.events().EraseStatus(kEraseStarted, 0);
  EXPECT_EQ(view.status, "Erasing Disc...Please Wait!!");
  EXPECT_FALSE(view.buttonsEnabled);
  EXPECT_FALSE(dialog.CanClose());
  dialog.CloseDialog();
  EXPECT_FALSE(view.closed);
  engine.events().EraseStatus(kEraseProgress, 40);
  EXPECT_EQ(view.progress, 40);

  engine.events().DeviceFault(DeviceError{3, "Medium error", "erase", "sense 3"});
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, "Device Error: (3)   Medium error\r\n(sense 3) erase");
  EXPECT_TRUE(dialog.CanClose());
  EXPECT_FALSE(view.closed);

  device.eraseStarts = true;
  engine.events().EraseStatus(kEraseStarted, 0);
  engine.events().EraseStatus(kEraseDone, 100);
  EXPECT_EQ(view.status, "Erase operation complete!!!");
  EXPECT_EQ(prompter.shown.back().text, "Erase Completed!!!");
  EXPECT_TRUE(view.closed);
  EXPECT_TRUE(dialog.CanClose());
}

TEST(EraseDialogTest, AnEraseThatFailsOrDoesNotStartClosesTheDialog) {
  test::FakeDiscEngine engine;
  FakeDiscDevice device;
  device.media = {5, true, true};
  device.capabilities = {23};
  device.eraseStarts = false;
  test::RecordingEraseView view;
  test::RecordingPrompter prompter;
  {
    EraseDialogLogic dialog(view, device, engine, prompter);
    dialog.EraseMedium();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Could not start Erase operation!!!");
    EXPECT_EQ(prompter.shown[0].icon, platform::MessageIcon::Error);
    EXPECT_TRUE(view.closed);
    EXPECT_TRUE(dialog.CanClose());
  }
  view.closed = false;
  device.eraseStarts = true;
  EraseDialogLogic dialog(view, device, engine, prompter);
  dialog.EraseMedium();
  engine.events().EraseStatus(kEraseStarted, 0);
  engine.events().EraseStatus(kEraseFailed, 0);
  EXPECT_EQ(view.status, "Error Erasing Disc!!!");
  EXPECT_TRUE(view.buttonsEnabled);
  EXPECT_TRUE(view.closed);
}

}  // namespace
}  // namespace quill::disc
