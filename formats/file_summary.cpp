#include "formats/file_summary.h"

#include "formats/bytesource.h"
#include "platform/fileio.h"
#include "platform/text.h"

namespace vq {

std::u16string V2VersionText(const V2Header& header) {
  std::u16string s;
  s.push_back(static_cast<char16_t>(48 + header.major));
  s.push_back(u'.');
  s.push_back(static_cast<char16_t>(48 + header.revision));
  return s;
}

std::u16string TagKilobytesText(std::int64_t tagLength) {
  // Tenths of a kilobyte, exactly: tagLength * 10 / 1024 rounded half to even.
  bool negative = tagLength < 0;
  std::uint64_t scaled = (negative ? static_cast<std::uint64_t>(-tagLength) : static_cast<std::uint64_t>(tagLength)) * 10;
  std::uint64_t tenths = scaled / 1024;
  std::uint64_t rest = scaled % 1024;
  if (rest > 512 || (rest == 512 && (tenths & 1) != 0)) ++tenths;
  std::u16string whole = FormatThousands(static_cast<std::int64_t>(tenths / 10));
  std::u16string text = whole + u"." + static_cast<char16_t>(u'0' + tenths % 10);
  return (negative && tenths != 0) ? u"-" + text : text;
}

std::u16string BuildInfoText(std::uint64_t length, const V2Header& v2, std::int64_t playSeconds,
                             std::optional<std::time_t> modified) {
  std::u16string crlf = u"\r\n";
  std::u16string text = u"File Size : " + SizeText(length) + crlf;
  text += crlf;
  text += u"Play Tine : " + PlayTimeText(playSeconds) + crlf;
  text += crlf;
  if (v2.present) text += u"v2ﾍｯﾀﾞ長 : " + TagKilobytesText(v2.TagLength()) + u" Kb";
  text += crlf;
  text += crlf;
  text += u"最終更新日 : ";
  if (modified) text += FormatGeneralDate(*modified);
  return text;
}

FileSummary ReadFileSummary(const std::string& path, std::optional<std::time_t> modified) {
  RawFile file(path, RawFile::Mode::Read);
  FileSource src(file);
  FileSummary s;
  s.length = src.Length();
  if (s.length < 128) {
    // Nothing is read: the information is the size and the date.
    s.tooShort = true;
    s.infoText = BuildInfoText(s.length, s.v2, 0, modified);
    file.Close();
    return s;
  }
  s.v2 = ReadV2Header(src);
  if (s.v2.present) {
    s.v2TagSize = s.v2.size;
    s.mpeg = FindMpegHeader(src, static_cast<std::uint64_t>(s.v2.TagLength()));
    ReadV2Frames(src, s.v2, s.frameTable);
  }
  if (auto rec = ReadID3v1(src)) s.v1 = DecodeID3v1(*rec);
  if (!s.v2.present) s.mpeg = FindMpegHeader(src, 0);
  s.playSeconds = PlayTimeSeconds(s.length, s.mpeg);
  s.infoText = BuildInfoText(s.length, s.v2, s.playSeconds, modified);
  file.Close();
  return s;
}

}  // namespace vq
