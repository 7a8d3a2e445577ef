// Program-wide state shared by the windows: the listed rows' subfolders and dates, the
// last read ID3v2 tag, and the batch window's setting.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "formats/id3v2_reader.h"

namespace vq {

struct SharedState {
  // One entry per file list row: "" or "/" + subfolder name (folder-structure mode).
  std::vector<std::u16string> SubfolderEntries{u""};
  // One entry per file list row: last-modified local time when the list was built.
  std::vector<std::time_t> FileDates;
  // The batch window's "新規作成のみ行う", 0 or 1, saved in Path.dat.
  int CreateNewOnly = 0;
  // The size field of the last read ID3v2 tag, 0 without a tag.
  std::int32_t V2TagSize = 0;
  // The frames of the last read ID3v2 tag.
  ::vq::V2FrameTable V2FrameTable{V2FrameEntry{}};
};

}  // namespace vq
