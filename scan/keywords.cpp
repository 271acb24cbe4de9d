// Loading of the two keyword lists and the name and content matchers built over them.
#include "scan/keywords.h"

#include <cstring>
#include <memory>

#include "scan/keyword_matcher.h"
#include "text/gbk_text.h"

std::vector<std::string> NameKeywords;
std::vector<std::string> ContentKeywords;

namespace {

constexpr unsigned kContentHitsForSuspect = 5;
// Content is streamed in pieces of this size, so a huge ".txt" file never has to fit in memory.
constexpr size_t kReadChunkSize = 64 * 1024;

KeywordMatcher nameMatcher;
KeywordMatcher contentMatcher;

}  // namespace

void LoadKeywordLists() {
  NameKeywords = SplitText(NameKeywordText(), ',');
  ContentKeywords = SplitText(ContentKeywordText(), ',');
  nameMatcher.Build(NameKeywords);
  contentMatcher.Build(ContentKeywords);
}

bool MatchNameKeywords(std::string_view text) { return nameMatcher.ContainsAny(text); }

bool MatchContentKeywordsInFile(const NativeString& path, FileReader& reader) {
  if (contentMatcher.empty()) return false;
  std::unique_ptr<FileReadStream> stream = reader.OpenForRead(path);
  if (!stream) return false;
  // Not kept per thread: the Windows build's runtime never frees a thread_local's heap when a
  // reader thread ends, which lost 64 KiB a reader and a scan. Left uninitialised, it costs a malloc.
  const std::unique_ptr<char[]> buffer = std::make_unique_for_overwrite<char[]>(kReadChunkSize);
  KeywordMatcher::Counter counter(contentMatcher, kContentHitsForSuspect);
  for (;;) {
    const long long got = stream->Read(buffer.get(), kReadChunkSize);
    if (got == 0) return counter.Reached();
    // A failed read makes the file unreadable as a whole, like one that cannot be opened.
    if (got < 0 || static_cast<unsigned long long>(got) > kReadChunkSize) return false;
    const size_t size = static_cast<size_t>(got);
    const void* nul = std::memchr(buffer.get(), '\0', size);
    const size_t usable = nul ? static_cast<size_t>(static_cast<const char*>(nul) - buffer.get()) : size;
    if (counter.Feed(buffer.get(), usable)) return true;
    if (nul) return false;
  }
}

void ReleaseKeywordLists() {
  contentMatcher = KeywordMatcher();
  std::vector<std::string>().swap(ContentKeywords);
  nameMatcher = KeywordMatcher();
  std::vector<std::string>().swap(NameKeywords);
}
