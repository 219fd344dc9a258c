// The disc window and the erase dialog, driven offscreen over the fake engine: what only the
// Qt windows do (names, captions, drops, the pop-up menus, the busy window that will not
// close); and the window opened by the main window, from the backup run and from the menu,
// again and again, and writing through a pseudo-drive. The behaviour behind the controls is
// the logic tests'.

#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <filesystem>

#include "app/gui/WindowedProgram.h"
#include "disc/gui/DiscWindow.h"
#include "disc/gui/EraseWindow.h"
#include "support/BackupSetup.h"
#include "support/FakeDiscEngine.h"
#include "support/QtTestRun.h"

namespace fs = std::filesystem;
using namespace quill::disc;

namespace {

// Runs check on the modal window the next step opens, then closes that window.
template <typename Window, typename Check>
void OnNextModal(Check check) {
  QTimer::singleShot(0, qApp, [check] {
    auto* window = dynamic_cast<Window*>(QApplication::activeModalWidget());
    if (window == nullptr) return OnNextModal<Window>(check);
    check(*window);
    window->close();
  });
}

void Drop(QWidget* target, QMimeData* data) {
  // As a drag does it: the enter first, then the drop.
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
}

QStringList RowNames(const DiscWindow& window) {
  QStringList names;
  for (int row = 0; row < window.lvwImageFiles->topLevelItemCount(); ++row)
    names << window.lvwImageFiles->topLevelItem(row)->text(0);
  return names;
}

}  // namespace

class DiscWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<quill::test::TempDir> dir;
  std::unique_ptr<quill::test::FakeDiscEngine> engine;
  std::unique_ptr<DiscWindow> window;
  std::unique_ptr<quill::test::RecordingPrompter> prompter;
  DiscHandOver handOver;
  std::unique_ptr<DiscWindowLogic> logic;

 private slots:
  void init() {
    dir = std::make_unique<quill::test::TempDir>();
    engine = std::make_unique<quill::test::FakeDiscEngine>();
    engine->AddDevice("FAKE DVD-RW").speeds = {5540};
    prompter = std::make_unique<quill::test::RecordingPrompter>();
    window = std::make_unique<DiscWindow>(*engine);
    logic = std::make_unique<DiscWindowLogic>(*window, *engine, *prompter, handOver,
                                              DiscWindowCommands{});
    QVERIFY(window->Attach(*logic));
    window->show();
  }
  void cleanup() {
    logic.reset();
    window.reset();
    engine.reset();
    dir.reset();
  }

  // What only the window has: object names, captions, tooltips, the boxes' first states,
  // and the setters' way to their controls. What the logic puts there is its test's.
  void controlsCarryTheirNamesCaptionsAndTips() {
    QCOMPARE(window->objectName(), QString("frmMaindvdwrite"));
    QCOMPARE(window->windowTitle(), QString("Backup Windows Live Mail Data to CD/DVD"));
    for (const char* name :
         {"tvwFolders", "lvwImageFiles", "txtVolIdentifier", "cboVolumeType", "cboDevices",
          "cboWriteSpeed", "cmdWriteDisc", "cmdCancel", "prgTotalProgress", "sbrStatus"})
      QVERIFY2(window->findChild<QWidget*>(name) != nullptr, name);
    const auto box = [&](const char* name) { return window->findChild<QCheckBox*>(name); };
    QCOMPARE(box("chkUseMode2XA")->text(), QString("Mode2XA (CD Only)"));
    QCOMPARE(box("chkCacheImage")->toolTip(),
             QString("Not needed for DVD formats...Use for CDR/W only."));
    QCOMPARE(box("chkFinalizeDisc")->toolTip(),
             QString("Not valid for DVD+RW and DVD-RAM formats."));
    QVERIFY(box("chkUseFileDates")->isChecked());
    QVERIFY(!box("chkAutoVerify")->isChecked());
    QCOMPARE(window->lvwImageFiles->headerItem()->text(2), QString("Date"));
    QCOMPARE(window->cboVolumeType->currentText(), QString("ISO9660/Joliet/UDF Bridge"));
    QCOMPARE(window->cboWriteSpeed->currentText(), QString("4.0x"));
    // Typing a name renames the root node; the box takes 32 characters at most.
    QTest::keyClicks(window->txtVolIdentifier, "!");
    QCOMPARE(window->tvwFolders->topLevelItem(0)->text(0),
             QString("Windows Live Mail Data Backup CD"));
    window->txtVolIdentifier->setText("Mail");
    QCOMPARE(window->tvwFolders->topLevelItem(0)->text(0), QString("Mail"));
  }

  void onlyDropsWithAFileListAddToTheImage() {
    quill::test::WriteFile(dir->path() / "Mail" / "a.eml", "a");
    quill::test::WriteFile(dir->path() / "b.wlm", "bb");
    auto* text = new QMimeData;
    text->setText(QString::fromStdString((dir->path() / "b.wlm").string()));
    Drop(window->lvwImageFiles->viewport(), text);
    delete text;
    QCOMPARE(engine->model().FileCount(), 0);

    auto* files = new QMimeData;
    files->setUrls({QUrl::fromLocalFile(QString::fromStdString((dir->path() / "Mail").string())),
                    QUrl::fromLocalFile(QString::fromStdString((dir->path() / "b.wlm").string()))});
    Drop(window->tvwFolders->viewport(), files);
    delete files;
    QCOMPARE(RowNames(*window), QStringList{"b.wlm"});
    QCOMPARE(window->tvwFolders->topLevelItem(0)->child(0)->text(0), QString("Mail"));
    // With QUILL_SCREENSHOTS set to a folder, the window is saved there as a picture.
    const QByteArray folder = qgetenv("QUILL_SCREENSHOTS");
    if (!folder.isEmpty()) window->grab().save(QString::fromUtf8(folder) + "/disc.png");
  }

  void popUpMenusShowTheirEntriesThenAllAgain() {
    QStringList shown;
    QTimer::singleShot(0, qApp, [&] {
      for (QAction* action : window->mnuFile->actions())
        if (action->isVisible() && !action->isSeparator()) shown << action->text();
      window->mnuFile->close();
    });
    logic->image().ListRightClicked();
    QCOMPARE(shown, (QStringList{"Clear All Items", "Remove File", "Rename File"}));
    for (QAction* action : window->mnuFile->actions()) QVERIFY(action->isVisible());
  }

  void aBusyWindowDisablesItsControlsAndRefusesToClose() {
    QTest::mouseClick(window->cmdWriteDisc, Qt::LeftButton);
    QList<QWidget*> off = {window->tvwFolders,    window->lvwImageFiles, window->txtVolIdentifier,
                           window->cboVolumeType, window->cboDevices,    window->cboWriteSpeed,
                           window->cmdWriteDisc};
    for (const auto& [check, box] : window->checks) off << box;
    for (QWidget* control : off) QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
    QVERIFY(!window->mnuFile->menuAction()->isEnabled());
    QVERIFY(!window->mnuDevice->menuAction()->isEnabled());
    QVERIFY(window->cmdCancel->isEnabled());
    window->close();
    QVERIFY(window->isVisible());
    engine->events().WriteStatus(0, kStatusError);
    QVERIFY(window->cmdWriteDisc->isEnabled());
    window->close();
    QVERIFY(!window->isVisible());
  }

  void theEraseDialogStartsReadyWithQuickErase() {
    quill::test::FakeDiscDevice device;
    EraseWindow erase;
    EraseDialogLogic dialog(erase, device, *engine, *prompter);
    erase.Attach(dialog);
    QCOMPARE(erase.objectName(), QString("frmErase"));
    QCOMPARE(erase.windowTitle(), QString("Erase Re-Writable CD/DVD"));
    QVERIFY(erase.chkQuikErase->isChecked());
    erase.show();
    engine->events().EraseStatus(kEraseStarted, 0);
    QVERIFY(!erase.cmdCancel->isEnabled());
    erase.close();
    QVERIFY(erase.isVisible());
  }
};

#ifndef _WIN32
// Writes through libburn's pseudo-drives, which the Windows build has not.
class DiscFromMainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void theBackupRunHandsOverItsFileAndTheMenuStartsEmpty() {
    quill::test::TempDir discs;
    const fs::path image = discs.path() / "disc.iso";
    qputenv("QUILLSTOW_DISC_SCAN", "0");
    qputenv("QUILLSTOW_DISC_DRIVES", image.c_str());
    quill::test::BackupSetup setup;
    setup.settings->SaveSettingValue(setup.settings->Path(), "General", "burndvd", "1");
    quill::app::WindowedProgram program(*setup.platform, &setup.prompter);
    auto& window = program.window();
    window.show();
    const std::string file = setup.Target("for-disc.wlm");
    setup.prompter.savePath = file;
    QTest::mouseClick(window.cmdTargetFile, Qt::LeftButton);
    window.backupitem.SetChecked(8, true);

