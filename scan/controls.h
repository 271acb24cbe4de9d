// The operations the program's logic performs on the window's controls. All texts are GBK.
// Every operation is carried out whole whatever thread calls it.
#pragma once

#include <string>
#include <string_view>

#include "text/codepage.h"

enum class LabelId { Status, Score, Verdict };

class Controls {
 public:
  virtual ~Controls() = default;

  virtual void SetCaption(LabelId label, std::string_view text) = 0;
  virtual std::string Caption(LabelId label) = 0;

  // DriveBox: the chosen drive's letter, or the current drive's when none is chosen.
  virtual std::string DriveBoxCurrentDrive() = 0;

  // SuspectList
  virtual int AppendRow(std::string_view caption) = 0;  // gives the new row's index
  virtual void SetCellText(int row, int column, std::string_view text) = 0;
  // The platform's own full path of the row's file, when GBK cannot hold its name.
  virtual void SetRowNativePath(int row, const NativeString& path) = 0;
  virtual NativeString RowNativePath(int row) = 0;  // empty when none was set
  virtual int RowCount() = 0;
  virtual void MakeRowVisible(int row) = 0;
  virtual std::string CellText(int row, int column) = 0;  // "" for a missing row
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
