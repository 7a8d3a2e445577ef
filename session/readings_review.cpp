#include "session/readings_review.h"

#include <algorithm>
#include <unordered_map>

#include "formats/bytesource.h"
#include "passes/kana.h"
#include "passes/sort_frame_plan.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "session/session.h"

namespace vq {
namespace {

constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);

}  // namespace

V2FrameTable ReadFrameTable(const std::string& path) {
  RawFile file(path, RawFile::Mode::Read);
  FileSource src(file);
  V2FrameTable table;
  const V2Header header = ReadV2Header(src);
  if (header.present) ReadV2Frames(src, header, table);
  return table;
}

std::u16string FieldNames(const std::vector<SortedField>& fields) {
  static const char16_t* const kNames[kSortedFieldCount] = {u"曲名", u"作者名", u"アルバム名", u"アルバム作者名",
                                                            u"作曲者名"};
  std::u16string out;
  for (SortedField f : fields) {
    if (!out.empty()) out += u"・";
    out += kNames[static_cast<std::size_t>(f)];
  }
  return out;
}

ReadingsReview ReviewReadings(const Session& session, const ReadingsSetup& setup) {
  ReadingsReview review;
  const ReadingDictionaries dictionaries(setup.dictionaries);
  if (!dictionaries.available()) review.notices.push_back(dictionaries.missingMessage());
  UserReadings user;
  try {
    user = UserReadings::Load(setup.userFile);
  } catch (const Error& e) {
    review.notices.push_back(u"読みファイル " + Utf8ToUtf16(setup.userFile) + u" を読めません: " + e.description());
  }

  std::vector<V2FrameTable> tables;
  CollectionTally tally;
  for (int row = 0; row < static_cast<int>(session.rows.size()); ++row) {
    try {
      tables.push_back(ReadFrameTable(session.FilePath(row)));
      tally.AddTable(tables.back());
    } catch (const Error& e) {
      review.notices.push_back(session.ShownFolderPrefix(row) + session.ShownFileName(row) + u" を読めません: " +
                               e.description());
    }
  }

  const ReadingDecider decider(user, tally, dictionaries);
  std::unordered_map<std::u16string, std::size_t> rowOf;
  for (const V2FrameTable& table : tables) {
    const SortedFields fields = SortedFieldsOf(table);
    std::vector<std::size_t> counted;  // the rows this file counted already
    for (SortedField field : kWrittenSortFields) {
      const SortedFieldState& s = fields[static_cast<std::size_t>(field)];
      if (s.text.empty() || !s.sort.empty() || !HasReadingOfItsOwn(s.text)) continue;
      auto [it, added] = rowOf.try_emplace(s.text, review.rows.size());
      if (added) {
        ReadingProposal p = decider.Decide(s.text);
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
