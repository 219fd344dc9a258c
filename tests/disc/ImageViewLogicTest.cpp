#include "disc/ImageViewLogic.h"

#include <gtest/gtest.h>

#include "disc/DiscFormats.h"
#include "support/FakeDiscEngine.h"
#include "support/RecordingDiscView.h"
#include "support/RecordingPrompter.h"
#include "support/TempDir.h"

namespace quill::disc {
namespace {

using test::RecordingPrompter;

class ImageViewTest : public ::testing::Test {
 protected:
  ImageViewTest() : image(view, engine, prompter) {
    image.ResetImageView();
    // C:\Data\Mail with a message, a subfolder and a store file.
    mail = dir.path() / "Data" / "Mail";
    test::WriteFile(mail / "Inbox" / "one.eml", "Subject: one\r\n");
    test::WriteFile(mail / "Inbox" / "two.eml", "Subject: two\r\n");
    test::WriteFile(mail / "store.edb", std::string(3000, 's'));
  }

  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& shown : prompter.shown) texts.push_back(shown.text);
    return texts;
  }

  std::vector<std::string> RowKeys() const {
    std::vector<std::string> keys;
    for (const auto& row : view.rows) keys.push_back(row.key);
    return keys;
  }

  test::TempDir dir;
  std::filesystem::path mail;
  test::FakeDiscEngine engine;
  test::RecordingDiscView view;
  RecordingPrompter prompter;
  ImageViewLogic image;
};

TEST_F(ImageViewTest, ADroppedFolderGoesUnderTheSelectedFolderOrTheRoot) {
  image.DropFiles({mail.string()});
  EXPECT_EQ(view.tree.at("\\Mail").parent, "\\");
  EXPECT_EQ(view.tree.at("\\Mail\\Inbox").parent, "\\Mail");
  EXPECT_EQ(view.tree.at("\\Mail\\Inbox").icon, "CLOSEDFOLDER");
  EXPECT_EQ(engine.model().FileCount(), 3);
  EXPECT_EQ(engine.model().FolderCount(), 2);
  EXPECT_EQ(view.panels[2], "Files: 3");
  EXPECT_EQ(view.panels[3], "Folders: 2");
  // Nothing selected: the root is shown and expanded.
  EXPECT_EQ(view.expanded.back(), "\\");
  EXPECT_TRUE(view.rows.empty());

  std::filesystem::create_directories(dir.path() / "Backups");
  image.DropFiles({(dir.path() / "Backups").string()});
  EXPECT_EQ(view.tree.at("\\Backups").parent, "\\");
  view.selectedNode = "\\Backups";
  image.DropFiles({mail.string(), (mail / "store.edb").string()});
  EXPECT_TRUE(view.HasTreeNode("\\Backups\\Mail\\Inbox"));
  EXPECT_EQ(RowKeys(), std::vector<std::string>{"\\Backups\\store.edb"});
  EXPECT_EQ(view.expanded.back(), "\\Backups");
  EXPECT_EQ(engine.model().FileCount(), 7);
}

TEST_F(ImageViewTest, ListShowsFilesOfTheClickedFolderWithSizeAndDate) {
  image.DropFiles({mail.string()});
  image.TreeNodeClicked("\\Mail");
  ASSERT_EQ(RowKeys(), std::vector<std::string>{"\\Mail\\store.edb"});
  EXPECT_EQ(view.rows[0].name, "store.edb");
  EXPECT_EQ(view.rows[0].size, "3.00 KB");
  const std::int64_t written = engine.model().Root().children[0]->children[1]->item.Date;
  EXPECT_EQ(view.rows[0].date, FormatFileDate(written));
  image.TreeNodeClicked("\\Mail\\Inbox");
  EXPECT_EQ(RowKeys(),
            (std::vector<std::string>{"\\Mail\\Inbox\\one.eml", "\\Mail\\Inbox\\two.eml"}));
}

