// Where a collection's readings come from, set up once for a pass or a window: the
// user's readings file, the collection's tally (filled from the files' tags before the
// first decision) and the dictionaries; each text is decided once.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "formats/id3v2_reader.h"
#include "formats/sort_fields.h"
#include "passes/collection_tally.h"
#include "passes/reading_decision.h"
#include "passes/reading_dictionary.h"
#include "passes/user_readings.h"

namespace vq {

struct ReadingsSetup {
  DictionaryFolders dictionaries;
  std::string userFile = UserReadingsPath();
};

class ReadingSources {
 public:
  // Loads the readings file and the dictionaries; what is missing or cannot be read
  // becomes a notice.
  explicit ReadingSources(const ReadingsSetup& setup = {});

  // Lines for the user: the missing dictionary (which package to install), a readings
  // file that could not be read.
  const std::vector<std::u16string>& notices() const { return notices_; }
  const ReadingDictionaries& dictionaries() const { return dictionaries_; }

  // Counts the sort readings of a file's tag in the collection; before any Decide.
  void AddToCollection(const V2FrameTable& table) { tally_.AddTable(table); }

  // The text's reading and how sure it is, decided once per text.
  const ReadingProposal& Decide(std::u16string_view text);

 private:
  ReadingDictionaries dictionaries_;
  UserReadings user_;
  CollectionTally tally_;
  std::vector<std::u16string> notices_;
  std::unordered_map<std::u16string, std::unique_ptr<ReadingProposal>> decided_;
};

// The frame table of a file's ID3v2 tag (empty without one), read without a lock.
// Throws Error when the file cannot be read.
V2FrameTable ReadFrameTable(const std::string& path);

// The readings a pass over a whole tree writes on its own: the confirmed ones (確定),
// and with `acceptSuggestions` the suggested ones (候補) too. It remembers each text it
// was asked for, once, in the order asked, for the counts and the list of what it left
// undecided. A text that reads as it is written needs no reading and is not counted.
class DecidedReadings {
 public:
  DecidedReadings(ReadingSources& sources, bool acceptSuggestions)
      : sources_(sources), acceptSuggestions_(acceptSuggestions) {}

  std::optional<std::u16string> operator()(SortedField field, std::u16string_view text);

  const ReadingCounts& counts() const { return counts_; }
  // The texts asked for whose reading was not written on its own: suggestions (without
  // acceptSuggestions) and texts no source reads, in the order asked.
  const std::vector<const ReadingProposal*>& undecided() const { return undecided_; }

 private:
  ReadingSources& sources_;
  bool acceptSuggestions_;
  std::unordered_map<std::u16string, bool> asked_;
  ReadingCounts counts_;
  std::vector<const ReadingProposal*> undecided_;
};

}  // namespace vq
