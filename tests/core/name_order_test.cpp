// The order names are listed in: shown text in runs, numbers by value, then bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/file_names.h"
#include "platform/name_order.h"

TEST(NameOrder, EachGroupInOrderAndSortedBackIntoIt) {
  const struct {
    const char* what;
    std::vector<std::string> names;  // the file system's bytes, in the expected order
  } cases[] = {
      {"numbers by value", {"2 曲.mp3", "10 曲.mp3", "Track 9.mp3", "Track 10.mp3", "Track 100.mp3"}},
      {"a number wider than 64 bits", {"99999999999999999999", "100000000000000000000"}},
      {"equal values: the shorter run first", {"0 a", "00 a", "1.mp3", "01.mp3", "001.mp3", "2.mp3"}},
      {"ASCII letters folded", {"_x", "a.mp3", "Ax", "B.mp3", "c.mp3"}},
      {"equal texts by their bytes", {"A.mp3", "a.mp3"}},
      {"a name that stops first", {"a", "a1", "ab", "abc"}},
      {"a digit against another character by code point", {"x 5", "x.", "x5", "x05", "xa"}},
      {"Japanese after ASCII, by code point", {"zz.mp3", "あ.mp3", "ア.mp3", "曲2.mp3", "曲10.mp3"}},
      {"code points beyond U+FFFF after the rest of the plane", {"\uFF03", "\U0001F3B5"}},
      // Shift-JIS "ア" (bytes 83 41) after UTF-8 "あ" (E3 81 82): the shown text decides.
      {"shown text, not bytes", {"\xE3\x81\x82.mp3", "\x83\x41.mp3"}},
      {"full-width digits are not digits", {"9", "10", "\uFF11\uFF10", "\uFF19"}},
  };
  std::mt19937 random(21);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto& n = c.names;
    for (std::size_t i = 0; i < n.size(); ++i) {
      const std::u16string a = vq::DecodeName(n[i]);
      EXPECT_EQ(vq::CompareNames(a, n[i], a, n[i]), 0) << n[i];
      for (std::size_t j = i + 1; j < n.size(); ++j) {
        const std::u16string b = vq::DecodeName(n[j]);
        EXPECT_LT(vq::CompareNames(a, n[i], b, n[j]), 0) << n[i] << " before " << n[j];
        EXPECT_GT(vq::CompareNames(b, n[j], a, n[i]), 0) << n[j] << " after " << n[i];
      }
    }
    for (int round = 0; round < 3; ++round) {
      std::vector<std::string> shuffled = n;
      std::shuffle(shuffled.begin(), shuffled.end(), random);
      vq::SortNames(shuffled);
      EXPECT_EQ(shuffled, n);
    }
  }
}
