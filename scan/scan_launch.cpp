// The two scan buttons, the drive list and the drive-by-drive whole-machine sequence.
#include "scan/scan_launch.h"

#include "app/controls.h"
#include "app/globals.h"
#include "scan/drive_list.h"
#include "scan/scan_worker.h"

void FillDriveList() {
  if (Services.drives == nullptr) return;
  for (const std::string& root : Services.drives->DriveRoots()) Services.controls->AppendDriveItem(root);
}

void OnScanButtonClick() {
  // A press during a walk does nothing: ScanRoot and the mode belong to the running scan.
  if (IsScanWorkerRunning()) return;
  AllDrivesMode.store(0);
  std::string root = Services.controls->DriveBoxCurrentDrive() + ":";
  if (root.back() != '\\') root += '\\';
  ScanRoot = root;
  StartScanWorker();
}

void OnFullScanButtonClick() {
  if (IsScanWorkerRunning()) return;
  Controls& controls = *Services.controls;
  // No drive at all: there is nothing to walk, and an empty root must not be walked.
  if (controls.DriveItemCount() == 0) return;
  AllDrivesMode.store(1);
  controls.SetDriveSelection(0);
  ScanRoot = controls.DriveItemText(controls.DriveSelection());
  StartScanWorker();
}

void AdvanceAllDrivesScan() {
  if (AllDrivesMode.load() == 0) return;
  // An end text left by an earlier walk is not this walk's end.
  if (IsScanWorkerRunning()) return;
  Controls& controls = *Services.controls;
  if (controls.Caption(LabelId::Status) != EndOfScanText()) return;
  controls.SetCaption(LabelId::Status, PrepareScanText());
  int selection = controls.DriveSelection();
  if (selection == controls.DriveItemCount() - 1) {
    controls.SetCaption(LabelId::Status, AllDrivesDoneText());
    return;
  }
  controls.SetDriveSelection(selection + 1);
  ScanRoot = controls.DriveItemText(controls.DriveSelection());
  StartScanWorker();
}
