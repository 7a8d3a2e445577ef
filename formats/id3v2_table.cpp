#include "formats/id3v2_reader.h"

namespace vq {

void ResetV2FrameTable(V2FrameTable& table) {
  table.clear();
  table.emplace_back();
}

}  // namespace vq
