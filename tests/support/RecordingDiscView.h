#pragma once
// The disc window's and the erase dialog's controls as plain state, for the logic tests.

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "disc/DiscWindowView.h"
#include "disc/EraseDialogLogic.h"

namespace quill::test {

class RecordingDiscView : public disc::DiscWindowView {
 public:
  struct Node {
    std::string parent, text, icon;
  };
  struct Row {
    std::string key, name, size, date;
  };

  std::map<std::string, Node> tree;
  std::vector<std::string> expanded;
  std::optional<std::string> selectedNode, selectedRow, editingNode, editingRow;
  std::vector<Row> rows;
  std::map<int, std::string> panels;
  std::vector<std::string> panel1History;
  std::string volumeIdentifier;
  std::vector<std::string> volumeTypes;
  int volumeType = -1;
  std::string volumeNote;
  std::vector<std::vector<disc::FileMenuEntry>> popups;
  std::vector<disc::ComboEntry> devices, speeds;
  int device = -1, speed = -1;
  std::map<disc::DiscCheck, bool> checks{{disc::DiscCheck::UseFileDates, true}};
  std::map<disc::DiscControl, bool> enabled;
  int progress = 0;
  bool busyCursor = false;
  bool closed = false;

  void ClearTree() override { tree.clear(); }
  void AddTreeNode(const std::string& parentKey, const std::string& key, const std::string& text,
                   const std::string& icon) override {
    tree[key] = {parentKey, text, icon};
  }
  void RemoveTreeNode(const std::string& key) override {
    for (auto it = tree.begin(); it != tree.end();)
      it = (it->first == key || it->first.rfind(key + "\\", 0) == 0) ? tree.erase(it) : ++it;
  }
  void RekeyTreeNode(const std::string& oldKey, const std::string& newKey) override {
    std::map<std::string, Node> moved;
    for (auto it = tree.begin(); it != tree.end();) {
      if (it->first == oldKey || it->first.rfind(oldKey + "\\", 0) == 0) {
        Node node = it->second;
        if (node.parent.rfind(oldKey, 0) == 0 && it->first != oldKey)
          node.parent = newKey + node.parent.substr(oldKey.size());
        moved[newKey + it->first.substr(oldKey.size())] = node;
        it = tree.erase(it);
      } else {
        ++it;
      }
    }
    tree.insert(moved.begin(), moved.end());
  }
  void SetTreeNodeText(const std::string& key, const std::string& text) override {
    if (tree.count(key)) tree[key].text = text;
  }
  bool HasTreeNode(const std::string& key) const override { return tree.count(key) > 0; }
  void ExpandTreeNode(const std::string& key) override { expanded.push_back(key); }
  std::optional<std::string> SelectedTreeKey() const override { return selectedNode; }
  void EditTreeNode(const std::string& key) override { editingNode = key; }
  void ClearList() override { rows.clear(); }
  void AddListRow(const std::string& key, const std::string& name, const std::string& size,
                  const std::string& date) override {
    rows.push_back({key, name, size, date});
  }
  std::optional<std::string> SelectedListKey() const override { return selectedRow; }
  void EditListRow(const std::string& key) override { editingRow = key; }
  void SetStatusPanel(int panel, const std::string& text) override {
    panels[panel] = text;
    if (panel == 1) panel1History.push_back(text);
  }
  void SetVolumeIdentifier(const std::string& text) override { volumeIdentifier = text; }
  std::string VolumeIdentifier() const override { return volumeIdentifier; }
  void SetVolumeTypes(const std::vector<std::string>& items, int selected) override {
    volumeTypes = items;
    volumeType = selected;
  }
  int SelectedVolumeType() const override { return volumeType; }
  void SetVolumeTypeNote(const std::string& text) override { volumeNote = text; }
  void PopupFileMenu(const std::vector<disc::FileMenuEntry>& visible) override {
    popups.push_back(visible);
  }
  void SetBusyCursor(bool busy) override { busyCursor = busy; }
  void Yield() override {}

  void SetDevices(const std::vector<disc::ComboEntry>& entries) override {
    devices = entries;
    device = -1;
  }
  int SelectedDevice() const override {
    return device < 0 ? -1 : devices.at(static_cast<std::size_t>(device)).data;
  }
  void SelectDevice(int index) override { device = index; }
  void SetSpeeds(const std::vector<disc::ComboEntry>& entries) override {
    speeds = entries;
    speed = -1;
  }
  int SelectedSpeed() const override {
    return speed < 0 ? 0 : speeds.at(static_cast<std::size_t>(speed)).data;
  }
  void SelectSpeed(int index) override { speed = index; }
  bool IsChecked(disc::DiscCheck box) const override {
    const auto it = checks.find(box);
    return it != checks.end() && it->second;
  }
  void SetChecked(disc::DiscCheck box, bool checked) override { checks[box] = checked; }
  void SetEnabled(disc::DiscControl control, bool on) override { enabled[control] = on; }
  void SetProgress(int percent) override { progress = percent; }
  void Close() override { closed = true; }
};

class RecordingEraseView : public disc::EraseDialogView {
 public:
  bool quick = true;
  std::string status;
  bool buttonsEnabled = false;
  int progress = 0;
  bool closed = false;

  bool QuickErase() const override { return quick; }
  void SetStatus(const std::string& text) override { status = text; }
  void SetButtonsEnabled(bool on) override { buttonsEnabled = on; }
  void SetProgress(int percent) override { progress = percent; }
  void Close() override { closed = true; }
};

}  // namespace quill::test
