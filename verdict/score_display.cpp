#include "verdict/score_display.h"

#include "scan/scan_context.h"
#include "scan/scan_worker.h"
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

void ShowScore(Controls& controls, int32_t score) { controls.SetCaption(LabelId::Score, IntToText(score)); }

void ShowVerdict(Controls& controls, int32_t score) { controls.SetCaption(LabelId::Verdict, VerdictFor(score)); }

bool ShowsScanEnd(const ScanContext& ctx, const std::string& status, const std::string& verdict) {
  const bool ended = status == kAllDrivesDoneText.Gbk() || (status == kEndOfScanText.Gbk() && ctx.AllDrivesMode.load() == 0);
  // The tick shows the verdict up to 100 ms after the worker's end text.
  return ended && verdict == VerdictFor(ctx.HealthScore.load());
}
