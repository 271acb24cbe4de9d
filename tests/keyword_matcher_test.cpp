#include "scan/keyword_matcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using Entries = std::vector<std::string>;

KeywordMatcher Built(const Entries& entries) {
  KeywordMatcher matcher;
  matcher.Build(entries);
  return matcher;
}

unsigned CountIn(const KeywordMatcher& matcher, const std::string& text, unsigned limit) {
  KeywordMatcher::Counter counter(matcher, limit);
  counter.Feed(text.data(), text.size());
  return counter.Count();
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
  EXPECT_FALSE(ReferenceContains("abc", ""));
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
  EXPECT_EQ(counter.Count(), 3u);

  const KeywordMatcher empty = Built({});
  KeywordMatcher::Counter none(empty, 5);
  EXPECT_FALSE(none.Feed("abc", 3));
  EXPECT_EQ(none.Count(), 0u);
}

TEST(KeywordMatcherTest, CounterFindsMatchesAndBoundariesAcrossPieces) {
  const KeywordMatcher matcher = Built({"abc", "\xB0\xA1\xB0\xA2", "\x61\x62"});
  KeywordMatcher::Counter counter(matcher, 99);
  counter.Feed("xa", 2);
  counter.Feed("b", 1);
  counter.Feed("c\xB0", 2);
  counter.Feed("\xA1\xB0", 2);
  counter.Feed("\xA2", 1);
  EXPECT_EQ(counter.Count(), 3u);

  // A lead byte ends one piece; the next piece's first byte is its second byte, not an 'a'.
  KeywordMatcher::Counter split(matcher, 99);
  split.Feed("\xB0", 1);
  split.Feed("abc", 3);
  EXPECT_EQ(split.Count(), 0u);
  split.Feed("ab", 2);
  EXPECT_EQ(split.Count(), 1u);
  split.Feed(nullptr, 0);
  EXPECT_EQ(split.Count(), 1u);
}

TEST(KeywordMatcherTest, ReferenceFollowsTheDefinition) {
  EXPECT_TRUE(ReferenceContains("abc", "bc"));
  EXPECT_FALSE(ReferenceContains("\xB0" "bc", "bc"));
  EXPECT_FALSE(ReferenceContains("", "a"));
  EXPECT_TRUE(ReferenceMatchAny("xyz", {"q", "z"}));
  EXPECT_FALSE(ReferenceMatchAny("xyz", {}));
  EXPECT_TRUE(ReferenceCountReaches("abc", {"a", "b", "b"}, 3));
  EXPECT_FALSE(ReferenceCountReaches("abc", {"a", "b", "z"}, 3));
  EXPECT_TRUE(ReferenceCountReaches("", {}, 0));
}

TEST(KeywordMatcherTest, AgreesWithTheReferenceOnRandomGbkText) {
  RandomGbk random(20240611);
  for (int round = 0; round < 3000; ++round) {
    const Entries entries = random.List();
    const KeywordMatcher matcher = Built(entries);
    const std::string text = random.Text(entries);
    ASSERT_EQ(matcher.ContainsAny(text), ReferenceMatchAny(text, entries)) << "round " << round;

    const unsigned limit = static_cast<unsigned>(random.Pick(6));
    KeywordMatcher::Counter counter(matcher, limit);
    size_t at = 0;
    while (at < text.size()) {
      const size_t piece = std::min(text.size() - at, random.Pick(3) == 0 ? size_t{1} : random.Pick(9));
      counter.Feed(text.data() + at, piece);
      at += piece;
    }
    ASSERT_EQ(counter.Reached(), ReferenceCountReaches(text, entries, limit)) << "round " << round;
  }
}

TEST(KeywordMatcherTest, CountsOfAllEntriesMatchTheReferenceCount) {
  RandomGbk random(7);
  for (int round = 0; round < 1000; ++round) {
    const Entries entries = random.List();
    const std::string text = random.Text(entries);
    unsigned expected = 0;
    for (const std::string& entry : entries) expected += ReferenceContains(text, entry) ? 1 : 0;
    const KeywordMatcher matcher = Built(entries);
    KeywordMatcher::Counter counter(matcher, 1000);
    for (char c : text) counter.Feed(&c, 1);
    ASSERT_EQ(counter.Count(), expected) << "round " << round;
  }
}
