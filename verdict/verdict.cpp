// The score and verdict labels, refreshed by the timer, and the two result list actions.
#include "verdict/verdict.h"

#include <array>
#include <mutex>

#include "app/controls.h"
#include "app/globals.h"
#include "app/platform.h"
#include "scan/scan_launch.h"
#include "scan/scan_worker.h"
#include "text/gbk_text.h"

namespace {

struct VerdictTexts {
  std::array<std::string, 10> text;
  VerdictTexts() {
    const char* utf8[] = {
        "",
        "貌似有不和谐的东西哦...",
        "不和谐程度打败了360XX卫士",
        "不和谐的东西有点多哦...",
        "作为一个程序我感觉压力好大...⊙﹏⊙b汗",
        "恭喜你啊....一点健康度都没有了",
        "你太厉害了..都负了",
        "你把岛国的东西都搬过来了吧?",
        "我要崩溃了...o(╯□╰)o",
        "你是中国最..不纯洁的人了....(*^__^*) 嘻嘻……",
    };
    for (size_t i = 0; i < text.size(); ++i) text[i] = Utf8ToGbk(utf8[i]);
  }
};

const VerdictTexts& Texts() {
  static const VerdictTexts texts;
  return texts;
}

}  // namespace

const std::string& VerdictFor(int32_t score) {
  static const std::string none;
  const auto& t = Texts().text;
  // Every test that holds replaces the result: the last one wins.
  const std::string* result = &none;
  if (score == 100) result = &t[0];
  if (score < 100) result = &t[1];
  if (score < 70) result = &t[2];
  if (score < 50) result = &t[3];
  if (score < 10) result = &t[4];
  if (score < 0) result = &t[5];
  if (score < -10) result = &t[6];
  if (score < -50) result = &t[7];
  if (score < -100) result = &t[8];
  if (score == -1000) result = &t[9];
  return *result;
}

void OnScanTimerTick() {
  Controls& controls = *Services.controls;
  controls.SetCaption(LabelId::Score, IntToText(HealthScore.load()));
  AdvanceAllDrivesScan();
  controls.SetCaption(LabelId::Verdict, VerdictFor(HealthScore.load()));
}

void OnClearButtonClick() {
  // Under the gate: a row the worker is adding is either cleared with its score or kept.
  std::lock_guard<std::mutex> hold(ScanGateLock());
  Services.controls->DeleteAllRows();
  HealthScore.store(100);
}

void OpenSuspectListRow(int row) {
  Controls& list = *Services.controls;
  std::string path = list.CellText(row, 1) + list.CellText(row, 0);
  NativeString nativePath = list.RowNativePath(row);
  if (Services.shell != nullptr) Services.shell->OpenWithDefaultAction(path, nativePath);
}

void OnSuspectListDoubleClick(int, int, unsigned) {
  // Read once: during a scan the worker moves the selection after every file.
  OpenSuspectListRow(Services.controls->Selection());
}