TEST_F(ImageViewTest, RenamesAndRemovalsKeepTreeAndImageInStep) {
  image.DropFiles({mail.string()});
  view.selectedNode = "\\Mail";
  image.StartFolderRename();
  EXPECT_EQ(view.editingNode, "\\Mail");
  image.FinishFolderRename("\\Mail", "Post");
  EXPECT_FALSE(view.HasTreeNode("\\Mail"));
  EXPECT_EQ(view.tree.at("\\Post").text, "Post");
  // The folder below moves with it, so a click there still lists its files.
  EXPECT_EQ(view.tree.at("\\Post\\Inbox").parent, "\\Post");
  view.selectedNode = "\\Post\\Inbox";
  image.TreeNodeClicked("\\Post\\Inbox");
  EXPECT_EQ(view.rows.size(), 2u);

  view.selectedRow = "\\Post\\Inbox\\one.eml";
  image.FinishFileRename("\\Post\\Inbox\\one.eml", "TWO.EML");  // taken, ignoring case
  image.RemoveFile();
  view.selectedNode = "\\Post";
  image.FinishFolderRename("\\Post", "bad\\name");
  image.RemoveFolder();
  EXPECT_EQ(Messages(), (std::vector<std::string>{"File could not be renamed.",
                                                  "Folder could not be renamed."}));
  EXPECT_FALSE(view.HasTreeNode("\\Post"));
  EXPECT_FALSE(view.HasTreeNode("\\Post\\Inbox"));
  EXPECT_EQ(engine.model().FileCount(), 0);

  prompter.shown.clear();
  view.selectedNode.reset();
  view.selectedRow.reset();
  image.RemoveFolder();
  image.StartFolderRename();
  image.RemoveFile();
  image.StartFileRename();
  EXPECT_EQ(Messages(), std::vector<std::string>(4, "No Item Selected."));
  view.selectedNode = "\\Gone";
  prompter.shown.clear();
  image.RemoveFolder();
  EXPECT_EQ(Messages(), std::vector<std::string>{"Item could not be removed."});
}

TEST_F(ImageViewTest, TheRootIsRenamedOnlyThroughTheVolumeIdentifier) {
  view.selectedNode = "\\";
  image.StartFolderRename();
  EXPECT_FALSE(image.MayRenameFolder("\\"));
  EXPECT_EQ(Messages(), std::vector<std::string>{"Root directory can not be renamed."});
  EXPECT_TRUE(image.MayRenameFolder("\\Mail"));
  view.volumeIdentifier = "Mail 2026";
  image.VolumeIdentifierChanged();
  EXPECT_EQ(view.tree.at("\\").text, "Mail 2026");
  EXPECT_EQ(engine.Volume().identifier, "New Disc");  // taken only when a write starts
}

TEST_F(ImageViewTest, ClearAllItemsLeavesOnlyANewDisc) {
  image.DropFiles({mail.string()});
  view.volumeIdentifier = "Mine";
  image.ClearImage();
  EXPECT_EQ(view.tree.size(), 1u);
  EXPECT_EQ(view.tree.at("\\").text, "New Disc");
  EXPECT_TRUE(view.rows.empty());
  EXPECT_EQ(view.panels[2], "Files: 0");
  EXPECT_EQ(view.volumeIdentifier, "New Disc");
}

TEST_F(ImageViewTest, AFileAlreadyThereIsReplacedOnlyWhenTheUserSaysSo) {
  const auto other = dir.path() / "other" / "store.edb";
  test::WriteFile(other, "new");
  image.DropFiles({(mail / "store.edb").string()});
  prompter.reply = platform::MessageAnswer::Cancel;
  image.DropFiles({other.string()});
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text,
            "A file already exists in the image: \r\n\\store.edb\r\n"
            "Would you like to replace it with: \r\n" +
                other.string() + " ?");
  EXPECT_EQ(prompter.shown[0].caption, "Replace file...");
  EXPECT_EQ(prompter.shown[0].buttons, platform::MessageButtons::OkCancel);
  EXPECT_EQ(engine.model().Root().children[0]->item.SourcePath, (mail / "store.edb").string());
  prompter.reply = platform::MessageAnswer::Ok;
  image.DropFiles({other.string()});
  EXPECT_EQ(engine.model().Root().children[0]->item.SourcePath, other.string());
  EXPECT_EQ(engine.model().FileCount(), 1);
}

