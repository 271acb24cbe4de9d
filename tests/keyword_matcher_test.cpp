#include "scan/keyword_matcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "support/plain_scan.h"

namespace {

using Entries = std::vector<std::string>;

KeywordMatcher Built(const Entries& entries) {
  KeywordMatcher matcher;
  matcher.Build(entries);
  return matcher;
}

// The count the Counter reaches when fed these pieces: the largest limit it reaches (up to limit).
unsigned CountInPieces(const KeywordMatcher& matcher, const std::vector<std::string>& pieces, unsigned limit = 1000) {
  for (unsigned reached = 0; reached < limit; ++reached) {
    KeywordMatcher::Counter counter(matcher, reached + 1);
    for (const std::string& piece : pieces) counter.Feed(piece.data(), piece.size());
    if (!counter.Reached()) return reached;
  }
  return limit;
}

unsigned CountIn(const KeywordMatcher& matcher, const std::string& text, unsigned limit = 1000) {
  return CountInPieces(matcher, {text}, limit);
}

// Random GBK-like bytes: a few ASCII letters, double-byte characters whose second byte is
// ASCII or lead-range, stray lead bytes, and keywords salted in.
class RandomGbk {
 public:
  explicit RandomGbk(unsigned seed) : rng_(seed) {}

  std::string Token() {
    static const char* const kAscii[] = {"a", "b", "A", "\\", "0"};
    static const char* const kDouble[] = {"\xB0\x61", "\xB0\xB0", "\xB1\x41", "\x81\x62", "\xB0\xB1", "\xB1\xB0"};
    switch (Pick(4)) {
      case 0: return kAscii[Pick(std::size(kAscii))];
      case 1:
      case 2: return kDouble[Pick(std::size(kDouble))];
      default: return Pick(3) == 0 ? "\xB0" : "\xB1";  // a lone lead byte shifts what follows
    }
  }

  std::string Word(size_t maxTokens) {
    std::string word;
    const size_t tokens = 1 + Pick(maxTokens);
    for (size_t i = 0; i < tokens; ++i) word += Token();
    return word;
  }

  Entries List() {
    Entries entries;
    const size_t size = 1 + Pick(12);
    for (size_t i = 0; i < size; ++i) entries.push_back(Word(3));
    if (Pick(2) == 0) entries.push_back(entries[Pick(entries.size())]);  // a twice-listed entry
    return entries;
  }

  std::string Text(const Entries& entries) {
    std::string text;
    const size_t pieces = Pick(40);
    for (size_t i = 0; i < pieces; ++i) text += Pick(5) == 0 ? entries[Pick(entries.size())] : Token();
    return text;
  }

  size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }

 private:
  std::mt19937 rng_;
};

}  // namespace

TEST(KeywordMatcherTest, ContainsAnyFindsEntriesAnywhereAtCharacterBoundaries) {
  const KeywordMatcher matcher = Built({"he", "she", "hers", "\xB3\xC9\xC8\xCB"});
  EXPECT_TRUE(matcher.ContainsAny("ushers"));
  EXPECT_TRUE(matcher.ContainsAny("xhe"));
  EXPECT_TRUE(matcher.ContainsAny("a\xB3\xC9\xC8\xCB"));
  EXPECT_FALSE(matcher.ContainsAny("HE"));
  EXPECT_FALSE(matcher.ContainsAny("h"));
  EXPECT_FALSE(matcher.ContainsAny(""));
  // "he" hidden behind a lead byte: the 'h' is the second byte of a character.
  EXPECT_FALSE(matcher.ContainsAny("\xB3he"));
  EXPECT_TRUE(matcher.ContainsAny("\xB3hhe"));
  // The keyword's first byte as the second byte of a character.
  EXPECT_FALSE(matcher.ContainsAny("\xB0\xB3\xC9\xC8\xCB"));
  EXPECT_TRUE(matcher.ContainsAny("\xB0\xB0\xB3\xC9\xC8\xCB"));
}

TEST(KeywordMatcherTest, AShorterEntryInsideALongerCandidateIsStillFound) {
  // "abcd" fails at 'x' while "bc" already ended: the suffix output must be reported.
  const KeywordMatcher matcher = Built({"abcd", "bc"});
  EXPECT_TRUE(matcher.ContainsAny("abcx"));
  EXPECT_FALSE(matcher.ContainsAny("abx"));
  // Same, with the short entry starting at a non-boundary inside the long one.
  const KeywordMatcher dbcs = Built({"\xB0\x61\x63", "\x61\x62"});
  EXPECT_FALSE(dbcs.ContainsAny("\xB0\x61\x62"));  // "ab" would start at a second byte
  EXPECT_TRUE(dbcs.ContainsAny("\xB0\x61\x61\x62"));
}

