// Frames of an old tag carried over whole into a v2.3 tag: v2.2 ids and pictures
// converted, v2.4 frame flags and encodings brought to their v2.3 forms.
#include <cctype>

#include "formats/frame_ids.h"
#include "formats/id3v2_writer.h"
#include "formats/synchsafe.h"
#include "platform/text.h"

namespace vq {

namespace {

// v2.2 PIC: encoding, three-letter image format, picture type, description, data.
// v2.3 APIC: encoding, MIME type ending in a zero, picture type, description, data.
std::string PicToApic(std::string body) {
  if (body.size() < 4) body.resize(4, '\0');  // damaged: no format
  std::string format = body.substr(1, 3);
  std::string upper;
  for (char c : format)
    if (c != '\0') upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  std::string mime;
  if (format == "-->") {
    // A linked picture: the URL follows, and v2.3 marks it with the same "-->".
    mime = "-->";
  } else if (upper == "JPG") {
    mime = "image/jpeg";
  } else if (upper == "PNG") {
    mime = "image/png";
  } else {
    mime = "image/";
    for (char c : upper) mime.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  std::string out = body.substr(0, 1);
  out += mime;
  out.push_back('\0');
  out += body.substr(4);
  return out;
}

// ---------------------------------------------------------------- v2.4 frame flags

// v2.4 flags %0abc0000 %0h00kmnp to v2.3 flags %abc00000 %ijk00000, with the body's
// extra bytes (v2.4: group, encryption method, data length; v2.3: decompressed size,
// encryption method, group) put in the v2.3 order.
void V24ToV23(const std::uint8_t in[2], std::string& body, std::uint8_t out[2]) {
  out[0] = static_cast<std::uint8_t>((in[0] << 1) & 0xE0);
  out[1] = 0;
  const bool grouping = in[1] & 0x40, compressed = in[1] & 0x08, encrypted = in[1] & 0x04,
             unsync = in[1] & 0x02, lengthIndicator = in[1] & 0x01;
  if (unsync) body = Resynchronise(body);
  std::size_t need = (grouping ? 1 : 0) + (encrypted ? 1 : 0) + (lengthIndicator ? 4 : 0);
  if (body.size() < need) return;  // damaged: the bytes go over as they are
  std::size_t pos = 0;
  std::string group, method;
  std::uint32_t dataLength = 0;
  if (grouping) group = body.substr(pos++, 1);
  if (encrypted) method = body.substr(pos++, 1);
  if (lengthIndicator) {
    dataLength = ReadSynchsafeMasked(reinterpret_cast<const std::uint8_t*>(body.data() + pos));
    pos += 4;
  }
  std::string extra;
  if (compressed) {
    out[1] |= 0x80;
    for (int shift = 24; shift >= 0; shift -= 8) extra.push_back(static_cast<char>((dataLength >> shift) & 0xFF));
  }
  if (encrypted) {
    out[1] |= 0x40;
    extra += method;
  }
  if (grouping) {
    out[1] |= 0x20;
    extra += group;
  }
  body = extra + body.substr(pos);
}

// ---------------------------------------------------------------- encodings 2 and 3

// Encoding 2 (UTF-16BE) or 3 (UTF-8) rewritten as 1: FF FE and UTF-16LE per string.
// An empty string is written as its terminator alone.
void ReencodeAsUtf16(const std::string& id, std::string& body) {
  if (body.empty()) return;
  unsigned char e = static_cast<unsigned char>(body[0]);
  if (e != 2 && e != 3) return;
  const BodyLayout layout = BodyLayoutOf(id);
  if (layout.empty()) return;
  std::string out(1, '\x01');
  for (const BodyPiece& p : SplitFrameBody(std::string_view(body).substr(1), layout, /*wide=*/e == 2)) {
    if (!p.text) {
      out += p.bytes;
      continue;
    }
    std::u16string text;
    if (e == 3) {
      text = Utf8ToUtf16(p.bytes);
    } else {
      for (std::size_t i = 0; i + 1 < p.bytes.size(); i += 2)  // an odd last byte is dropped
        text.push_back(static_cast<char16_t>((static_cast<unsigned char>(p.bytes[i]) << 8) |
                                             static_cast<unsigned char>(p.bytes[i + 1])));
      if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
    }
    if (!text.empty()) {
      out.append("\xFF\xFE", 2);
      for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
      }
    }
    if (p.terminated) out.append("\0\0", 2);
  }
  body = std::move(out);
}

}  // namespace

namespace {

std::optional<OutFrame> CarryOver(const V2FrameEntry& entry, std::string body) {
  if (!entry.fromFile) return std::nullopt;
  OutFrame f;
  f.body = std::move(body);
  const std::string id = NarrowId(entry.id);
  if (entry.major <= 2) {
    f.id = MapV22Id(id);
    if (f.id.empty()) return std::nullopt;
    if (f.id == "APIC") {
      f.body = PicToApic(f.body);
    } else if (f.id == "LINK") {
      // The linked frame's id is a v2.2 id too.
      std::string linked = f.body.size() >= 3 ? MapV22Id(f.body.substr(0, 3)) : std::string();
      if (linked.empty()) return std::nullopt;
      f.body = linked + f.body.substr(3);
    }
  } else if (entry.major == 3) {
    f.id = id;
    f.flags[0] = entry.flags[0];
    f.flags[1] = entry.flags[1];
  } else {
    f.id = id;
    V24ToV23(entry.flags, f.body, f.flags);
  }
  if (f.id.size() != 4) return std::nullopt;
  // A v2.4 frame whose body was only its data length indicator has nothing left: a frame
  // of size 0 is no frame in v2.3, and readers take it for the padding, which would hide
  // every frame behind it.
  if (f.body.empty()) return std::nullopt;
  // A compressed or encrypted body cannot be read here; it goes over as it is. A group's
  // id byte stands before the frame's own data (encoding byte first).
  if (!(f.flags[1] & 0xC0)) {
    if (f.flags[1] & 0x20) {
      if (f.body.size() > 1) {
        std::string data = f.body.substr(1);
        ReencodeAsUtf16(f.id, data);
        f.body.replace(1, std::string::npos, data);
      }
    } else {
      ReencodeAsUtf16(f.id, f.body);
    }
  }
  return f;
}

}  // namespace

std::optional<OutFrame> CarryOverFrame(const V2FrameEntry& entry) { return CarryOver(entry, entry.body); }

std::optional<OutFrame> CarryOverFrame(V2FrameEntry&& entry) {
  std::string body = std::move(entry.body);
  return CarryOver(entry, std::move(body));
}

}  // namespace vq
