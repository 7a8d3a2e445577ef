#include "session/readings_review.h"

#include <algorithm>
#include <unordered_map>

#include "passes/kana.h"
#include "passes/readings_pass.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "session/session.h"

namespace vq {
namespace {

constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);

}  // namespace

std::u16string FieldNames(const std::vector<SortedField>& fields) {
  std::u16string out;
  for (SortedField f : fields) {
    if (!out.empty()) out += u"・";
    out += SortedFieldName(f);
  }
  return out;
}

ReadingsReview ReviewReadings(const Session& session, const ReadingsSetup& setup) {
  ReadingsReview review;
  ReadingSources sources(setup);
  review.notices = sources.notices();

  std::vector<V2FrameTable> tables;
  for (int row = 0; row < static_cast<int>(session.rows.size()); ++row) {
    try {
      tables.push_back(ReadFrameTable(session.FilePath(row)));
      sources.AddToCollection(tables.back());
    } catch (const Error& e) {
      review.notices.push_back(session.ShownFolderPrefix(row) + session.ShownFileName(row) + u" を読めません: " +
                               e.description());
    }
  }

  std::unordered_map<std::u16string, std::size_t> rowOf;
  for (const V2FrameTable& table : tables) {
    const SortedFields fields = SortedFieldsOf(table);
    std::vector<std::size_t> counted;  // the rows this file counted already
    for (SortedField field : kWrittenSortFields) {
      const SortedFieldState& s = fields[static_cast<std::size_t>(field)];
      if (s.text.empty() || !s.sort.empty() || !HasReadingOfItsOwn(s.text)) continue;
      auto [it, added] = rowOf.try_emplace(s.text, review.rows.size());
      if (added) {
        ReadingProposal p = sources.Decide(s.text);
        if (p.reading == s.text) it->second = kNoRow;  // reads as it is written: needs no sort field
        if (it->second != kNoRow) review.rows.push_back({std::move(p), {}, 0});
      }
      if (it->second == kNoRow) continue;
      ReviewRow& r = review.rows[it->second];
      if (std::find(counted.begin(), counted.end(), it->second) == counted.end()) {
        counted.push_back(it->second);
        ++r.files;
      }
      if (std::find(r.fields.begin(), r.fields.end(), field) == r.fields.end()) r.fields.push_back(field);
    }
  }
  for (ReviewRow& r : review.rows) {
    std::sort(r.fields.begin(), r.fields.end());
    review.counts.Count(r.proposal);
  }
  return review;
}

}  // namespace vq
