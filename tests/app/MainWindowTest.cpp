// The real window, driven offscreen: tabs, shortcuts, the pop-up menus, the password rules,
// a backup and a restore through the window with their messages answered by the test.

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <map>

#include "app/gui/WindowedProgram.h"
#include "automation/gui/SettingsWindow.h"
#include "automation/gui/TaskSchedulerWindow.h"
#include "support/BackupSetup.h"
#include "support/QtTestRun.h"

namespace fs = std::filesystem;
using quill::app::Page;

using quill::test::Tree;

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<quill::test::BackupSetup> setup;
  std::unique_ptr<quill::app::WindowedProgram> program;
  quill::app::MainWindow& window() { return program->window(); }

  // With QUILL_SCREENSHOTS set to a folder, each page is saved there as a picture.
  void Shoot(const char* name) {
    const QByteArray folder = qgetenv("QUILL_SCREENSHOTS");
    if (folder.isEmpty()) return;
    QDir().mkpath(QString::fromUtf8(folder));
    window().grab().save(QString::fromUtf8(folder) + "/" + name + ".png");
  }

 private slots:
  void init() {
    setup = std::make_unique<quill::test::BackupSetup>();
    program = std::make_unique<quill::app::WindowedProgram>(*setup->platform, &setup->prompter);
    window().show();
  }
  void cleanup() {
    program.reset();
    setup.reset();
  }

  void pagesSetTheActionButton() {
    QCOMPARE(window().windowTitle(), QString("Orlo Windows Live Mail Backup V3.00"));
    QCOMPARE(window().cmdApply->text(), QString("Backup Now"));
    Shoot("backup");
    const std::vector<std::pair<int, QString>> pages = {
        {1, "Restore Now"}, {2, "Show Log File"}, {3, "Help"}, {0, "Backup Now"}};
    for (const auto& [page, caption] : pages) {
      window().SSTab1->setCurrentIndex(page);
      QCOMPARE(window().cmdApply->text(), caption);
      if (page == 1) Shoot("restore");
      if (page == 3) Shoot("about");
    }
    QCOMPARE(window().cbSource->currentText(), QString::fromStdString(setup->user()));
    QCOMPARE(window().cbTarget->currentText(), QString::fromStdString(setup->user()));
  }

  void menusCarryTheirShortcuts() {
    QCOMPARE(window().backupAction->shortcut(), QKeySequence("Ctrl+B"));
    QCOMPARE(window().restoreAction->shortcut(), QKeySequence("Ctrl+R"));
    QCOMPARE(window().quitAction->shortcut(), QKeySequence("Ctrl+Q"));
    QCOMPARE(window().taskSchedulerAction->shortcut(), QKeySequence("Ctrl+T"));
    QCOMPARE(window().settingsAction->shortcut(), QKeySequence("Ctrl+S"));
    QCOMPARE(window().backupToCdAction->shortcut(), QKeySequence("Ctrl+D"));
    QCOMPARE(window().helpAction->shortcut(), QKeySequence(Qt::Key_F1));
    QCOMPARE(window().aboutAction->shortcut(), QKeySequence("Ctrl+A"));
    // Ctrl+B, with no file chosen: the backup run's first check answers.
    window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window()));
    QTest::keyClick(&window(), Qt::Key_B, Qt::ControlModifier);
    QTRY_VERIFY(!window().Running());
    QCOMPARE(setup->prompter.shown.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(setup->prompter.shown[0].text),
             QString("Invalid backup file name."));
  }

  void popUpMenusSelectWhatIsEnabled() {
    window().backupitem.SetEnabled(2, false);
    emit window().Frame1->customContextMenuRequested(QPoint(5, 5));
    QTRY_VERIFY(window().selectitem->isVisible());
    window().selectitem->actions()[0]->trigger();
    window().selectitem->hide();
    for (std::size_t i = 0; i < 11; ++i) QCOMPARE(window().backupitem.Checked(i), i != 2);
    window().selectitem->actions()[1]->trigger();
    for (std::size_t i = 0; i < 11; ++i) QVERIFY(!window().backupitem.Checked(i));
  }

  void thePasswordBoxesFollowTheProtectBox() {
    QVERIFY(!window().txtPassword->isEnabled());
    window().ifprotect->setChecked(true);
    QVERIFY(window().txtPassword->isEnabled());
    QTest::keyClicks(window().txtPassword, "secret");
    QCOMPARE(window().txtPassword->echoMode(), QLineEdit::Password);
    window().ifprotect->setChecked(false);
    QVERIFY(!window().txtPassword2->isEnabled());
    QVERIFY(window().txtPassword->text().isEmpty());
  }

  void aBackupAndARestoreThroughTheWindow() {
    const std::string file = setup->Target("window.wlm");
    window().txtTargetFile->setText(QString::fromStdString(file));
    program->logic();  // the target is chosen through the dialog:
    setup->prompter.savePath = file;
    QTest::mouseClick(window().cmdTargetFile, Qt::LeftButton);
    window().backupitem.SetChecked(8, true);
    window().ifprotect->setChecked(true);
    window().txtPassword->setText("pw");
    window().txtPassword2->setText("pw");
    QTest::mouseClick(window().cmdApply, Qt::LeftButton);
    // The run works on its own thread; the window is locked meanwhile.
    QVERIFY(window().Running());
    QVERIFY(!window().cmdApply->isEnabled());
    QTRY_VERIFY(!window().Running());
    QVERIFY(window().cmdApply->isEnabled());
    QCOMPARE(setup->prompter.shown.size(), std::size_t{1});
    QVERIFY(setup->prompter.shown[0].text.rfind("The Backup was Completed!", 0) == 0);
    QVERIFY(fs::exists(file));

    setup->prompter.shown.clear();
    setup->prompter.openPath = file;
    setup->prompter.password = "pw";
    window().SSTab1->setCurrentIndex(1);
    QTest::mouseClick(window().cmdSourceFile, Qt::LeftButton);
    QCOMPARE(window().txtSourceFile->text(), QString::fromStdString(file));
    QVERIFY(window().restoreitem.Enabled(8));
    QVERIFY(!window().restoreitem.Enabled(0));
    const std::string info = "Computer:" + setup->platform->system().ComputerName() +
                             "\nUser:" + setup->user() + "\nDate:";
    QVERIFY(window().txtPOBinfo->toPlainText().startsWith(QString::fromStdString(info)));
    window().restoreitem.SetChecked(8, true);
    setup->prompter.reply = quill::platform::MessageAnswer::Ok;
    QTest::mouseClick(window().cmdApply, Qt::LeftButton);
    QTRY_VERIFY(!window().Running());
    QCOMPARE(setup->prompter.shown.size(), std::size_t{2});
    QVERIFY(setup->prompter.shown[0].text.rfind("Your current Email and News messages", 0) == 0);
    QVERIFY(setup->prompter.shown[1].text.rfind("The Restore was Completed!", 0) == 0);
    QVERIFY(!window().picCon3->isVisible());

    window().SSTab1->setCurrentIndex(2);
    QVERIFY(window().List1->count() > 0);
    QVERIFY(window().List1->item(window().List1->count() - 1)->text().contains("was Completed!"));
    Shoot("logs");
  }

  void aRunningRunTakesNoSecondRunAndNoClose() {
    window().SetBusy(true);
    QVERIFY(!window().cmdApply->isEnabled());
    QVERIFY(!window().backupAction->isEnabled());
    QVERIFY(!window().backupToCdAction->isEnabled());
    window().close();
    QVERIFY(window().isVisible());
    window().SetBusy(false);
    QVERIFY(window().cmdApply->isEnabled());
    QVERIFY(window().backupAction->isEnabled());
  }

  // A new sample of the given size of mail, and the window over it.
  void Remake(std::uint64_t messageBytes) {
    program.reset();
    setup.reset();  // on Windows the registry holds one sample profile at a time
    setup = std::make_unique<quill::test::BackupSetup>(messageBytes, 5);
    program = std::make_unique<quill::app::WindowedProgram>(*setup->platform, &setup->prompter);
    window().show();
  }

  void progressMovesWithTheMailAndTheWindowKeepsItsSize() {
    Remake(100'000'000);
    // The size the user gave the window stays through a run, whatever the labels show.
    window().resize(window().width() + 40, window().height() + 30);
    const QSize size = window().size();
    // The labels name the mail's files by paths far wider than the window.
    window().txtTargetFile->setText(QString::fromStdString(setup->Target("window.wlm")));
    window().backupitem.SetChecked(0, true);
    const QString mail = "Copying Email Mail Accounts & Messages/News Accounts & Messages...";
    std::vector<int> rises;
    QSize during;
    // The bar's values from the mail item's start until it has its share (30).
    connect(window().pbshow, &QProgressBar::valueChanged, this, [&](int value) {
      if (window().Label1->text() == mail && (rises.empty() || rises.back() < 30))
        rises.push_back(value);
      if (during.isEmpty() && value > 10) during = window().size();
    });
    QTest::mouseClick(window().cmdApply, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window().Running(), 300000);
    disconnect(window().pbshow, nullptr, this, nullptr);
    const std::string& said = setup->prompter.shown.back().text;
    QVERIFY2(said.rfind("The Backup was Completed!", 0) == 0, said.c_str());
    QVERIFY(std::is_sorted(rises.begin(), rises.end()));
    QCOMPARE(rises.back(), 30);
    const auto within =
        std::count_if(rises.begin(), rises.end(), [](int v) { return v > 10 && v < 30; });
    qInfo("the bar rose %d times within the mail item", static_cast<int>(within));
    QVERIFY2(within >= 10, std::to_string(within).c_str());
    QCOMPARE(during, size);
    QCOMPARE(window().size(), size);
  }

  void cancelEndsABackupWithoutAFileAndKeepsTheEarlierOne() {
    Remake(10'000'000);
    const std::string file = setup->Target("window.wlm");
    quill::test::WriteFile(file, "earlier");
    window().txtTargetFile->setText(QString::fromStdString(file));
    window().backupitem.SetChecked(0, true);
    window().backupitem.SetChecked(5, true);
    setup->prompter.reply = quill::platform::MessageAnswer::Yes;  // replace the earlier file
    // Cancel once the mail's folders are being packed.
    connect(window().pbshow, &QProgressBar::valueChanged, this, [this](int value) {
      if (value > 10 && window().cmdCancel->isEnabled())
        QTest::mouseClick(window().cmdCancel, Qt::LeftButton);
    });
    QTest::mouseClick(window().cmdApply, Qt::LeftButton);
    QVERIFY(window().cmdCancel->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!window().Running(), 120000);
    disconnect(window().pbshow, nullptr, this, nullptr);
    QVERIFY(!window().cmdCancel->isEnabled());
    QCOMPARE(QString::fromStdString(setup->prompter.shown.back().text),
             QString::fromStdString("The Backup was cancelled: no backup file was written.\r\n"
                                    "The earlier file " +
                                    file + " is as it was."));
    QCOMPARE(quill::test::ReadFile(file), std::string("earlier"));
    QVERIFY(!fs::exists(file + ".partial"));
    QVERIFY(!fs::exists(file + ".parts"));
    QVERIFY(quill::test::ReadFile(setup->logFile()).find("Data was not saved: cancelled") !=
            std::string::npos);
  }

  void cancelStopsARestoreBetweenFolders() {
    Remake(10'000'000);
    const std::string file = setup->Target("window.wlm");
    quill::core::ItemSet items{};
    items[0] = items[5] = true;
    QVERIFY(setup->engine().Run({items, file, "", "", setup->user(), false}, {}).written);
    // The profile changes after the backup: each account folder gains a message.
    const std::vector<std::string> folders = {"anna@example.com", "Hotmail (bob)",
                                              "news.example.org", "Storage Folders"};
    std::map<std::string, std::map<std::string, std::string>> oldTrees, newTrees;
    for (const std::string& folder : folders) {
      newTrees[folder] = Tree(setup->mailStore() / folder);
      quill::test::WriteFile(setup->mailStore() / folder / "later.eml", "later");
      oldTrees[folder] = Tree(setup->mailStore() / folder);
    }
    setup->prompter.openPath = file;
    window().SSTab1->setCurrentIndex(1);
    QTest::mouseClick(window().cmdSourceFile, Qt::LeftButton);
    window().restoreitem.SetChecked(0, true);
    window().restoreitem.SetChecked(5, true);
    // The window is closed once the mail's folders are being unpacked: that cancels the run,
    // and the program ends when it has.
    connect(window().pbshow, &QProgressBar::valueChanged, this, [this](int value) {
      if (value > 5 && window().cmdCancel->isEnabled()) window().close();
    });
    QTest::mouseClick(window().cmdApply, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window().Running(), 120000);
    disconnect(window().pbshow, nullptr, this, nullptr);
    const std::string& said = setup->prompter.shown.back().text;
    QVERIFY2(said.rfind("The Restore was cancelled", 0) == 0, said.c_str());
    QTRY_VERIFY(!window().isVisible());
    for (const std::string& folder : folders) {
      const auto now = Tree(setup->mailStore() / folder);
      QVERIFY2(now == oldTrees[folder] || now == newTrees[folder], folder.c_str());
    }
    const std::string log = quill::test::ReadFile(setup->logFile());
    QVERIFY(log.find("Restore Data to User Profile " + setup->user() + " was cancelled\r\r\n") !=
            std::string::npos);
    QVERIFY(log.find("Restore Contacts") == std::string::npos);
  }

  void quitClosesTheWindow() {
    QTest::mouseClick(window().cmdQuit, Qt::LeftButton);
    QVERIFY(!window().isVisible());
  }
};

