// ID3v2.3 frames as the writer makes them: text and comment bodies, the editor's frame
// list and the v2.2 id mapping.
#include <algorithm>

#include "formats/frame_ids.h"
#include "formats/id3v2_writer.h"
#include "formats/codepage_text.h"
#include "platform/codepage.h"
#include "platform/fileio.h"

namespace vq {

namespace {

// Byte counts of texts are 16-bit: a longer field or kept value is an overflow.
constexpr int kMaxValueBytes = 32767;

void AppendUtf16Le(std::string& out, std::u16string_view text) {
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
}

std::string CodePageBytes(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  EncodeFrameText(text, bytes);  // encoding byte 0, then the text
  return std::string(bytes.begin() + 1, bytes.end());
}

bool IsAscii(std::u16string_view text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
}

// Whether a text goes into UTF-16 (encoding 1): every text outside ASCII when the
// user asked for Unicode, else a text code page 932 cannot hold.
bool InUtf16(std::u16string_view text, TextChoice choice) {
  return choice == TextChoice::Unicode ? !IsAscii(text) : !cp932::CanEncode(text);
}

// Byte counts of values are 16-bit: in the code page's count, or with Unicode on the
// count of the UTF-16 bytes (mark and units) the value takes.
void CheckValueBytes(std::u16string_view text, TextChoice choice) {
  const std::size_t bytes =
      choice == TextChoice::Unicode && !IsAscii(text) ? 2 + 2 * text.size() : static_cast<std::size_t>(ByteLength(text));
  if (bytes > kMaxValueBytes) throw Error(ErrorKind::Overflow);
}

}  // namespace

std::string TextFrameBody(std::u16string_view text, TextChoice choice) {
  std::string body;
  if (!InUtf16(text, choice)) {
    body.push_back('\0');
    body += CodePageBytes(text);
  } else {
    // Asked for, or code page 932 would turn characters into "?".
    body.reserve(3 + text.size() * 2);
    body.append("\x01\xFF\xFE", 3);
    AppendUtf16Le(body, text);
  }
  return body;
}

std::string CommentFrameBody(std::u16string_view text, TextChoice choice) {
  std::string body;
  if (!InUtf16(text, choice)) {
    body.append("\0jpn\0", 5);
    body += CodePageBytes(text);
  } else {
    // The empty description is one zero unit without a byte-order mark, so that the
    // text's FF FE is the only mark: readers that switch modes at each mark still find
    // the text behind the last zero.
    body.append("\x01jpn\0\0\xFF\xFE", 8);
    AppendUtf16Le(body, text);
  }
  return body;
}

OutFrame MakeTextFrame(std::string_view id, std::u16string_view text, TextChoice choice) {
  OutFrame f;
  f.id = std::string(id);
  if (id == "COMM") {
    f.body = CommentFrameBody(text, choice);
  } else if (id == "TXXX") {
    // Empty description, then the value: the comment's form without the language.
    std::string c = CommentFrameBody(text, choice);
    f.body = c.substr(0, 1) + c.substr(4);
  } else if (id == "WXXX") {
    // Empty description, then the URL in single bytes.
    f.body.append("\0\0", 2);
    f.body += cp932::Encode(text);
  } else {
    f.body = TextFrameBody(text, choice);
  }
  return f;
}

std::int64_t FramesSize(const std::vector<OutFrame>& frames) {
  std::int64_t n = 0;
  for (const auto& f : frames) n += static_cast<std::int64_t>(f.Size());
  return n;
}

std::int32_t RoundedTagSize(std::int64_t n) {
  std::int64_t r = ((n + 10) / 256 + 2) * 256 - 10;
  if (n < 0 || r > kMaxTagSize) throw Error(ErrorKind::Overflow);
  return static_cast<std::int32_t>(r);
}

EditorFrames BuildEditorFrames(const EditorWriteInput& in) {
  // Every byte count is checked before anything else happens.
  for (const auto& text : in.fieldTexts) CheckValueBytes(text, in.textChoice);
  for (const auto& line : in.keptLines) CheckValueBytes(line.text, in.textChoice);

  EditorFrames out;
  auto add = [&out](OutFrame f) {
    out.frames.push_back(std::move(f));
    return static_cast<int>(out.frames.size()) - 1;
  };
  // A loaded frame goes over whole, when it has a v2.3 form.
  auto carried = [](const V2FrameEntry* src) { return src ? CarryOverFrame(*src) : std::nullopt; };

  for (std::size_t k = 0; k < in.fieldTexts.size(); ++k) {
    const std::u16string& text = in.fieldTexts[k];
    if (text.empty()) continue;
    std::optional<OutFrame> f = carried(in.fieldSources[k]);
    out.fields[k] = add(f ? std::move(*f) : MakeTextFrame(in.fieldIds[k], text, in.textChoice));
  }

  out.kept.reserve(in.keptLines.size());
  for (const EditorLine& line : in.keptLines) {
    WrittenLine& w = out.kept.emplace_back(WrittenLine{line.id, -1});
    if (line.id.empty()) continue;  // dropped by an earlier write
    const V2FrameEntry* src = line.source && line.source->fromFile && line.source->id == line.id ? line.source : nullptr;

    if (line.text.empty()) {
      // A frame without decoded text (a picture, a binary frame): the line stays as it
      // is and the frame goes over whole.
      if (auto f = carried(src)) w.frame = add(std::move(*f));
      continue;
    }
    std::string id;
    if (line.id.size() <= 3) {
      id = MapV22Id(NarrowId(line.id));
      w.id = WidenId(id);  // empty: no v2.3 form, dropped
      if (id.empty()) continue;
    } else {
      id = NarrowId(std::u16string_view(line.id).substr(0, 4));
    }
    std::optional<OutFrame> f = carried(src);
    w.frame = add(f ? std::move(*f) : MakeTextFrame(id, line.text, in.textChoice));
  }
  return out;
}

}  // namespace vq