TEST_F(ImageViewTest, PopupsShowOnlyTheirThreeEntries) {
  image.TreeRightClicked();
  image.ListRightClicked();
  ASSERT_EQ(view.popups.size(), 2u);
  EXPECT_EQ(view.popups[0],
            (std::vector<FileMenuEntry>{FileMenuEntry::ClearAll, FileMenuEntry::RemoveFolder,
                                        FileMenuEntry::RenameFolder}));
  EXPECT_EQ(view.popups[1],
            (std::vector<FileMenuEntry>{FileMenuEntry::ClearAll, FileMenuEntry::RemoveFile,
                                        FileMenuEntry::RenameFile}));
}

TEST(DiscFormatsTest, NumbersAreShownTheWayTheWindowShowsThem) {
  EXPECT_EQ(FormatMegabytes(1572864), "1.50 MB");
  EXPECT_EQ(FormatMegabytes(0), "0.00 MB");
  EXPECT_EQ(FormatMegabytes(5e12), "4768371.58 MB");
  EXPECT_EQ(FormatKilobytes(1234567), "1,234.57 KB");
  EXPECT_EQ(FormatKilobytes(999), "1.00 KB");
  EXPECT_EQ(FormatKilobytes(0), "0.00 KB");
  EXPECT_EQ(FormatKilobytes(4294967296.0 * 2), "8,589,934.59 KB");
  EXPECT_EQ(FormatSpeed(8), "8.0x");
  EXPECT_EQ(FormatSpeed(0.5), ".5x");
  EXPECT_EQ(FormatSpeed(16.04), "16.0x");
  EXPECT_EQ(VerifyPercent(1, 8), 12);  // 12.5, halves to even
  EXPECT_EQ(VerifyPercent(3, 8), 38);  // 37.5
  EXPECT_EQ(VerifyPercent(1, 3), 33);
  EXPECT_EQ(VerifyPercent(5, 0), 0);
  const std::string date = FormatFileDate(0);
  ASSERT_EQ(date.size(), 22u);
  EXPECT_EQ(date[2], '/');
  EXPECT_TRUE(date.ends_with(" AM") || date.ends_with(" PM"));
}

TEST(ImageModelTest, NamesAndPathsAreCheckedBeforeAnythingChanges) {
  test::TempDir dir;
  test::WriteFile(dir.path() / "a.txt", "a");
  test::FakeDiscEngine engine;
  auto& model = engine.model();
  EXPECT_FALSE(model.AddFile((dir.path() / "missing").string(), "\\missing"));
  EXPECT_FALSE(model.AddFile((dir.path() / "a.txt").string(), "no-leading-backslash"));
  EXPECT_FALSE(model.AddFile((dir.path() / "a.txt").string(), "\\..\\a.txt"));
  EXPECT_FALSE(model.AddFile(dir.text(), "\\folder-as-file"));
  EXPECT_TRUE(model.AddFile((dir.path() / "a.txt").string(), "\\x\\y\\a.txt"));
  EXPECT_FALSE(model.AddFile((dir.path() / "a.txt").string(), "\\x\\y"));  // a folder's name
  EXPECT_FALSE(model.Remove("\\"));
  EXPECT_FALSE(model.RenameFolder("\\", "root"));
  EXPECT_FALSE(model.RenameFolder("\\x\\y\\a.txt", "b"));  // a file is no folder
  EXPECT_EQ(model.FileCount(), 1);
  EXPECT_EQ(model.FolderCount(), 2);
  EXPECT_DOUBLE_EQ(model.FileBytes(), 1);
}

}  // namespace
}  // namespace quill::disc
