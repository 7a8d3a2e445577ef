#include <cstdlib>
#include <string>
#include <string_view>

#include "formats/bytesource.h"
#include "formats/id3v2_reader.h"
#include "formats/id3v2_writer.h"
#include "formats/unicode_tag.h"
#include "fuzz/targets.h"
#include "passes/journal_reader.h"
#include "platform/fileio.h"

namespace vqfuzz {
namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

void UnicodeTag(const std::uint8_t* data, std::size_t size) {
  const std::string_view tag(reinterpret_cast<const char*>(data), size);
  vq::ReadingTally folder;
  folder.Add(vq::TextReading::CodePage932);
  const vq::ReadingTally* const tallies[] = {nullptr, &folder};
  for (const vq::ReadingTally* tally : tallies) {
    const vq::UnicodeTagResult planned = vq::PlanUnicodeTag(tag, tally);
    Check(planned.plan.rewrite || planned.frames.empty());
    if (!planned.plan.rewrite) continue;
    Check(!planned.plan.unreadableTag);
    const vq::V2Header header = vq::ReadV2Header(vq::MemorySource(tag));
    std::string region;
    try {
      vq::PutNewTagRegion(region, planned.frames, header.size, tag.size());
    } catch (const vq::Error&) {
      continue;  // a tag too large for a v2.3 header
    }
    // What is written is a tag the conversion reads whole; once every text was decided,
    // a second conversion has nothing left to do. (A text left undecided may be decided
    // by a second conversion: the texts the first one converted no longer vote.)
    const vq::UnicodeTagResult again = vq::PlanUnicodeTag(region, tally);
    Check(!again.plan.unreadableTag);
    if (planned.plan.undecided.empty()) Check(!again.plan.rewrite);
  }
}

void Journal(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    const vq::JournalContents j = vq::ParseJournal(bytes, "/j.journal");
    Check(j.records.size() <= size);
    Check(j.info.files <= j.records.size());
    for (const vq::JournalRecord& r : j.records) {
      Check(r.oldTail.size() <= 128 && r.newTailLength <= 128);
      if (r.kind != vq::RecordKind::Tags) continue;
      // Any new head: the old head rebuilt from it is exactly as long as recorded, or none.
      const std::optional<std::string> head = vq::OldHeadFrom(r, bytes);
      if (head) Check(head->size() == r.oldHeadLength);
    }
  } catch (const vq::Error&) {
    // Not a journal.
  }
}

}  // namespace vqfuzz
