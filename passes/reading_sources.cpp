#include "passes/reading_sources.h"

#include "formats/bytesource.h"
#include "platform/fileio.h"
#include "platform/text.h"

namespace vq {

ReadingSources::ReadingSources(const ReadingsSetup& setup) : dictionaries_(setup.dictionaries) {
  if (!dictionaries_.available()) notices_.push_back(dictionaries_.missingMessage());
  try {
    user_ = UserReadings::Load(setup.userFile);
  } catch (const Error& e) {
    notices_.push_back(u"読みファイル " + Utf8ToUtf16(setup.userFile) + u" を読めません: " + e.description());
  }
}

const ReadingProposal& ReadingSources::Decide(std::u16string_view text) {
  auto [it, added] = decided_.try_emplace(std::u16string(text));
  if (added) it->second = std::make_unique<ReadingProposal>(ReadingDecider(user_, tally_, dictionaries_).Decide(text));
  return *it->second;
}

V2FrameTable ReadFrameTable(const std::string& path) {
  RawFile file(path, RawFile::Mode::Read);
  FileSource src(file);
  V2FrameTable table;
  const V2Header header = ReadV2Header(src);
  if (header.present) ReadV2Frames(src, header, table);
  return table;
}

std::optional<std::u16string> DecidedReadings::operator()(SortedField, std::u16string_view text) {
  const ReadingProposal& p = sources_.Decide(text);
  const bool needed = !p.reading.empty() && p.reading != p.text;
  const bool written = needed && (p.confirmed || acceptSuggestions_);
  if (asked_.try_emplace(p.text, true).second && (needed || p.reading.empty())) {
    counts_.Count(p);
    if (!written) undecided_.push_back(&p);
  }
  if (!written) return std::nullopt;
  return p.reading;
}

}  // namespace vq
