// What the readings window shows over the current listing: each text of the listed
// files' titles, artists, albums and album artists that has no sort reading yet and
// does not read as it is written ("サカナクション", "B'z"), with
// its proposed reading, where that came from and how sure it is. The collection the
// readings come from is the listed files themselves.
#pragma once

#include <string>
#include <vector>

#include "passes/reading_sources.h"

namespace vq {

struct Session;

struct ReviewRow {
  ReadingProposal proposal;
  std::vector<SortedField> fields;  // the fields that hold the text, in field order
  int files = 0;                    // how many listed files hold it
};

struct ReadingsReview {
  std::vector<ReviewRow> rows;  // in the order the texts first appear in the listing
  ReadingCounts counts;
  // Lines for the user: the missing dictionary, a readings file or music files that
  // could not be read (each naming the file).
  std::vector<std::u16string> notices;
};

// Reads the listed files' tags and decides each text's reading.
ReadingsReview ReviewReadings(const Session& session, const ReadingsSetup& setup);

// "曲名", "作者名", "アルバム名", "アルバム作者名", "作曲者名", joined with "・".
std::u16string FieldNames(const std::vector<SortedField>& fields);

}  // namespace vq
