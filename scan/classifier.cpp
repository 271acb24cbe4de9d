// The file classifier: the ".txt" content rule, the name rule and the category by the last
// bytes of the name.
#include "scan/classifier.h"

#include "scan/keywords.h"
#include "text/gbk_text.h"

const std::string& CategoryForName(std::string_view name) {
  for (const CategoryRule& rule : kCategoryRules)
    if (EndsWithLower(name, rule.suffix)) return rule.text.Gbk();
  return kCategoryRules[std::size(kCategoryRules) - 1].text.Gbk();
}

bool FollowsContentRule(std::string_view name) { return EndsWithLower(name, ".txt"); }

namespace {

// Data that is not on the disk would be recalled by reading it: treated as unreadable. A listed
// size of 0 may be stale (hard links, a writer still open), so an empty file is read anyway.
bool ContentIsRead(bool contentOffline) { return !contentOffline; }

}  // namespace

bool ClassifierReadsContent(const ListedEntry& entry) {
  if (!ContentIsRead(entry.contentOffline) || entry.name.empty()) return false;
  // A GBK name ending in ".txt" ends in an ASCII t: most names are ruled out unconverted.
  const NativeChar last = entry.name.back();
  if (last != NativeChar('t') && last != NativeChar('T')) return false;
  std::string name;
  NativeToGbk(entry.name, name);
  return FollowsContentRule(name);
}

const std::string* SuspectCategory(const FoundFile& file, FileReader& reader) {
  if (FollowsContentRule(file.name)) {
    bool suspect = file.content == ContentAnswer::Suspect;
    if (file.content == ContentAnswer::NotWorkedOut && ContentIsRead(file.contentOffline))
      suspect = MatchContentKeywordsInFile(file.nativeDir + file.nativeName, reader);
    return suspect ? &kArticleCategory.Gbk() : nullptr;
  }
  return MatchNameKeywords(file.name) ? &CategoryForName(file.name) : nullptr;
}
