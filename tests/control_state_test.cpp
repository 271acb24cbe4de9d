#include "state/control_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string Expected(int row, int column) {
  switch (column) {
    case 0: return "name" + std::to_string(row) + ".avi";
    case 1: return "C:\\dir" + std::to_string(row / 7) + "\\";
    case 2: return std::to_string(row * 13);
    default: return row % 2 ? "kind-a" : "kind-b";
  }
}

// The row the worker would add at expectedIndex, added whole.
void AppendFullRow(ControlState& state, int expectedIndex) {
  std::string cells[kColumnCount];
  SuspectRow row;
  for (int column = 0; column < kColumnCount; ++column) row.cells[column] = cells[column] = Expected(expectedIndex, column);
  state.AddRow(row);
}

std::string Cell(ControlState& state, int row, int column) { return state.CellText(row, static_cast<Column>(column)); }

// A row with a name (and a folder) only.
SuspectRow Named(std::string_view name, std::string_view directory = {}) {
  SuspectRow row;
  row.cells[static_cast<int>(Column::Name)] = name;
  row.cells[static_cast<int>(Column::Directory)] = directory;
  return row;
}

TEST(ControlStateConcurrency, ReaderSeesWholeCaptionsWholeRowsAndGrowingCounts) {
  ControlState state;
  const std::vector<std::string> captions = {std::string(300, 'a'), "bbbbb", std::string(1000, 'c'), "",
                                             std::string(17, 'd')};
  const std::set<std::string> allowed(captions.begin(), captions.end());
  constexpr int kRows = 20000;
  std::atomic<bool> done{false};
  std::atomic<int> notified{0};
  state.SetChangeNotifier([&] { notified.fetch_add(1); });

  std::thread writer([&] {
    for (int i = 0; i < kRows; ++i) {
      state.SetCaption(LabelId::Status, captions[i % captions.size()]);
      AppendFullRow(state, i);
      state.SetSelection(i);
    }
    done.store(true);
  });

  int lastCount = 0;
  int badCaption = 0, badCell = 0, shrank = 0, badSelection = 0;
  unsigned seed = 1;
  while (!done.load()) {
    if (!allowed.count(state.Caption(LabelId::Status))) ++badCaption;
    int count = state.RowCount();
    if (count < lastCount) ++shrank;
    lastCount = count;
    int selection = state.Selection();
    if (selection < -1 || selection >= state.RowCount()) ++badSelection;
    if (count > 0) {
      seed = seed * 1103515245 + 12345;
      int row = static_cast<int>(seed % count);
      // Rows are added whole: a counted row never shows an empty or foreign cell.
      for (int column = 0; column < 4; ++column)
        if (Cell(state, row, column) != Expected(row, column)) ++badCell;
    }
    state.AcknowledgeChange();
  }
  writer.join();
  EXPECT_EQ(badCaption, 0);
  EXPECT_EQ(badCell, 0);
  EXPECT_EQ(shrank, 0);
  EXPECT_EQ(badSelection, 0);
  EXPECT_GT(notified.load(), 0);
  ASSERT_EQ(state.RowCount(), kRows);
  for (int row = 0; row < kRows; row += 997)
    for (int column = 0; column < 4; ++column) EXPECT_EQ(Cell(state, row, column), Expected(row, column));
}

TEST(ControlStateConcurrency, ClearsRacingAppendsNeverMixRows) {
  ControlState state;
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 20000; ++i) AppendFullRow(state, i);
    done.store(true);
  });
  int badCell = 0;
  int clears = 0;
  while (!done.load()) {
    int count = state.RowCount();
    // Every cell of a row is of the row its name tells (or all gone with a clear in between).
    for (int row = std::max(0, count - 3); row < count; ++row) {
      const std::string name = Cell(state, row, 0);
      if (name.empty()) continue;
      const int written = std::stoi(name.substr(4));  // "name<i>.avi"
      for (int column = 1; column < 4; ++column) {
        std::string cell = Cell(state, row, column);
        if (!cell.empty() && cell != Expected(written, column)) ++badCell;
      }
    }
    if (++clears % 50 == 0) state.DeleteAllRows();
  }
  writer.join();
  EXPECT_EQ(badCell, 0);
}