// The two dialogs of the Option menu, driven through their controls.
class OptionDialogsTest : public QObject {
  Q_OBJECT

  struct Scheduler : quill::automation::TaskScheduler {
    std::vector<std::string> calls;
    std::string commandLine;
    quill::automation::TaskResult EndTask() override {
      calls.push_back("end");
      return {};
    }
    quill::automation::TaskResult DeleteTask() override {
      calls.push_back("delete");
      return {};
    }
    quill::automation::TaskResult CreateTask(const quill::automation::WeeklyTask& task) override {
      calls.push_back("create");
      commandLine = task.commandLine + " " + task.days + " " + task.startTime;
      return {};
    }
  };
  struct AutoStart : quill::automation::AutoStart {
    std::vector<std::string> calls;
    void Enable() override { calls.push_back("enable"); }
    void Disable() override { calls.push_back("disable"); }
  };

 private slots:
  void theTaskSchedulerChecksThenSchedules() {
    quill::test::BackupSetup setup;
    Scheduler scheduler;
    quill::automation::TaskSchedulerWindow window;
    quill::automation::TaskSchedulerDialog dialog(window, scheduler, setup.prompter,
                                                  setup.session(), "/opt/q/quillstow", "/opt/q");
    window.Attach(dialog);
    window.show();
    QCOMPARE(window.cmbStartTime->currentText(), QString("9:00"));
    QCOMPARE(window.cmbStartTime->count(), 48);
    QTest::mouseClick(window.Command3, Qt::LeftButton);
    QCOMPARE(QString::fromStdString(setup.prompter.shown.back().text),
             QString("Please select at least one item."));
    window.backupitem[5]->setChecked(true);
    window.chkDaily->setChecked(true);
    window.days[2]->setChecked(false);
    window.cmbStartTime->setCurrentText("21:30");
    QTest::mouseClick(window.Command3, Qt::LeftButton);
    QCOMPARE(scheduler.calls, (std::vector<std::string>{"end", "delete", "create"}));
    const std::string target = (setup.app() / ("livemailbak-" + setup.user() + ".wlm")).string();
    QCOMPARE(QString::fromStdString(scheduler.commandLine),
             QString::fromStdString("sf=" + setup.user() + "xm=00000100000ps=bf=" + target +
                                    " Mon,Tue,Thu,Fri,Sat,Sun 21:30:00"));
    QVERIFY(!window.isVisible());
  }

