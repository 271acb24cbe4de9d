// The file classifier: progress for every file, the ".txt" content rule, the name rule and
// the category by the last bytes of the name.
#include "scan/classifier.h"

#include "scan/keywords.h"
#include "scan/scan_worker.h"
#include "text/gbk_text.h"

const std::string& CategoryForName(std::string_view name) {
  for (const CategoryRule& rule : kCategoryRules)
    if (EndsWithLower(name, rule.suffix)) return rule.text.Gbk();
  return kCategoryRules[std::size(kCategoryRules) - 1].text.Gbk();
}

bool ClassifierReadsContent(const ListedEntry& entry) {
  // A listed size of 0 may be stale, so such a file is read too.
  if (entry.contentOffline || entry.name.empty()) return false;
  // A GBK name ending in ".txt" ends in an ASCII t: most names are ruled out unconverted.
  const NativeChar last = entry.name.back();
  if (last != NativeChar('t') && last != NativeChar('T')) return false;
  std::string name;
  NativeToGbk(entry.name, name);
  return EndsWithLower(name, ".txt");
}

bool ClassifyFile(ScanContext& ctx, const FoundFile& file) {
  const bool txt = EndsWithLower(file.name, ".txt");
  const std::string* category = nullptr;
  std::unique_lock<std::mutex> gate(ctx.scanGate);
  if (IsScanWorkerAbandoned(ctx)) return false;
  ShowProgress(ctx, file.dir, file.name);
  if (txt && file.content != ContentAnswer::NotWorkedOut) {
    if (file.content == ContentAnswer::Suspect) category = &kArticleCategory.Gbk();
  } else if (txt) {
    // Reading may take long and touches no control: the gate is open meanwhile.
    gate.unlock();
    // Data that is not on the disk would be recalled by reading it: treated as unreadable.
    // A listed size of 0 may be stale (hard links, a writer still open), so it is read anyway.
    if (!file.contentOffline && MatchContentKeywordsInFile(file.nativeDir + file.nativeName, ctx.reader))
      category = &kArticleCategory.Gbk();
    gate.lock();
    if (IsScanWorkerAbandoned(ctx)) return false;
  } else if (MatchNameKeywords(file.name)) {
    // Matching a name is quick, so every other file is judged in one hold of the gate.
    category = &CategoryForName(file.name);
  }

  if (category != nullptr) {
    if (file.nameLossy) {
      NativeString nativePath = file.nativeDir + file.nativeName;
      AddSuspectRow(ctx, file.name, file.dir, file.size, *category, &nativePath);
    } else {
      AddSuspectRow(ctx, file.name, file.dir, file.size, *category);
    }
    ctx.HealthScore.fetch_sub(1);
  }
  RevealLastRow(ctx);
  return true;
}
