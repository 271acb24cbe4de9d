// Aho-Corasick automaton over bytes with a dense transition table. Character boundaries are
// tracked while stepping from the first byte, so a match counts only when it starts at one.
#include "scan/keyword_matcher.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <limits>
#include <map>

#include "text/gbk_text.h"

namespace {

constexpr size_t kAlphabet = 256;
constexpr uint32_t kNoPattern = std::numeric_limits<uint32_t>::max();

// Advances the boundary history by one byte: bit 0 tells whether that byte starts a character.
inline void StepBoundary(unsigned char byte, uint64_t& bits, bool& inTrail) {
  const bool boundary = !inTrail;
  bits = (bits << 1) | static_cast<uint64_t>(boundary);
  inTrail = boundary && byte >= 0x80;
}

inline bool StartsAtBoundary(uint64_t bits, uint8_t length) { return ((bits >> (length - 1)) & 1u) != 0; }

}  // namespace

void KeywordMatcher::Build(const std::vector<std::string>& entries) {
  next_.clear();
  outStart_.clear();
  outputs_.clear();
  patternLength_.clear();
  patternWeight_.clear();
  candidates_.clear();
  candidateBytes_.clear();
  firstPairs_.clear();
  std::fill(std::begin(singleBytes_), std::end(singleBytes_), 0);

  const std::vector<std::string_view> patterns = CountPatterns(entries);
  if (patterns.empty()) return;
  BuildPrefilter(patterns);
  CompleteAutomaton(BuildTrie(patterns));
}

// Identical entries share one pattern whose weight is how often it is listed.
std::vector<std::string_view> KeywordMatcher::CountPatterns(const std::vector<std::string>& entries) {
  std::map<std::string_view, uint32_t> ids;
  std::vector<std::string_view> patterns;
  for (const std::string& entry : entries) {
    if (entry.empty() || entry.size() > kMaxEntryLength) continue;
    auto [it, added] = ids.emplace(entry, static_cast<uint32_t>(patterns.size()));
    if (added) {
      patterns.push_back(entry);
      patternLength_.push_back(static_cast<uint8_t>(entry.size()));
      patternWeight_.push_back(0);
    }
    ++patternWeight_[it->second];
  }
  return patterns;
}

void KeywordMatcher::BuildPrefilter(const std::vector<std::string_view>& patterns) {
  firstPairs_.assign(kAlphabet * kAlphabet / 64, 0);
  for (const std::string_view pattern : patterns) {
    const auto first = static_cast<unsigned char>(pattern[0]);
    if (pattern.size() == 1) {
      singleBytes_[first / 64] |= uint64_t{1} << (first % 64);
      continue;
    }
    const auto pair = static_cast<uint16_t>(first * kAlphabet + static_cast<unsigned char>(pattern[1]));
    firstPairs_[pair / 64] |= uint64_t{1} << (pair % 64);
    candidates_.push_back({pair, static_cast<uint8_t>(pattern.size()), static_cast<uint32_t>(candidateBytes_.size())});
    candidateBytes_ += pattern;
  }
  std::stable_sort(candidates_.begin(), candidates_.end(),
                   [](const Candidate& a, const Candidate& b) { return a.pair < b.pair; });
}

// 0 in a row means "no child" until CompleteAutomaton fills it (nothing points to the root).
// Gives each state's pattern, or kNoPattern.
std::vector<uint32_t> KeywordMatcher::BuildTrie(const std::vector<std::string_view>& patterns) {
  std::vector<uint32_t> terminal(1, kNoPattern);
  next_.assign(kAlphabet, 0);
  for (uint32_t id = 0; id < patterns.size(); ++id) {
    uint32_t state = 0;
    for (char c : patterns[id]) {
      const size_t slot = state * kAlphabet + static_cast<unsigned char>(c);
      if (next_[slot] == 0) {
        next_[slot] = static_cast<uint32_t>(terminal.size());
        terminal.push_back(kNoPattern);
        next_.resize(next_.size() + kAlphabet, 0);
      }
      state = next_[slot];
    }
    terminal[state] = id;
  }
  return terminal;
}

