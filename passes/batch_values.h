// What the batch writes into each file of a listing, decided over the whole listing at
// once, so that a track number can say how many tracks its album has ("3/12"), a disc
// how many discs ("1/2"), and numbering in order can count an album's files.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "passes/name_pattern.h"
#include "passes/tag_values.h"
#include "session/listing.h"

namespace vq {

// How names become values; all off is the built-in derivation of artist, album and title.
struct BatchNaming {
  // "曲番号", --track-numbers: a leading number of the file name becomes the track (and
  // the title the rest of the name); in folder-structure mode a subfolder named as a disc
  // ("CD1", "Disc 2") gives the disc, and the album and artist come from the folders
  // above it. The pass folder itself named as a disc does the same for its own files.
  bool trackNumbers = false;
  // "番号を振る", --number-in-order: every file of an album (of a disc, when it has
  // discs) is numbered by its place in the listing's name order. Implies trackNumbers.
  bool numberInOrder = false;
  // --pattern: the values come from the pattern alone (fields it does not name are not
  // written); with trackNumbers a title of a pattern without %track% loses its leading
  // number to the track as in the built-in derivation.
  std::optional<NamePattern> pattern;
};

// What one row gets.
struct RowValues {
  enum class Outcome {
    Values,    // write `values`
    NoMatch,   // the pattern does not match: the file is left alone; `reason` says why
    BadName,   // the name is too short to derive a title from (the batch's InvalidArgument)
  };
  Outcome outcome = Outcome::Values;
  TagValues values;
  std::u16string reason;  // NoMatch and BadName: a sentence naming the file
};

// The values of every row, in row order. shownFolder: the pass folder as shown
// (DecodePath of its bytes); the rows' shown names are used, never their bytes.
// Without any option each row gets exactly DeriveNames' artist, album and title.
// Track and disc texts are "n", or "n/N" when the numbered files of the row's album
// (disc) run 1..N without gaps or repeats, and the disc "n/M" when the album's discs
// run 1..M. An album is the rows with the same artist and album values (rows without an
// album value: the same subfolder).
std::vector<RowValues> ListingValues(std::u16string_view shownFolder, const std::vector<ListedFile>& rows,
                                     const BatchNaming& naming);

// The preview of one row for the batch window: its values, one "名前: 値" line each
// in field order, or why it does not match.
std::u16string PreviewText(const RowValues& row);
// ListingValues' answer for one row (the others are needed for "n/N").
RowValues PreviewRow(std::u16string_view shownFolder, const std::vector<ListedFile>& rows, std::size_t row,
                     const BatchNaming& naming);

// "パターンに合わない曲: 3 曲", the pass's count of files a pattern left alone.
std::u16string UnmatchedCountText(std::size_t count);
// The count, then the files (folder and name as shown), one a line (CR LF), the first
// twenty of them and how many more.
std::u16string UnmatchedFilesText(const std::vector<std::u16string>& files);

}  // namespace vq
