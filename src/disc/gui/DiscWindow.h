#pragma once
// frmMaindvdwrite: the disc window's controls. The logic classes decide; this class shows,
// forwards clicks, drops and label edits, and polls the engine on a timer.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <array>
#include <map>

#include "disc/DiscWindowLogic.h"

namespace quill::disc {

class DiscWindow : public QDialog, public DiscWindowView {
 public:
  DiscWindow(DiscEngine& engine, QWidget* parent = nullptr);
  ~DiscWindow() override;
  // Connects the controls and runs the window's start; false when the program must end.
  bool Attach(DiscWindowLogic& logic);

  // ImageView
  void ClearTree() override;
  void AddTreeNode(const std::string& parentKey, const std::string& key, const std::string& text,
                   const std::string& icon) override;
  void RemoveTreeNode(const std::string& key) override;
  void RekeyTreeNode(const std::string& oldKey, const std::string& newKey) override;
  void SetTreeNodeText(const std::string& key, const std::string& text) override;
  bool HasTreeNode(const std::string& key) const override;
  void ExpandTreeNode(const std::string& key) override;
  std::optional<std::string> SelectedTreeKey() const override;
  void EditTreeNode(const std::string& key) override;
  void ClearList() override;
  void AddListRow(const std::string& key, const std::string& name, const std::string& size,
                  const std::string& date) override;
  std::optional<std::string> SelectedListKey() const override;
  void EditListRow(const std::string& key) override;
  void SetStatusPanel(int panel, const std::string& text) override;
  void SetVolumeIdentifier(const std::string& text) override;
  std::string VolumeIdentifier() const override;
  void SetVolumeTypes(const std::vector<std::string>& items, int selected) override;
  int SelectedVolumeType() const override;
  void SetVolumeTypeNote(const std::string& text) override;
  void PopupFileMenu(const std::vector<FileMenuEntry>& visible) override;
  void SetBusyCursor(bool busy) override;
  void Yield() override;
  // DiscWindowView
  void SetDevices(const std::vector<ComboEntry>& entries) override;
  int SelectedDevice() const override;
  void SelectDevice(int index) override;
  void SetSpeeds(const std::vector<ComboEntry>& entries) override;
  int SelectedSpeed() const override;
  void SelectSpeed(int index) override;
  bool IsChecked(DiscCheck box) const override;
  void SetChecked(DiscCheck box, bool checked) override;
  void SetEnabled(DiscControl control, bool enabled) override;
  void SetProgress(int percent) override;
  void Close() override;

  QTreeWidget* tvwFolders = nullptr;
  QTreeWidget* lvwImageFiles = nullptr;
  QLabel* lblImageFileTitle = nullptr;
  QLineEdit* txtVolIdentifier = nullptr;
  QComboBox* cboVolumeType = nullptr;
  QLabel* lblVolumeTypeNote = nullptr;
  QComboBox* cboDevices = nullptr;
  QComboBox* cboWriteSpeed = nullptr;
  std::map<DiscCheck, QCheckBox*> checks;
  QPushButton* cmdWriteDisc = nullptr;
  QPushButton* cmdCancel = nullptr;
  QProgressBar* prgTotalProgress = nullptr;
  QStatusBar* sbrStatus = nullptr;
  std::array<QLabel*, 3> panels{};
  QMenu* mnuFile = nullptr;
  QMenu* mnuDevice = nullptr;
  std::map<FileMenuEntry, QAction*> fileActions;
  QAction* mnuDeviceEject = nullptr;
  QAction* mnuDeviceCloseTray = nullptr;
  QAction* mnuDeviceEraseDisc = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  void Connect();
  QTreeWidgetItem* TreeItem(const std::string& key) const;
  void ShowSelectedIcons();

  DiscEngine& engine_;
  DiscWindowLogic* logic_ = nullptr;
  QTimer poll_;
  std::map<std::string, QTreeWidgetItem*> nodes_;
  std::string editingNode_;
  std::string editingRow_;
  bool busyCursor_ = false;
};

}  // namespace quill::disc
