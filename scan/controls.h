// The operations the program's logic performs on the window's controls. All texts are GBK.
// Every operation is carried out whole whatever thread calls it.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "text/codepage.h"

// The labels whose captions the logic writes; Count only counts them.
enum class LabelId { Status, Score, Verdict, Count };
inline constexpr int kLabelCount = static_cast<int>(LabelId::Count);
// Where a label's caption stands among what is kept by LabelId.
constexpr int LabelIndex(LabelId label) { return static_cast<int>(label); }

// The columns of SuspectList, counted from 0; Directory followed by Name is the file's path.
// Count only counts them.
enum class Column : int { Name, Directory, Size, Category, Count };
inline constexpr int kColumnCount = static_cast<int>(Column::Count);

// One whole row of SuspectList.
struct SuspectRow {
  std::array<std::string_view, kColumnCount> cells;  // by Column
  // The platform's own full path of the file, when GBK cannot hold its name; empty otherwise.
  NativeStringView nativePath;
};

class Controls {
 public:
  Controls() = default;
  Controls(const Controls&) = delete;
  Controls& operator=(const Controls&) = delete;
  virtual ~Controls() = default;

  virtual void SetCaption(LabelId label, std::string_view text) = 0;
  virtual std::string Caption(LabelId label) = 0;

  // DriveBox: the chosen drive's letter, or the current drive's when none is chosen.
  virtual std::string DriveBoxCurrentDrive() = 0;

  // SuspectList. A row is added whole.
  virtual int AddRow(const SuspectRow& row) = 0;  // gives the new row's index
  virtual NativeString RowNativePath(int row) = 0;  // empty when the row has none
  virtual int RowCount() = 0;
  virtual void MakeRowVisible(int row) = 0;
  virtual std::string CellText(int row, Column column) = 0;  // "" for a missing row
  virtual void DeleteAllRows() = 0;
  virtual int Selection() = 0;  // -1 when none
  virtual void SetSelection(int row) = 0;

  // DriveList
  virtual void AppendDriveItem(std::string_view text) = 0;
  virtual int DriveItemCount() = 0;
  virtual std::string DriveItemText(int index) = 0;  // "" outside the range
  virtual int DriveSelection() = 0;
  virtual void SetDriveSelection(int index) = 0;
};
