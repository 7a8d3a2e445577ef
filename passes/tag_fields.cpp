#include "passes/tag_fields.h"

#include <cstring>
#include <vector>

#include "formats/frame_ids.h"
#include "formats/genres.h"
#include "formats/id3v1.h"
#include "formats/id3v2_reader.h"
#include "formats/synchsafe.h"
#include "formats/text_reading.h"
#include "platform/fileio.h"

namespace vq {

namespace {

constexpr std::u16string_view kFieldNames[kTagFieldCount] = {u"artist", u"album", u"title", u"track",
                                                             u"disc",   u"year",  u"genre", u"comment"};

// The frames each field is read from, v2.3 and v2.4 ids (v2.2 ids are mapped first).
struct FieldFrame {
  const char* id;
  TagField field;
} constexpr kFieldFrames[] = {
    {"TPE1", TagField::Artist}, {"TALB", TagField::Album}, {"TIT2", TagField::Title}, {"TRCK", TagField::Track},
    {"TPOS", TagField::Disc},   {"TYER", TagField::Year},  {"TDRC", TagField::Year},  {"TCON", TagField::Genre},
    {"COMM", TagField::Comment},
};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u3000' || c == u'\r' || c == u'\n'; }

std::u16string Trimmed(std::u16string_view s) {
  std::size_t a = 0, b = s.size();
  while (a < b && IsBlank(s[a])) ++a;
  while (b > a && IsBlank(s[b - 1])) --b;
  return std::u16string(s.substr(a, b - a));
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// A field's strings in a frame or in the ID3v1 record, before they are read.
struct RawText {
  TagField field;
  std::vector<std::string> strings;
  std::uint8_t encoding;  // 0 single bytes, 1 UTF-16 with a mark, 2 UTF-16BE, 3 UTF-8
};

// The frame's v2.3 (or v2.4) id.
std::string FrameId(const V2FrameEntry& e) {
  const std::string id = NarrowId(e.id);
  return e.major <= 2 ? MapV22Id(id) : id;
}

// The frame's body as written before any per-frame compression, encryption or
// unsynchronisation; nullopt for a frame whose text cannot be read from its bytes.
std::optional<std::string> PlainBody(const V2FrameEntry& e) {
  std::string_view body = e.body;
  if (e.major == 3 && (e.flags[1] & 0xC0)) return std::nullopt;  // compressed, encrypted
  if (e.major == 4) {
    if (e.flags[1] & 0x0C) return std::nullopt;
    if (e.flags[1] & 0x01) body = body.substr(std::min<std::size_t>(4, body.size()));  // data length
    if (e.flags[1] & 0x02) return Resynchronise(body);
  }
  return std::string(body);
}

// The strings of the fields' frames, the first frame of each field.
void CollectV2Texts(const V2FrameTable& table, std::vector<RawText>& out) {
  std::array<bool, kTagFieldCount> taken{};
  for (const V2FrameEntry& e : table) {
    const std::string id = FrameId(e);
    for (const FieldFrame& f : kFieldFrames) {
      if (id != f.id || taken[static_cast<std::size_t>(f.field)]) continue;
      const auto body = PlainBody(e);
      if (!body || body->empty()) break;
      const auto encoding = static_cast<std::uint8_t>((*body)[0]);
      if (encoding > 3) break;
      const bool wide = encoding == 1 || encoding == 2;
      const auto pieces = SplitFrameBody(std::string_view(*body).substr(1), BodyLayoutOf(f.id), wide);
      std::vector<std::string_view> strings;
      for (const BodyPiece& p : pieces)
        if (p.text) strings.push_back(p.bytes);
      if (f.field == TagField::Comment) {
        // Language, description, text: only a comment without a description is the comment.
        if (strings.size() < 2 || !strings[0].empty()) break;
        strings.erase(strings.begin());
      }
      // A v2.4 frame may hold several values: artists are all kept ("A/B", as v2.3
      // writes them), the other fields take their first value.
      RawText text{f.field, {}, encoding};
      for (std::string_view str : strings) {
        if (str.empty()) continue;
        text.strings.emplace_back(str);
        if (f.field != TagField::Artist) break;
      }
      if (text.strings.empty()) break;
      out.push_back(std::move(text));
      taken[static_cast<std::size_t>(f.field)] = true;
      break;
    }
  }
}

std::u16string ReadString(std::string_view bytes, std::uint8_t encoding, const ReadingTally& tally) {
  if (encoding != 0) return DecodeV23FrameText(bytes, encoding, "TIT2").full;
  TextReading reading = DecideTextReading(bytes);
  if (reading == TextReading::Undecided) reading = ChooseByMajority(bytes, tally);
  if (reading == TextReading::Undecided) reading = TextReading::CodePage932;
  return ReadAs(bytes, reading);
}

std::u16string ReadText(const RawText& t, const ReadingTally& tally) {
  std::u16string out;
  for (const std::string& s : t.strings) {
    if (!out.empty()) out += u'/';
    out += ReadString(s, t.encoding, tally);
  }
  return out;
}

std::string FieldBytes(const char* field, std::size_t width) {
  const std::size_t n = strnlen(field, width);
  return std::string(field, n);
}

void CollectV1Texts(const ID3v1Record& rec, std::vector<RawText>& out) {
  out.push_back({TagField::Title, {FieldBytes(rec.Title, sizeof rec.Title)}, 0});
  out.push_back({TagField::Artist, {FieldBytes(rec.Artist, sizeof rec.Artist)}, 0});
  out.push_back({TagField::Album, {FieldBytes(rec.Album, sizeof rec.Album)}, 0});
  out.push_back({TagField::Year, {FieldBytes(rec.Year, sizeof rec.Year)}, 0});
  // ID3v1.1: a zero byte before the last comment byte makes that byte the track.
  const bool v11 = rec.Comment[28] == 0 && rec.Comment[29] != 0;
  out.push_back({TagField::Comment, {FieldBytes(rec.Comment, v11 ? 28 : 30)}, 0});
  if (v11) out.push_back({TagField::Track, {std::to_string(static_cast<std::uint8_t>(rec.Comment[29]))}, 0});
  if (const auto name = GenreName(rec.Genre)) {
    const std::u16string_view n = *name;
    out.push_back({TagField::Genre, {std::string(n.begin(), n.end())}, 0});  // ASCII names
  }
}

// "3/12" -> "3".
std::u16string NumberBeforeSlash(const std::u16string& v) { return Trimmed(std::u16string_view(v).substr(0, v.find(u'/'))); }

std::u16string YearOf(const std::u16string& v) {
  if (v.size() >= 4 && IsDigit(v[0]) && IsDigit(v[1]) && IsDigit(v[2]) && IsDigit(v[3])) return v.substr(0, 4);
  return v;
}

std::optional<int> WholeNumber(std::u16string_view s) {
  if (s.empty() || s.size() > 3) return std::nullopt;
  int n = 0;
  for (char16_t c : s) {
    if (!IsDigit(c)) return std::nullopt;
    n = n * 10 + (c - u'0');
  }
  return n;
}

// "(17)", "17", "(17)Heavy", "((text", "(RX)", "Rock".
std::u16string GenreOf(const std::u16string& v) {
  if (auto n = WholeNumber(v)) {
    if (auto name = GenreName(*n)) return std::u16string(*name);
    return v;
  }
  std::u16string_view rest = v;
  std::optional<std::u16string> first;
  while (rest.size() >= 2 && rest[0] == u'(' && rest[1] != u'(') {
    const auto close = rest.find(u')');
    if (close == std::u16string_view::npos) break;
    const std::u16string_view ref = rest.substr(1, close - 1);
    std::optional<std::u16string> name;
    if (ref == u"RX") name = u"Remix";
    else if (ref == u"CR") name = u"Cover";
    else if (auto k = WholeNumber(ref)) {
      if (auto g = GenreName(*k)) name = std::u16string(*g);
    }
    if (!first && name) first = name;
    rest = rest.substr(close + 1);
  }
  if (rest.size() >= 2 && rest[0] == u'(' && rest[1] == u'(') rest = rest.substr(1);  // "((" stands for "("
  if (!Trimmed(rest).empty()) return Trimmed(rest);
  return first.value_or(std::u16string());
}

std::u16string Normalised(TagField field, std::u16string value) {
  // A zero character ends a text: what follows is padding or a value written by
  // mistake.
  value = Trimmed(std::u16string_view(value).substr(0, value.find(u'\0')));
  switch (field) {
    case TagField::Track:
    case TagField::Disc: return NumberBeforeSlash(value);
    case TagField::Year: return YearOf(value);
    case TagField::Genre: return GenreOf(value);
    default: return value;
  }
}

}  // namespace

std::u16string_view TagFieldName(TagField field) { return kFieldNames[static_cast<std::size_t>(field)]; }

std::optional<TagField> TagFieldNamed(std::u16string_view name) {
  for (int k = 0; k < kTagFieldCount; ++k)
    if (kFieldNames[k] == name) return static_cast<TagField>(k);
  return std::nullopt;
}

TagFields ReadTagFields(const ByteSource& source) {
  std::vector<RawText> v2, v1;
  const V2Header header = ReadV2Header(source);
  if (header.present && header.major >= 2 && header.major <= 4) {
    V2FrameTable table;
    ReadV2Frames(source, header, table);
    CollectV2Texts(table, v2);
  }
  if (const auto rec = ReadID3v1(source)) CollectV1Texts(*rec, v1);

  // The file's single-byte texts that decide their reading help those that do not.
  ReadingTally tally;
  for (const auto* texts : {&v2, &v1})
    for (const RawText& t : *texts)
      if (t.encoding == 0)
        for (const std::string& s : t.strings) tally.Add(DecideTextReading(s));

  TagFields fields;
  for (const auto* texts : {&v2, &v1}) {
    for (const RawText& t : *texts) {
      auto& slot = fields[t.field];
      if (slot) continue;  // the ID3v2 tag's value comes first
      std::u16string value = Normalised(t.field, ReadText(t, tally));
      if (!value.empty()) slot = std::move(value);
    }
  }
  return fields;
}

TagFields ReadTagFields(const std::string& path) {
  RawFile file(path, RawFile::Mode::Read);
  FileSource source(file);
  return ReadTagFields(source);
}

}  // namespace vq
