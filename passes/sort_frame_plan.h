// What a file's tag gets from the readings: given its frame table, the sort frames to
// set (TSOT, TSOP, TSOA, TSO2) with their readings, and the whole new frame list with
// every other frame carried over whole. The pass that writes it (journal, locks, the
// dry run) takes the frames as they are.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/id3v2_reader.h"
#include "formats/id3v2_writer.h"
#include "formats/sort_fields.h"

namespace vq {

// The fields whose sort frames are written: title, artist, album, album artist.
inline constexpr SortedField kWrittenSortFields[] = {SortedField::Title, SortedField::Artist, SortedField::Album,
                                                     SortedField::AlbumArtist};

// The reading to write for a field's text, or nullopt to leave the field alone (a
// suggestion the user has not accepted, a text no source reads).
using ReadingFor = std::function<std::optional<std::u16string>(SortedField field, std::u16string_view text)>;

struct SortPlanOptions {
  bool replace = false;  // a field's sort reading that differs from the new one is replaced too
  // How the readings are written (formats/id3v2_writer.h): UTF-16 with "ID3v2をUnicodeで
  // 書く", else code page 932 where it holds the reading.
  TextChoice textChoice = TextChoice::CodePage;
};

struct SortFrameChange {
  SortedField field;
  std::u16string text;
  std::u16string oldReading;  // "" when the field had none
  std::u16string reading;
};

struct SortFramePlan {
  std::vector<SortFrameChange> changes;  // none: the file stays as it is
  // The new tag's frames in table order: a changed field's sort frame in the place of
  // its first old one (every other old sort frame of the field left out), else after
  // all frames. v2.2 sort frames (TST ...) go under their v2.3 ids.
  std::vector<OutFrame> frames;
  // Frames of the table that have no v2.3 form (formats' CarryOverFrame): a writer
  // that must keep every byte leaves such a file alone.
  std::size_t notCarried = 0;
};

// A field gets a new sort frame when it has a text, its sort reading is empty (or, with
// `replace`, any), and readingFor gives a reading that differs from the text (a text that
// reads as it is written needs none) and from the sort reading it has. readingFor is
// asked only for such fields.
SortFramePlan PlanSortFrames(const V2FrameTable& table, const ReadingFor& readingFor, const SortPlanOptions& options);

}  // namespace vq
