#include "verdict/result_actions.h"

#include <string>

#include "verdict/score_display.h"

void OnClearButtonClick(ScanContext& ctx) {
  // Under the gate: a row the worker is adding is either cleared with its score or kept.
  const ScanRun::Hold hold = ctx.scanRun.HoldGate();
  // What the next tick would show, set before the rows go: a window drawn in between never
  // shows a score below what its visible rows explain.
  ShowScore(ctx.controls, kFullScore);
  ShowVerdict(ctx.controls, kFullScore);
  ctx.controls.DeleteAllRows();
  ctx.HealthScore.store(kFullScore);
}

void OnSuspectListDoubleClick(ScanContext& ctx, int row) {
  Controls& list = ctx.controls;
  // Read once: during a scan the worker moves the selection after every file.
  if (row < 0) row = list.Selection();
  std::string path = list.CellText(row, Column::Directory) + list.CellText(row, Column::Name);
  NativeString nativePath = list.RowNativePath(row);
  ctx.shell.OpenWithDefaultAction(path, nativePath);
}