TEST(KeywordMatcherTest, EmptyAndOverlongEntriesAreNeverFound) {
  EXPECT_TRUE(Built({}).empty());
  EXPECT_FALSE(Built({}).ContainsAny("anything"));
  EXPECT_TRUE(Built({""}).empty());
  EXPECT_FALSE(Built({"", "zz"}).ContainsAny("abc"));
  const std::string longest(KeywordMatcher::kMaxEntryLength, 'q');
  EXPECT_TRUE(Built({longest}).ContainsAny("x" + longest));
  EXPECT_FALSE(Built({longest + "q"}).ContainsAny(longest + "qq"));
  EXPECT_FALSE(PlainScanContains("abc", ""));
}

TEST(KeywordMatcherTest, CounterCountsDistinctEntriesWeightedByListing) {
  const KeywordMatcher matcher = Built({"a", "b", "c", "b", "d"});
  EXPECT_EQ(CountIn(matcher, "aaaa", 99), 1u);     // an entry adds at most once
  EXPECT_EQ(CountIn(matcher, "b", 99), 2u);        // listed twice, counted twice
  EXPECT_EQ(CountIn(matcher, "abcd", 99), 5u);
  EXPECT_EQ(CountIn(matcher, "xyz", 99), 0u);
  EXPECT_EQ(CountIn(matcher, "\xB0" "a", 99), 0u);  // 'a' is a trail byte there

  KeywordMatcher::Counter counter(matcher, 3);
  EXPECT_FALSE(counter.Feed("a", 1));
  EXPECT_FALSE(counter.Reached());
  EXPECT_TRUE(counter.Feed("xb", 2));
  EXPECT_TRUE(counter.Reached());
  EXPECT_TRUE(counter.Feed("cd", 2));  // nothing is counted any more

  const KeywordMatcher empty = Built({});
  KeywordMatcher::Counter none(empty, 5);
  EXPECT_FALSE(none.Feed("abc", 3));
  EXPECT_EQ(CountIn(empty, "abc"), 0u);
}

TEST(KeywordMatcherTest, CounterFindsMatchesAndBoundariesAcrossPieces) {
  const KeywordMatcher matcher = Built({"abc", "\xB0\xA1\xB0\xA2", "\x61\x62"});
  EXPECT_EQ(CountInPieces(matcher, {"xa", "b", "c\xB0", "\xA1\xB0", "\xA2"}), 3u);

  // A lead byte ends one piece; the next piece's first byte is its second byte, not an 'a'.
  EXPECT_EQ(CountInPieces(matcher, {"\xB0", "abc"}), 0u);
  EXPECT_EQ(CountInPieces(matcher, {"\xB0", "abc", "ab"}), 1u);
  EXPECT_EQ(CountInPieces(matcher, {"\xB0", "abc", "ab", ""}), 1u);
}

TEST(KeywordMatcherTest, PlainScanFollowsTheDefinition) {
  EXPECT_TRUE(PlainScanContains("abc", "bc"));
  EXPECT_FALSE(PlainScanContains("\xB0" "bc", "bc"));
  EXPECT_FALSE(PlainScanContains("", "a"));
  EXPECT_TRUE(PlainScanMatchAny("xyz", {"q", "z"}));
  EXPECT_FALSE(PlainScanMatchAny("xyz", {}));
  EXPECT_TRUE(PlainScanCountReaches("abc", {"a", "b", "b"}, 3));
  EXPECT_FALSE(PlainScanCountReaches("abc", {"a", "b", "z"}, 3));
  EXPECT_TRUE(PlainScanCountReaches("", {}, 0));
}

TEST(KeywordMatcherTest, AgreesWithThePlainScanOnRandomGbkText) {
  RandomGbk random(20240611);
  for (int round = 0; round < 3000; ++round) {
    const Entries entries = random.List();
    const KeywordMatcher matcher = Built(entries);
    const std::string text = random.Text(entries);
    ASSERT_EQ(matcher.ContainsAny(text), PlainScanMatchAny(text, entries)) << "round " << round;

    const unsigned limit = static_cast<unsigned>(random.Pick(6));
    KeywordMatcher::Counter counter(matcher, limit);
    size_t at = 0;
    while (at < text.size()) {
      const size_t piece = std::min(text.size() - at, random.Pick(3) == 0 ? size_t{1} : random.Pick(9));
      counter.Feed(text.data() + at, piece);
      at += piece;
    }
    ASSERT_EQ(counter.Reached(), PlainScanCountReaches(text, entries, limit)) << "round " << round;
  }
}

TEST(KeywordMatcherTest, CountsOfAllEntriesMatchThePlainScanCount) {
  RandomGbk random(7);
  for (int round = 0; round < 1000; ++round) {
    const Entries entries = random.List();
    const std::string text = random.Text(entries);
    unsigned expected = 0;
    for (const std::string& entry : entries) expected += PlainScanContains(text, entry) ? 1 : 0;
    const KeywordMatcher matcher = Built(entries);
    std::vector<std::string> bytes;
    for (char c : text) bytes.emplace_back(1, c);
    ASSERT_EQ(CountInPieces(matcher, bytes, static_cast<unsigned>(entries.size()) + 1), expected) << "round " << round;
  }
}