TEST(ControlStateRows, CellsReadBackAcrossManyRowsAndLongTexts) {
  ControlState state;
  const std::string huge(100000, 'x');  // longer than one store block
  for (int i = 0; i < 100000; ++i) AppendFullRow(state, i);
  int big = state.AddRow(Named(huge, huge));
  for (int row = 0; row < 100000; row += 1237)
    for (int column = 0; column < 4; ++column) ASSERT_EQ(Cell(state, row, column), Expected(row, column));
  EXPECT_EQ(state.CellText(big, Column::Name), huge);
  EXPECT_EQ(state.CellText(big, Column::Directory), huge);
  EXPECT_EQ(state.CellText(big, Column::Size), "");  // never set

  EXPECT_EQ(state.CellText(100001, Column::Name), "");
  EXPECT_EQ(state.CellText(-1, Column::Directory), "");
  EXPECT_EQ(state.CellText(0, static_cast<Column>(4)), "");
  EXPECT_EQ(state.RowCount(), 100001);

  state.DeleteAllRows();
  EXPECT_EQ(state.RowCount(), 0);
  EXPECT_EQ(state.CellText(0, Column::Name), "");
  EXPECT_EQ(state.AddRow(Named("again")), 0);
  EXPECT_EQ(state.CellText(0, Column::Name), "again");
  EXPECT_EQ(state.CellText(0, Column::Directory), "");
}

TEST(ControlStateRows, NativePathOnlyForRowsThatHaveOne) {
  ControlState state;
  const NativeString path(3, NativeChar('p'));
  SuspectRow plain, lossy;
  plain.cells[0] = "a";
  lossy.cells[0] = "?";
  lossy.nativePath = path;
  state.AddRow(plain);
  state.AddRow(lossy);
  EXPECT_TRUE(state.RowNativePath(0).empty());
  EXPECT_EQ(state.RowNativePath(1), path);
  EXPECT_TRUE(state.RowNativePath(7).empty());
  state.DeleteAllRows();
  state.AddRow(plain);
  state.AddRow(plain);
  EXPECT_TRUE(state.RowNativePath(1).empty());
}

TEST(ControlStateSelection, SuspectListRules) {
  ControlState state;
  for (int i = 0; i < 5; ++i) state.AddRow(Named("r"));
  state.SetSelection(4);
  EXPECT_EQ(state.Selection(), 4);
  state.SetSelection(-1);
  EXPECT_EQ(state.Selection(), -1);
  state.SetSelection(4);
  state.SetSelection(2);
  EXPECT_EQ(state.Selection(), 2);
  state.SetSelection(10);  // missing row: nothing changes
  EXPECT_EQ(state.Selection(), 2);
  state.SetSelection(5);
  EXPECT_EQ(state.Selection(), 2);
  state.SetSelection(-7);  // below -1 counts as -1
  EXPECT_EQ(state.Selection(), -1);

  auto before = state.Versions();
  state.SetSelection(3);
  EXPECT_GT(state.Versions().selection, before.selection);
  EXPECT_EQ(state.Versions().reveal, before.reveal);  // selecting does not scroll
  state.DeleteAllRows();
  EXPECT_EQ(state.Selection(), -1);
}

TEST(ControlStateSelection, DriveListClampsAndReads) {
  ControlState state;
  state.SetDriveSelection(0);
  EXPECT_EQ(state.DriveSelection(), -1);  // empty list: always none
  state.SetDriveSelection(5);
  EXPECT_EQ(state.DriveSelection(), -1);
  for (const char* root : {"C:\\", "D:\\", "E:\\"}) state.AppendDriveItem(root);
  EXPECT_EQ(state.DriveItemCount(), 3);
  state.SetDriveSelection(5);
  EXPECT_EQ(state.DriveSelection(), 2);
  state.SetDriveSelection(-7);
  EXPECT_EQ(state.DriveSelection(), -1);
  state.SetDriveSelection(1);
  EXPECT_EQ(state.DriveSelection(), 1);
  EXPECT_EQ(state.DriveItemText(1), "D:\\");
  EXPECT_EQ(state.DriveItemText(3), "");
  EXPECT_EQ(state.DriveItemText(-1), "");
}