// Breadth first: a state's failure state is shallower, so its row and outputs are complete.
void KeywordMatcher::CompleteAutomaton(const std::vector<uint32_t>& terminal) {
  const size_t stateCount = terminal.size();
  std::vector<uint32_t> fail(stateCount, 0);
  std::vector<std::vector<uint32_t>> out(stateCount);
  std::deque<uint32_t> queue;
  for (size_t c = 0; c < kAlphabet; ++c) {
    if (next_[c] != 0) queue.push_back(next_[c]);
  }
  while (!queue.empty()) {
    const uint32_t state = queue.front();
    queue.pop_front();
    if (terminal[state] != kNoPattern) out[state].push_back(terminal[state]);
    const std::vector<uint32_t>& inherited = out[fail[state]];
    out[state].insert(out[state].end(), inherited.begin(), inherited.end());
    for (size_t c = 0; c < kAlphabet; ++c) {
      const size_t slot = state * kAlphabet + c;
      const uint32_t viaFail = next_[fail[state] * kAlphabet + c];
      if (next_[slot] != 0) {
        fail[next_[slot]] = viaFail;
        queue.push_back(next_[slot]);
      } else {
        next_[slot] = viaFail;
      }
    }
  }

  outStart_.reserve(stateCount + 1);
  for (const auto& list : out) {
    outStart_.push_back(static_cast<uint32_t>(outputs_.size()));
    outputs_.insert(outputs_.end(), list.begin(), list.end());
  }
  outStart_.push_back(static_cast<uint32_t>(outputs_.size()));
}

bool KeywordMatcher::empty() const { return patternLength_.empty(); }

bool KeywordMatcher::ContainsAny(std::string_view text) const {
  if (empty()) return false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const size_t size = text.size();
  // Every byte is tested, which keeps the loop free of hard-to-predict branches; character
  // boundaries are worked out only up to a position where an entry may start.
  size_t boundary = 0;
  for (size_t i = 0; i < size; ++i) {
    const unsigned char c = bytes[i];
    const bool single = (singleBytes_[c / 64] >> (c % 64)) & 1u;
    const auto pair = static_cast<uint16_t>(c * kAlphabet + (i + 1 < size ? bytes[i + 1] : 0));
    const bool paired = i + 1 < size && ((firstPairs_[pair / 64] >> (pair % 64)) & 1u);
    if (!single && !paired) continue;
    while (boundary < i) boundary += bytes[boundary] >= 0x80 ? 2 : 1;
    if (boundary != i) continue;
    if (single || EntryStartsAt(text.data() + i, size - i, pair)) return true;
  }
  return false;
}

bool KeywordMatcher::EntryStartsAt(const char* text, size_t size, uint16_t pair) const {
  auto it = std::lower_bound(candidates_.begin(), candidates_.end(), pair,
                             [](const Candidate& c, uint16_t p) { return c.pair < p; });
  for (; it != candidates_.end() && it->pair == pair; ++it) {
    if (it->length <= size && std::memcmp(text, candidateBytes_.data() + it->offset, it->length) == 0) return true;
  }
  return false;
}

KeywordMatcher::Counter::Counter(const KeywordMatcher& matcher, unsigned limit)
    : matcher_(&matcher), limit_(limit), seen_((matcher.patternLength_.size() + 63) / 64, 0) {}

bool KeywordMatcher::Counter::Feed(const char* data, size_t size) {
  if (Reached()) return true;
  const KeywordMatcher& m = *matcher_;
  if (m.empty() || size == 0) return false;
  const uint32_t* next = m.next_.data();
  uint32_t state = state_;
  uint64_t bits = boundaryBits_;
  bool inTrail = inTrail_;
  for (size_t i = 0; i < size; ++i) {
    const auto byte = static_cast<unsigned char>(data[i]);
    StepBoundary(byte, bits, inTrail);
    state = next[state * kAlphabet + byte];
    for (uint32_t o = m.outStart_[state], end = m.outStart_[state + 1]; o < end; ++o) {
      const uint32_t id = m.outputs_[o];
      uint64_t& word = seen_[id / 64];
      const uint64_t bit = uint64_t{1} << (id % 64);
      if ((word & bit) != 0 || !StartsAtBoundary(bits, m.patternLength_[id])) continue;
      word |= bit;
      count_ += m.patternWeight_[id];
      if (count_ >= limit_) return true;
    }
  }
  state_ = state;
  boundaryBits_ = bits;
  inTrail_ = inTrail;
  return false;
}

bool KeywordMatcher::Counter::Reached() const { return count_ >= limit_; }
