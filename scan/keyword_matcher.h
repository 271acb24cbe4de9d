// Multi-pattern search over GBK bytes (Aho-Corasick), with matches allowed to start only at
// character boundaries (a byte >= 0x80 is stepped over together with the byte after it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class KeywordMatcher {
 public:
  // Entries in list order; an entry listed twice counts twice in the Counter. Empty entries and
  // entries longer than kMaxEntryLength bytes are never found.
  static constexpr size_t kMaxEntryLength = 64;
  void Build(const std::vector<std::string>& entries);
  bool empty() const;

  // True when at least one entry occurs in text. Meant for short texts such as file names:
  // each character boundary is tried against the entries' first two bytes, and only the few
  // entries that begin with them are compared there.
  bool ContainsAny(std::string_view text) const;

  // Streaming count of distinct entries (weighted by how often each is listed), stopping
  // at limit. Feed the text in pieces of any size; matches across pieces are found.
  class Counter {
   public:
    Counter(const KeywordMatcher& matcher, unsigned limit);
    Counter(KeywordMatcher&&, unsigned) = delete;  // keeps a pointer: no temporaries
    // Feeds bytes; returns true once the count has reached the limit (later calls do nothing).
    bool Feed(const char* data, size_t size);
    bool Reached() const;

   private:
    // The automaton state and which entries were counted so far.
    const KeywordMatcher* matcher_;
    unsigned limit_;
    unsigned count_ = 0;
    uint32_t state_ = 0;
    uint64_t boundaryBits_ = 0;  // bit i: the byte i places before the last one fed starts a character
    bool inTrail_ = false;       // the next byte is the second byte of a double-byte character
    std::vector<uint64_t> seen_;  // one bit per distinct entry already counted
  };

 private:
  friend class Counter;
  std::vector<std::string_view> CountPatterns(const std::vector<std::string>& entries);
  void BuildPrefilter(const std::vector<std::string_view>& patterns);
  std::vector<uint32_t> BuildTrie(const std::vector<std::string_view>& patterns);
  void CompleteAutomaton(const std::vector<uint32_t>& terminal);
  // The Aho-Corasick automaton over the entries.
  std::vector<uint32_t> next_;      // state * 256 + byte -> state
  std::vector<uint32_t> outStart_;  // per state, into outputs_
  std::vector<uint32_t> outputs_;   // pattern ids ending at a state (including suffix links)
  std::vector<uint8_t> patternLength_;   // per distinct entry
  std::vector<uint32_t> patternWeight_;  // how often the entry is listed
  // For ContainsAny: the entries of two bytes or more by their first two bytes, and a bit per
  // such pair (8 KiB, so the test of a character stays in the cache).
  struct Candidate {
    uint16_t pair;
    uint8_t length;
    uint32_t offset;  // into candidateBytes_
  };
  std::vector<Candidate> candidates_;  // sorted by pair
  std::string candidateBytes_;
  std::vector<uint64_t> firstPairs_;
  uint64_t singleBytes_[4] = {};  // bit per one-byte entry

  bool EntryStartsAt(const char* text, size_t size, uint16_t pair) const;
};
