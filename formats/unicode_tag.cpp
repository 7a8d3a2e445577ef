#include "formats/unicode_tag.h"

#include <algorithm>
#include <optional>

#include "formats/bytesource.h"
#include "formats/frame_ids.h"
#include "formats/id3v2_reader.h"
#include "formats/synchsafe.h"
#include "platform/codepage.h"

namespace vq {
namespace {

bool IsAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// What a player that follows the standard shows: ISO-8859-1, whose bytes 7F-9F are
// control characters that show as nothing sensible (U+FFFD here).
std::u16string StandardReading(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out.push_back(b >= 0x7F && b <= 0x9F ? cp932::kReplacement : static_cast<char16_t>(b));
  }
  return out;
}

void AppendUtf16Le(std::string& out, std::u16string_view text) {
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
}

// One single-byte string of a frame that is not plain ASCII.
struct Slot {
  std::size_t frame;
  std::string_view bytes;
  TextReading own;
  TextReading used;
  bool byOtherTexts = false;
};

// A v2.4 frame's encoding byte, behind the extra bytes its flags announce; -1 when the
// body is compressed or encrypted.
int V24Encoding(const V2FrameEntry& e) {
  if (e.flags[1] & 0x0C) return -1;
  const std::size_t skip = (e.flags[1] & 0x40 ? 1 : 0) + (e.flags[1] & 0x01 ? 4 : 0);
  return skip < e.body.size() ? static_cast<unsigned char>(e.body[skip]) : -1;
}

}  // namespace

UnicodeTagResult PlanUnicodeTag(std::string_view tag, const ReadingTally* folder) {
  UnicodeTagResult result;
  UnicodeFilePlan& plan = result.plan;
  const MemorySource src(tag);
  const V2Header header = ReadV2Header(src);
  if (!header.present || header.size <= 0) return result;
  V2FrameTable table;
  std::u16string listing;
  ReadV2Frames(src, header, table, listing);
  // A tag whose frames the walk cannot read whole (an extended header, bytes after the
  // frames that are not padding) is left as it is.
  if (!FramesCoverTag(tag, header, table)) {
    plan.unreadableTag = true;
    return result;
  }

  std::vector<OutFrame> frames;
  std::vector<std::vector<BodyPiece>> pieces;  // per frame: its pieces when it has single-byte text to convert
  std::vector<Slot> slots;
  std::vector<bool> reencoded;             // per frame: a v2.4 UTF-8 or UTF-16BE text, now UTF-16
  frames.reserve(table.size());
  for (V2FrameEntry& entry : table) {
    const int v24Encoding = entry.major == 4 ? V24Encoding(entry) : -1;
    std::optional<OutFrame> carried = CarryOverFrame(std::move(entry));
    if (!carried) {
      // A frame with no v2.3 form would be lost by a rewrite.
      plan.unreadableTag = true;
      return result;
    }
    frames.push_back(std::move(*carried));
    const OutFrame& f = frames.back();
    const std::size_t k = frames.size() - 1;
    pieces.emplace_back();
    reencoded.push_back(false);
    const BodyLayout layout = ConvertedToUnicode(f.id) ? BodyLayoutOf(f.id) : BodyLayout();
    if (layout.empty() || f.body.empty() || (f.flags[1] & 0xE0)) continue;
    if ((v24Encoding == 2 || v24Encoding == 3) && f.body[0] == '\x01') {
      reencoded[k] = true;
      continue;
    }
    if (f.body[0] != '\0') continue;
    std::vector<BodyPiece> split = SplitFrameBody(std::string_view(f.body).substr(1), layout, /*wide=*/false);
    bool any = false;
    for (const BodyPiece& p : split) {
      if (!p.text || IsAscii(p.bytes)) continue;
      any = true;
      const TextReading own = DecideTextReading(p.bytes);
      slots.push_back({k, p.bytes, own, own});
      plan.own.Add(own);
    }
    if (any) pieces[k] = std::move(split);
  }

  // Texts the bytes leave undecided: the file's other texts, then the folder's.
  for (Slot& s : slots) {
    if (s.own != TextReading::Undecided) continue;
    s.used = ChooseByMajority(s.bytes, plan.own);
    if (s.used == TextReading::Undecided && folder) s.used = ChooseByMajority(s.bytes, *folder);
    if (s.used == TextReading::Undecided && !folder) plan.waitsForFolder = true;
    s.byOtherTexts = s.used != TextReading::Undecided;
  }

  // A frame is converted when every text in it is decided.
  std::vector<bool> convert(frames.size(), false);
  for (std::size_t k = 0; k < frames.size(); ++k) convert[k] = !pieces[k].empty();
  for (const Slot& s : slots)
    if (s.used == TextReading::Undecided) convert[s.frame] = false;
  for (const Slot& s : slots) {
    UnicodeText t{frames[s.frame].id, StandardReading(s.bytes), {}, s.used, false, s.byOtherTexts};
    if (convert[s.frame]) {
      t.becomes = ReadAs(s.bytes, s.used);
      plan.changes.push_back(std::move(t));
    } else {
      t.becomes = cp932::Decode(s.bytes);
      plan.undecided.push_back(std::move(t));
    }
  }
  for (std::size_t k = 0; k < frames.size(); ++k) {
    if (!reencoded[k]) continue;
    // The frame's strings as they read now (a picture's or an object's frame: none).
    const std::string& id = frames[k].id;
    std::u16string text;
    std::string_view data = std::string_view(frames[k].body).substr(1);
    if (id == "COMM" || id == "USLT") data = data.substr(std::min<std::size_t>(3, data.size()));
    if (id[0] == 'T' || id == "COMM" || id == "USLT" || id == "WXXX")
      text = DecodeV23FrameText(data, 1, id == "WXXX" ? "WXXX" : "TXXX").full;
    // The spaces an empty description or a terminator leaves.
    while (!text.empty() && text.back() == u' ') text.pop_back();
    text.erase(0, std::min(text.find_first_not_of(u' '), text.size()));
    plan.changes.push_back({id, text, text, TextReading::Undecided, true, false});
  }

  plan.rewrite = std::find(convert.begin(), convert.end(), true) != convert.end() ||
                 std::find(reencoded.begin(), reencoded.end(), true) != reencoded.end();
  if (!plan.rewrite) return result;

  // The new bodies: encoding 1; each string FF FE and UTF-16LE (an empty one its
  // terminator alone), every other piece as it was.
  std::size_t next = 0;  // the next slot
  for (std::size_t k = 0; k < frames.size(); ++k) {
    if (!convert[k]) continue;
    std::string body(1, '\x01');
    for (const BodyPiece& p : pieces[k]) {
      if (!p.text) {
        body.append(p.bytes);
        continue;
      }
      if (!p.bytes.empty()) {
        TextReading reading = TextReading::CodePage932;  // ASCII reads the same either way
        while (next < slots.size() && slots[next].frame < k) ++next;
        if (next < slots.size() && slots[next].frame == k && slots[next].bytes.data() == p.bytes.data())
          reading = slots[next++].used;
        body.append("\xFF\xFE", 2);
        AppendUtf16Le(body, ReadAs(p.bytes, reading));
      }
      if (p.terminated) body.append("\0\0", 2);
    }
    frames[k].body = std::move(body);
  }
  result.frames = std::move(frames);
  return result;
}

}  // namespace vq
