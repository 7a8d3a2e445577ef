#include "platform/name_order.h"

#include <algorithm>
#include <cstddef>
#include <numeric>

#include "platform/file_names.h"

namespace vq {

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// A UTF-16 unit's place in code point order, ASCII letters folded: surrogates (the
// halves of code points above U+FFFF) go above every other unit.
char32_t Rank(char16_t c) {
  if (c >= u'A' && c <= u'Z') return c + (u'a' - u'A');
  if (c >= 0xE000) return c - 0x800;
  if (c >= 0xD800) return c + 0x2000;
  return c;
}

int Sign(bool less) { return less ? -1 : 1; }

}  // namespace

int CompareShownNames(std::u16string_view a, std::u16string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      std::size_t endA = i, endB = j;
      while (endA < a.size() && IsDigit(a[endA])) ++endA;
      while (endB < b.size() && IsDigit(b[endB])) ++endB;
      // The value: the digits after the leading zeros, longer is larger.
      std::size_t fromA = i, fromB = j;
      while (fromA + 1 < endA && a[fromA] == u'0') ++fromA;
      while (fromB + 1 < endB && b[fromB] == u'0') ++fromB;
      if (endA - fromA != endB - fromB) return Sign(endA - fromA < endB - fromB);
      for (std::size_t k = 0; fromA + k < endA; ++k)
        if (a[fromA + k] != b[fromB + k]) return Sign(a[fromA + k] < b[fromB + k]);
      if (endA - i != endB - j) return Sign(endA - i < endB - j);
      i = endA;
      j = endB;
    } else {
      const char32_t ra = Rank(a[i]), rb = Rank(b[j]);
      if (ra != rb) return Sign(ra < rb);
      ++i;
      ++j;
    }
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

int CompareNames(std::u16string_view shownA, std::string_view bytesA, std::u16string_view shownB,
                 std::string_view bytesB) {
  if (int c = CompareShownNames(shownA, shownB)) return c;
  const int c = bytesA.compare(bytesB);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

void SortNames(std::vector<std::string>& names) {
  std::vector<std::u16string> shown;
  shown.reserve(names.size());
  for (const auto& name : names) shown.push_back(DecodeName(name));
  std::vector<std::size_t> order(names.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
    return CompareNames(shown[x], names[x], shown[y], names[y]) < 0;
  });
  std::vector<std::string> sorted;
  sorted.reserve(names.size());
  for (std::size_t k : order) sorted.push_back(std::move(names[k]));
  names = std::move(sorted);
}

}  // namespace vq