    // After the backup the window opens with the new file; it is written, with auto-verify,
    // to the image file the pseudo-drive stands for.
    QStringList fromRun;
    bool wrote = false;
    OnNextModal<DiscWindow>([&](DiscWindow& disc) {
      fromRun = RowNames(disc);
      disc.checks[DiscCheck::AutoVerify]->setChecked(true);
      QTest::mouseClick(disc.cmdWriteDisc, Qt::LeftButton);
      QVERIFY(disc.cmdCancel->isEnabled());
      QTRY_VERIFY_WITH_TIMEOUT(disc.cmdWriteDisc->isEnabled(), 60000);
      wrote = true;
    });
    QTest::mouseClick(window.cmdApply, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window.Running(), 60000);
    QCOMPARE(fromRun, QStringList{"for-disc.wlm"});
    QVERIFY(wrote);
    QCOMPARE(setup.prompter.shown.back().text, std::string("Write and Verify Complete!"));
    QVERIFY(fs::file_size(image) > fs::file_size(file));

    int fromMenu = -1;
    OnNextModal<DiscWindow>([&](DiscWindow& disc) {
      fromMenu =
          disc.lvwImageFiles->topLevelItemCount() + disc.tvwFolders->topLevelItem(0)->childCount();
    });
    window.backupToCdAction->trigger();
    QCOMPARE(fromMenu, 0);
    qunsetenv("QUILLSTOW_DISC_DRIVES");
  }

  // Ctrl+D, again and again, with the optical drives scanned or not and with a pseudo-drive
  // or none; then a write through the pseudo-drive must still go through.
  void theWindowOpensAndClosesAgainAndAgainWithAndWithoutDrives() {
    quill::test::TempDir discs;
    const fs::path image = discs.path() / "disc.iso";
    quill::test::BackupSetup setup;
    quill::app::WindowedProgram program(*setup.platform, &setup.prompter);
    program.window().show();
    struct Case {
      const char* scan;  // QUILLSTOW_DISC_SCAN; nullptr: unset, the drives are scanned
      bool pseudoDrive;
    };
    const Case cases[] = {{nullptr, false}, {"0", false}, {nullptr, true}, {"0", true}};
    int opened = 0;
    for (int round = 0; round < 6; ++round) {
      for (const auto& c : cases) {
        c.scan != nullptr ? qputenv("QUILLSTOW_DISC_SCAN", c.scan)
                          : qunsetenv("QUILLSTOW_DISC_SCAN");
        c.pseudoDrive ? qputenv("QUILLSTOW_DISC_DRIVES", image.c_str())
                      : qunsetenv("QUILLSTOW_DISC_DRIVES");
        OnNextModal<DiscWindow>([&](DiscWindow& disc) {
          ++opened;
          if (c.pseudoDrive)
            QVERIFY(disc.cboDevices->findText(QString::fromStdString("stdio:" + image.string())) >=
                    0);
        });
        program.window().backupToCdAction->trigger();
      }
    }
    QCOMPARE(opened, 6 * 4);

    // Scanned once more, then written to the pseudo-drive.
    qunsetenv("QUILLSTOW_DISC_SCAN");
    qputenv("QUILLSTOW_DISC_DRIVES", image.c_str());
    quill::test::WriteFile(discs.path() / "a.wlm", std::string(100000, 'a'));
    setup.prompter.shown.clear();
    OnNextModal<DiscWindow>([&](DiscWindow& disc) {
      QMimeData files;
      files.setUrls(
          {QUrl::fromLocalFile(QString::fromStdString((discs.path() / "a.wlm").string()))});
      Drop(disc.lvwImageFiles->viewport(), &files);
      const int pseudo =
          disc.cboDevices->findText(QString::fromStdString("stdio:" + image.string()));
      disc.cboDevices->setCurrentIndex(pseudo);
      emit disc.cboDevices->activated(pseudo);
      QTest::mouseClick(disc.cmdWriteDisc, Qt::LeftButton);
      QTRY_VERIFY_WITH_TIMEOUT(disc.cmdWriteDisc->isEnabled(), 60000);
    });
    program.window().backupToCdAction->trigger();
    QVERIFY(!setup.prompter.shown.empty());
    QCOMPARE(setup.prompter.shown.back().text, std::string("Write Complete!"));
    qunsetenv("QUILLSTOW_DISC_SCAN");
    qunsetenv("QUILLSTOW_DISC_DRIVES");
  }
};
#endif

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  int failed = 0;
  {
    DiscWindowTest window;
    failed += quill::test::RunQtTests(window, argc, argv);
  }
#ifndef _WIN32
  {
    DiscFromMainWindowTest main;
    failed += quill::test::RunQtTests(main, argc, argv);
  }
#endif
  return failed;
}
#include "DiscWindowQtTest.moc"
