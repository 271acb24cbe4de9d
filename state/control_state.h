// The thread-safe state behind the control operations; the Win32 window renders it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scan/controls.h"
#include "scan/drive_box_items.h"

class ControlState : public Controls {
 public:
  ControlState();
  ~ControlState() override;
  ControlState(const ControlState&) = delete;
  ControlState& operator=(const ControlState&) = delete;

  // Controls
  void SetCaption(LabelId label, std::string_view text) override;
  std::string Caption(LabelId label) override;
  std::string DriveBoxCurrentDrive() override;
  int AddRow(const SuspectRow& row) override;
  NativeString RowNativePath(int row) override;
  int RowCount() override;
  void MakeRowVisible(int row) override;
  std::string CellText(int row, Column column) override;
  void DeleteAllRows() override;
  int Selection() override;
  void SetSelection(int row) override;
  void AppendDriveItem(std::string_view text) override;
  int DriveItemCount() override;
  std::string DriveItemText(int index) override;
  int DriveSelection() override;
  void SetDriveSelection(int index) override;

  // DriveBox model: filled by the window at creation; SelectDriveBoxItem is the user's choice.
  void SetDriveBox(std::vector<DriveBoxItem> items, int selected, char currentDrive);
  void SelectDriveBoxItem(int index);
  std::vector<DriveBoxItem> DriveBoxItems();
  int DriveBoxSelection();

  // For the view. Versions grow with every change of their part.
  struct ViewVersions {
    uint64_t captions = 0;
    uint64_t rows = 0;        // rows added or deleted
    uint64_t selection = 0;
    uint64_t reveal = 0;      // make-visible requests
    uint64_t clears = 0;      // delete-all-rows: earlier rows are no longer what the view shows
    uint64_t driveBox = 0;    // its items or choice
    uint64_t driveList = 0;   // an item added or the selection moved
  };
  ViewVersions Versions() const;
  // One moment of what the window shows beside the rows' texts, read under one hold of the lock.
  struct ViewSnapshot {
    ViewVersions versions;
    std::array<std::string, kLabelCount> captions;  // by LabelIndex
    int rowCount = 0;
  };
  ViewSnapshot Snapshot() const;
  int PendingRevealRow();  // the row of the last make-visible request, -1 when none
  // Called (from any thread) after a change when no earlier call is still unanswered;
  // the view calls AcknowledgeChange() before it renders, to be told again.
  void SetChangeNotifier(std::function<void()> notify);
  void AcknowledgeChange();

 private:
  struct Impl;
  // Runs change(impl) under the lock; when it reports a change, the notifier is called once
  // the lock is released.
  template <typename Change>
  void Update(Change change);

  std::unique_ptr<Impl> impl_;
};