  void theSettingsDialogWritesOnOkOnly() {
    quill::test::BackupSetup setup;
    AutoStart autoStart;
    quill::automation::SettingsWindow window;
    quill::automation::SettingsDialog dialog(window, *setup.settings, autoStart, setup.prompter,
                                             setup.app().string());
    window.Attach(dialog);
    window.show();
    QCOMPARE(window.SSTab1->count(), 3);
    QCOMPARE(window.SSTab1->tabText(2), QString(" Scheduled Backup"));
    QVERIFY(window.Option1->isChecked());
    window.boxes[0]->setChecked(true);
    QTest::mouseClick(window.Command3, Qt::LeftButton);
    QVERIFY(!fs::exists(setup.settings->Path()));
    window.show();
    window.Option2->setChecked(true);
    QTest::mouseClick(window.Command2, Qt::LeftButton);
    QCOMPARE(
        setup.settings->GetSettingValue(setup.settings->Path(), "autobackup", "autobackupfile"),
        std::string("1"));
    QCOMPARE(autoStart.calls, std::vector<std::string>{"enable"});
  }
};

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  int failed = 0;
  {
    MainWindowTest window;
    failed += quill::test::RunQtTests(window, argc, argv);
  }
  {
    OptionDialogsTest dialogs;
    failed += quill::test::RunQtTests(dialogs, argc, argv);
  }
  return failed;
}
#include "MainWindowTest.moc"