TEST(ControlStateSelection, DriveBoxGivesChosenLetterElseCurrentDrive) {
  ControlState state;
  state.SetDriveBox({{"C: x", 'C'}, {"D: y", 'D'}}, -1, 'E');
  EXPECT_EQ(state.DriveBoxCurrentDrive(), "E");
  state.SelectDriveBoxItem(1);
  EXPECT_EQ(state.DriveBoxCurrentDrive(), "D");
  EXPECT_EQ(state.DriveBoxSelection(), 1);
  state.SelectDriveBoxItem(9);
  EXPECT_EQ(state.DriveBoxSelection(), -1);
  EXPECT_EQ(state.DriveBoxCurrentDrive(), "E");
  state.SetDriveBox({{"C: x", 'C'}}, 0, 'E');
  EXPECT_EQ(state.DriveBoxCurrentDrive(), "C");
}

TEST(ControlStateView, VersionsRevealAndCoalescedNotifications) {
  ControlState state;
  int calls = 0;
  state.SetChangeNotifier([&] { ++calls; });
  EXPECT_EQ(state.Caption(LabelId::Status), "");
  state.SetCaption(LabelId::Status, "one");
  state.SetCaption(LabelId::Score, "100");
  state.AddRow(Named("x"));
  EXPECT_EQ(calls, 1);  // unanswered: no second call
  state.AcknowledgeChange();
  auto v = state.Versions();
  state.SetCaption(LabelId::Score, "100");  // unchanged text: nothing to render
  EXPECT_EQ(state.Versions().captions, v.captions);
  EXPECT_EQ(calls, 1);
  state.SetCaption(LabelId::Status, "two");
  EXPECT_EQ(calls, 2);
  EXPECT_GT(state.Versions().captions, v.captions);
  EXPECT_EQ(state.Caption(LabelId::Status), "two");
  EXPECT_EQ(state.Caption(LabelId::Score), "100");

  EXPECT_EQ(state.PendingRevealRow(), -1);
  state.MakeRowVisible(5);  // missing row
  EXPECT_EQ(state.PendingRevealRow(), -1);
  state.MakeRowVisible(0);
  EXPECT_EQ(state.PendingRevealRow(), 0);
  EXPECT_GT(state.Versions().reveal, v.reveal);
  state.DeleteAllRows();
  EXPECT_EQ(state.PendingRevealRow(), -1);

  // The drives are versioned and told of as the rest is; a choice already made changes nothing.
  state.AcknowledgeChange();
  v = state.Versions();
  state.SetDriveSelection(-1);
  state.SelectDriveBoxItem(-1);
  EXPECT_EQ(calls, 2);
  state.AppendDriveItem("C:\\");
  EXPECT_EQ(calls, 3);
  state.SetDriveSelection(0);
  state.SetDriveBox({{"C: x", 'C'}}, 0, 'C');
  state.SelectDriveBoxItem(0);
  EXPECT_EQ(state.Versions().driveList, v.driveList + 2);
  EXPECT_EQ(state.Versions().driveBox, v.driveBox + 1);
}

// The window shows a caption and the rows from one snapshot: read apart, a caption written after
// a row could be seen with a row count from before it.
TEST(ControlStateView, SnapshotHoldsCaptionsAndRowCountOfOneMoment) {
  ControlState state;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int i = 0; i < 20000; ++i) {
      state.AddRow(Named("x"));
      state.SetCaption(LabelId::Status, std::to_string(i + 1));
    }
    done = true;
  });
  int inconsistent = 0, seen = 0;
  while (!done) {
    ControlState::ViewSnapshot snapshot = state.Snapshot();
    if (snapshot.captions[0].empty()) continue;
    ++seen;
    int shown = std::stoi(snapshot.captions[0]);
    if (snapshot.rowCount != shown && snapshot.rowCount != shown + 1) ++inconsistent;
  }
  worker.join();
  EXPECT_EQ(inconsistent, 0) << "of " << seen << " snapshots";
  ControlState::ViewSnapshot last = state.Snapshot();
  EXPECT_EQ(last.rowCount, 20000);
  EXPECT_EQ(last.captions[0], "20000");
  EXPECT_EQ(last.versions.captions, state.Versions().captions);
}

}  // namespace
