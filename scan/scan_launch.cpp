// The two scan buttons, the drive list and the drive-by-drive whole-machine sequence.
#include "scan/scan_launch.h"

#include "scan/scan_worker.h"

void FillDriveList(ScanContext& ctx) {
  for (const std::string& root : ctx.drives.DriveRoots()) ctx.controls.AppendDriveItem(root);
}

void OnScanButtonClick(ScanContext& ctx) {
  // A press during a walk does nothing: ScanRoot and the mode belong to the running scan.
  if (ctx.scanRun.IsRunning()) return;
  ctx.AllDrivesMode.store(0);
  std::string root = ctx.controls.DriveBoxCurrentDrive() + ":";
  if (root.back() != '\\') root += '\\';
  ctx.ScanRoot = root;
  StartScanWorker(ctx);
}

void OnFullScanButtonClick(ScanContext& ctx) {
  if (ctx.scanRun.IsRunning()) return;
  Controls& controls = ctx.controls;
  // No drive at all: there is nothing to walk, and an empty root must not be walked.
  if (controls.DriveItemCount() == 0) return;
  ctx.AllDrivesMode.store(1);
  controls.SetDriveSelection(0);
  ctx.ScanRoot = controls.DriveItemText(controls.DriveSelection());
  StartScanWorker(ctx);
}

// The sequence is driven by the status text, as the program has always done it: the worker's end
// text is the only sign that a drive is done, and " 扫描结束!" no longer matches it.
void AdvanceAllDrivesScan(ScanContext& ctx) {
  if (ctx.AllDrivesMode.load() == 0) return;
  // An end text left by an earlier walk is not this walk's end.
  if (ctx.scanRun.IsRunning()) return;
  Controls& controls = ctx.controls;
  if (controls.Caption(LabelId::Status) != kEndOfScanText.Gbk()) return;
  controls.SetCaption(LabelId::Status, kPrepareScanText.Gbk());
  int selection = controls.DriveSelection();
  if (selection == controls.DriveItemCount() - 1) {
    controls.SetCaption(LabelId::Status, kAllDrivesDoneText.Gbk());
    return;
  }
  controls.SetDriveSelection(selection + 1);
  ctx.ScanRoot = controls.DriveItemText(controls.DriveSelection());
  StartScanWorker(ctx);
}
