#include "passes/collection_tally.h"

#include "passes/kana.h"
#include "formats/sort_fields.h"

namespace vq {

void CollectionTally::AddTable(const V2FrameTable& table) {
  for (const SortedFieldState& f : SortedFieldsOf(table))
    if (!f.text.empty() && !f.sort.empty()) Add(f.text, f.sort);
}

void CollectionTally::Add(std::u16string_view text, std::u16string_view reading) {
  if (text.empty() || reading.empty() || NeedsDictionary(reading)) return;
  ++counts_[std::u16string(text)][std::u16string(reading)];
}

std::optional<std::u16string> CollectionTally::MostCommon(std::u16string_view text) const {
  auto it = counts_.find(std::u16string(text));
  if (it == counts_.end()) return std::nullopt;
  const std::u16string* best = nullptr;
  int most = 0;
  for (const auto& [reading, n] : it->second) {
    if (n > most) {
      best = &reading;
      most = n;
    }
  }
  return best ? std::optional<std::u16string>(*best) : std::nullopt;
}

}  // namespace vq
