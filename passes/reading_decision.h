// The reading of one text and how sure it is. Sources in order: the user's readings
// file, then the collection (the reading the same text carries most often elsewhere),
// then the dictionaries. A text without kanji is read from its letters. "確定"
// (confirmed): from the user's file, the collection or the letters, or both
// dictionaries read it alike; else "候補" (suggested), with the alternatives.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "passes/reading_dictionary.h"
#include "passes/collection_tally.h"
#include "passes/user_readings.h"

namespace vq {

enum class ReadingSource { UserFile, Collection, Letters, Dictionary, None };

// How a window and the command line name a source: "読みファイル", "コレクション",
// "かな", "辞書", "なし".
std::u16string SourceName(ReadingSource source);

struct ReadingProposal {
  std::u16string text;
  std::u16string reading;  // "" when no source reads the text
  ReadingSource source = ReadingSource::None;
  bool confirmed = false;  // 確定; else 候補
  // What the window offers: the reading first, then the dictionaries' other readings.
  std::vector<std::u16string> alternatives;
};

class ReadingDecider {
 public:
  // The sources are borrowed and must outlive the decider.
  ReadingDecider(const UserReadings& user, const CollectionTally& tally, const ReadingDictionaries& dictionaries);
  ReadingProposal Decide(std::u16string_view text) const;

 private:
  const UserReadings& user_;
  const CollectionTally& tally_;
  const ReadingDictionaries& dictionaries_;
};

struct ReadingCounts {
  int confirmed = 0;
  int suggested = 0;  // with a reading
  int unread = 0;     // no reading at all (no dictionary, or it knows no kanji of the text)
  void Count(const ReadingProposal& p);
};
// "確定 12 件、候補 3 件、読みなし 1 件"
std::u16string CountsText(const ReadingCounts& counts);

}  // namespace vq
