// The score and verdict labels, refreshed by the timer, and the two result list actions.
#include "verdict/verdict.h"

#include <mutex>

#include "scan/scan_launch.h"
#include "text/gbk_literal.h"
#include "text/gbk_text.h"

namespace {

// Every rule that holds replaces the verdict: the last one wins.
struct VerdictRule {
  const enum class Test { Equals, Below } test;
  const int32_t value;
  GbkLiteral text;
  bool HoldsFor(int32_t score) const { return test == Test::Equals ? score == value : score < value; }
};
using enum VerdictRule::Test;
const VerdictRule kVerdictRules[] = {
    {Equals, kFullScore, GbkLiteral("")},
    {Below, kFullScore, GbkLiteral("貌似有不和谐的东西哦...")},
    {Below, 70, GbkLiteral("不和谐程度打败了360XX卫士")},
    {Below, 50, GbkLiteral("不和谐的东西有点多哦...")},
    {Below, 10, GbkLiteral("作为一个程序我感觉压力好大...⊙﹏⊙b汗")},
    {Below, 0, GbkLiteral("恭喜你啊....一点健康度都没有了")},
    {Below, -10, GbkLiteral("你太厉害了..都负了")},
    {Below, -50, GbkLiteral("你把岛国的东西都搬过来了吧?")},
    {Below, -100, GbkLiteral("我要崩溃了...o(╯□╰)o")},
    {Equals, -1000, GbkLiteral("你是中国最..不纯洁的人了....(*^__^*) 嘻嘻……")},
};

}  // namespace

const std::string& VerdictFor(int32_t score) {
  static const std::string none;
  const std::string* result = &none;
  for (const VerdictRule& rule : kVerdictRules)
    if (rule.HoldsFor(score)) result = &rule.text.Gbk();
  return *result;
}

void OnScanTimerTick(ScanContext& ctx) {
  ctx.controls.SetCaption(LabelId::Score, IntToText(ctx.HealthScore.load()));
  AdvanceAllDrivesScan(ctx);
  ctx.controls.SetCaption(LabelId::Verdict, VerdictFor(ctx.HealthScore.load()));
}

void OnClearButtonClick(ScanContext& ctx) {
  // Under the gate: a row the worker is adding is either cleared with its score or kept.
  const ScanRun::Hold hold = ctx.scanRun.HoldGate();
  // What the next tick would show, set before the rows go: a window drawn in between never
  // shows a score below what its visible rows explain.
  ctx.controls.SetCaption(LabelId::Score, IntToText(kFullScore));
  ctx.controls.SetCaption(LabelId::Verdict, VerdictFor(kFullScore));
  ctx.controls.DeleteAllRows();
  ctx.HealthScore.store(kFullScore);
}

void OpenSuspectListRow(ScanContext& ctx, int row) {
  Controls& list = ctx.controls;
  std::string path = list.CellText(row, Column::Directory) + list.CellText(row, Column::Name);
  NativeString nativePath = list.RowNativePath(row);
  ctx.shell.OpenWithDefaultAction(path, nativePath);
}

void OnSuspectListDoubleClick(ScanContext& ctx) {
  // Read once: during a scan the worker moves the selection after every file.
  OpenSuspectListRow(ctx, ctx.controls.Selection());
}
