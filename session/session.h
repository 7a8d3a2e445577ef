// Program-wide state that the windows share: the listed rows with their paths' bytes,
// the last read ID3v2 tag and the batch window's setting. Qt-free, so that the batch,
// the tests and the benchmarks can work on it without a window.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "formats/id3v2_reader.h"
#include "session/listing.h"

namespace vq {

struct Session {
  // One record per file list row, in the list's order: the file name's and the
  // subfolder entry's bytes, their shown text, the date recorded when the list was
  // built and the read-only bit.
  std::vector<ListedFile> rows;
  // The batch window's "新規作成のみ行う", 0 or 1, saved in Path.dat.
  int CreateNewOnly = 0;
  // The size field of the last read ID3v2 tag, 0 without a tag.
  std::int32_t V2TagSize = 0;
  // The frames of the last read ID3v2 tag.
  ::vq::V2FrameTable V2FrameTable{V2FrameEntry{}};

  // The row's record, or nullptr for a row the list does not have.
  const ListedFile* Row(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < rows.size() ? &rows[static_cast<std::size_t>(row)] : nullptr;
  }
};

}  // namespace vq
