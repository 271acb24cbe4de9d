// The file classifier: progress for every file, the ".txt" content rule, the name rule and
// the category by the last bytes of the name.
#include "scan/classifier.h"

#include <mutex>

#include "app/globals.h"
#include "scan/keywords.h"
#include "scan/scan_worker.h"
#include "text/gbk_text.h"

namespace {

struct SuffixRule {
  const char* suffix;  // lower case; compared on its own length
  const std::string& (*category)();
};

// In this order: the first rule that holds gives the category.
constexpr SuffixRule kSuffixRules[] = {
    {".avi", CategoryVideo},   {".wmv", CategoryVideo},   {".rm", CategoryVideo},    {"rmvb", CategoryVideo},
    {".flv", CategoryVideo},   {".3gp", CategoryVideo},   {".mp4", CategoryVideo},   {".mkv", CategoryVideo},
    {".mpg", CategoryVideo},   {".vod", CategoryVideo},   {".jpg", CategoryPicture}, {".png", CategoryPicture},
    {".bmp", CategoryPicture}, {".gif", CategoryPicture}, {".mp3", CategoryAudio},   {"rent", CategorySeed},
};

}  // namespace

const std::string& CategoryArticle() {
  static const std::string text = Utf8ToGbk("可疑色情文章");
  return text;
}

const std::string& CategoryVideo() {
  static const std::string text = Utf8ToGbk("可疑色情视频");
  return text;
}

const std::string& CategoryPicture() {
  static const std::string text = Utf8ToGbk("可疑色情图片");
  return text;
}

const std::string& CategoryAudio() {
  static const std::string text = Utf8ToGbk("可疑色情音频");
  return text;
}

const std::string& CategorySeed() {
  static const std::string text = Utf8ToGbk("可疑色情BT种子");
  return text;
}

const std::string& CategoryFile() {
  static const std::string text = Utf8ToGbk("可疑色情文件");
  return text;
}

const std::string& CategoryForName(std::string_view name) {
  for (const SuffixRule& rule : kSuffixRules)
    if (EndsWithLower(name, rule.suffix)) return rule.category();
  return CategoryFile();
}

bool ClassifierReadsContent(const ListedEntry& entry) {
  if (entry.size == 0 || entry.contentOffline || entry.name.empty()) return false;
  // A GBK name ending in ".txt" ends in an ASCII t: most names are ruled out unconverted.
  const NativeChar last = entry.name.back();
  if (last != NativeChar('t') && last != NativeChar('T')) return false;
  std::string name;
  NativeToGbk(entry.name, name);
  return EndsWithLower(name, ".txt");
}

bool ClassifyFile(const FoundFile& file) {
  const bool txt = EndsWithLower(file.name, ".txt");
  const std::string* category = nullptr;
  std::unique_lock<std::mutex> gate(ScanGateLock());
  if (IsScanWorkerAbandoned()) return false;
  ShowProgress(file.dir, file.name);
  if (txt && file.content != ContentAnswer::NotWorkedOut) {
    if (file.content == ContentAnswer::Suspect) category = &CategoryArticle();
  } else if (txt) {
    // Reading may take long and touches no control: the gate is open meanwhile.
    gate.unlock();
    // Data that is not on the disk would be recalled by reading it: treated as unreadable.
    // A file listed as empty has no content to search, so it is not opened at all.
    if (file.size > 0 && !file.contentOffline && Services.reader != nullptr &&
        MatchContentKeywordsInFile(file.nativeDir + file.nativeName, *Services.reader))
      category = &CategoryArticle();
    gate.lock();
    if (IsScanWorkerAbandoned()) return false;
  } else if (MatchNameKeywords(file.name)) {
    // Matching a name is quick, so every other file is judged in one hold of the gate.
    category = &CategoryForName(file.name);
  }

  if (category != nullptr) {
    if (file.nameLossy) {
      NativeString nativePath = file.nativeDir + file.nativeName;
      AddSuspectRow(file.name, file.dir, file.size, *category, &nativePath);
    } else {
      AddSuspectRow(file.name, file.dir, file.size, *category);
    }
    HealthScore.fetch_sub(1);
  }
  RevealLastRow();
  return true;
}
