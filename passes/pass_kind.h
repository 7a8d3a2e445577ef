// The kinds of passes, as their journals record them and as messages name them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vq {

enum class PassKind : std::uint8_t {
  Batch = 1,          // the automatic processing: names from the folder tree
  Unicode = 2,        // tags to Unicode
  Undo = 3,           // putting a pass back (never journalled itself)
  Cover = 4,          // an album's cover into its files
  ExtractCovers = 5,  // the files' cover into the album folder
  Rename = 6,         // files named from their tags
  Readings = 7,       // sort readings
};

// The pass as messages name it: "自動処理", "Unicodeへの変換", "元に戻す処理", ...
std::u16string PassName(PassKind kind);

// "自動処理を中断しました。" CR LF "k / n 曲を処理しました。": a pass that was asked to stop
// before its end, in the pass's own words.
std::u16string StoppedPassText(PassKind kind, std::size_t done, std::size_t count);

}  // namespace vq
