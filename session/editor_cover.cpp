#include "session/editor_cover.h"

#include "formats/frame_ids.h"

namespace vq {

namespace {

std::optional<std::uint8_t> TypeOf(const KeptLine& line) {
  // A line that an earlier write dropped has no frame in the file any more.
  if (line.id.empty() || !line.frame) return std::nullopt;
  return PictureTypeOf(*line.frame);
}

}  // namespace

int FrontCoverLine(const EditorModel& model) {
  int first = -1;
  for (std::size_t i = 0; i < model.kept.size(); ++i) {
    const std::optional<std::uint8_t> type = TypeOf(model.kept[i]);
    if (!type) continue;
    if (*type == kFrontCoverType) return static_cast<int>(i);
    if (first < 0) first = static_cast<int>(i);
  }
  return first;
}

std::optional<EmbeddedPicture> FrontCoverOf(const EditorModel& model) {
  const int line = FrontCoverLine(model);
  if (line < 0) return std::nullopt;
  return ReadPicture(*model.kept[static_cast<std::size_t>(line)].frame);
}

int SetFrontCover(EditorModel& model, const OutFrame& frame) {
  KeptLine line;
  line.id = WidenId(frame.id);
  V2FrameEntry& e = line.frame.emplace();
  e.id = line.id;
  e.major = 3;
  e.flags[0] = frame.flags[0];
  e.flags[1] = frame.flags[1];
  e.body = frame.body;
  e.fromFile = true;  // a whole frame, which the write carries over as it is

  int at = -1;
  for (std::size_t i = 0; i < model.kept.size();) {
    if (TypeOf(model.kept[i]) != kFrontCoverType) {
      ++i;
      continue;
    }
    if (at < 0) {
      at = static_cast<int>(i);
      model.kept[i] = std::move(line);
      ++i;
    } else {
      model.kept.erase(model.kept.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
  if (at >= 0) return at;
  model.kept.push_back(std::move(line));
  return static_cast<int>(model.kept.size()) - 1;
}

bool RemoveFrontCover(EditorModel& model) {
  const int line = FrontCoverLine(model);
  if (line < 0) return false;
  if (TypeOf(model.kept[static_cast<std::size_t>(line)]) != kFrontCoverType) {
    model.kept.erase(model.kept.begin() + line);
    return true;
  }
  std::erase_if(model.kept, [](const KeptLine& l) { return TypeOf(l) == kFrontCoverType; });
  return true;
}

}  // namespace vq
