#include "passes/sort_frame_plan.h"

#include <map>

#include "formats/frame_ids.h"

namespace vq {
namespace {

// A frame of a v2.2 tag that formats' table does not map: the sort frames, whose body
// (encoding byte and text) is the same in v2.3.
std::optional<OutFrame> CarryV22SortFrame(const V2FrameEntry& e) {
  if (e.major > 2 || !e.fromFile) return std::nullopt;
  const auto claim = SortFrameOf(e.id);
  if (!claim) return std::nullopt;
  OutFrame f;
  f.id = IdsOf(claim->field).sort;
  f.body = e.body;
  return f;
}

}  // namespace

SortFramePlan PlanSortFrames(const V2FrameTable& table, const ReadingFor& readingFor, const SortPlanOptions& options) {
  SortFramePlan plan;
  const SortedFields fields = SortedFieldsOf(table);
  std::map<std::size_t, OutFrame> newAt;  // table index of a changed field's first sort frame
  std::vector<bool> dropped(table.size(), false);
  std::vector<OutFrame> appended;
  for (SortedField field : kWrittenSortFields) {
    const SortedFieldState& s = fields[static_cast<std::size_t>(field)];
    if (s.text.empty() || (!s.sort.empty() && !options.replace)) continue;
    const std::optional<std::u16string> reading = readingFor(field, s.text);
    if (!reading || reading->empty() || *reading == s.text || *reading == s.sort) continue;
    plan.changes.push_back({field, s.text, s.sort, *reading});
    OutFrame frame = MakeTextFrame(IdsOf(field).sort, *reading, options.textChoice);
    for (std::size_t i : s.sortFrames) dropped[i] = true;
    if (s.sortFrames.empty())
      appended.push_back(std::move(frame));
    else
      newAt[s.sortFrames.front()] = std::move(frame);
  }
  if (plan.changes.empty()) return plan;

  for (std::size_t i = 0; i < table.size(); ++i) {
    if (auto it = newAt.find(i); it != newAt.end()) plan.frames.push_back(std::move(it->second));
    if (dropped[i]) continue;
    std::optional<OutFrame> f = CarryOverFrame(table[i]);
    if (!f) f = CarryV22SortFrame(table[i]);
    if (f)
      plan.frames.push_back(std::move(*f));
    else
      ++plan.notCarried;
  }
  for (OutFrame& f : appended) plan.frames.push_back(std::move(f));
  return plan;
}

}  // namespace vq
