// Everything a file's display needs, read in one go: everything is read first, then
// shown, so a file that cannot be read leaves the display as it was.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "formats/id3v1.h"
#include "formats/id3v2_reader.h"
#include "formats/mpeg.h"

namespace vq {

struct FileSummary {
  std::uint64_t length = 0;
  // Shorter than the 128 bytes of an ID3v1 record: nothing past the length is read,
  // the tag state below describes a file without an ID3v2 tag, and the information
  // text holds the size and the date.
  bool tooShort = false;

  V2Header v2;                       // v2.present: the file starts with "ID3"
  std::int32_t v2TagSize = 0;        // the header's size field, 0 without a tag
  V2FrameTable frameTable;
  std::u16string FrameListing() const { return FrameListingText(frameTable); }

  std::optional<ID3v1Values> v1;     // the decoded ID3v1 record, when the file has one
  MpegHeader mpeg;
  std::int64_t playSeconds = 0;

  std::u16string infoText;           // the seven-line information text, CR LF between lines
};

// "3.0" for major 3, revision 0: the characters with codes 48 + major and 48 + revision.
std::u16string V2VersionText(const V2Header& header);

// "#,#0.0" of a tag length in kilobytes (length / 1024): thousands separators, one
// decimal, the half at the second decimal to the even digit ("0.2" for 256 bytes).
std::u16string TagKilobytesText(std::int64_t tagLength);

// The seven lines: "File Size : 3,456 kb", "", "Play Tine : 3:41", "",
// "v2ﾍｯﾀﾞ長 : 1.0 Kb" (empty without an ID3v2 tag), "", "最終更新日 : " and the date in
// the general date form (nothing after the label when the date is unknown).
std::u16string BuildInfoText(std::uint64_t length, const V2Header& v2, std::int64_t playSeconds,
                             std::optional<std::time_t> modified);

// Opens the file for reading and reads the ID3v2 header and frames, the first MPEG
// frame header (behind the tag, else from offset 0) and the ID3v1 record, in that
// order. Throws Error when the file cannot be opened or read.
FileSummary ReadFileSummary(const std::string& path, std::optional<std::time_t> modified);

}  // namespace vq
