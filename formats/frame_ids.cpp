#include "formats/frame_ids.h"

#include <array>

namespace vq {

namespace {

using S = BodyStep;
constexpr BodyStep kText[] = {{S::EncodedStrings}};
constexpr BodyStep kLanguageText[] = {{S::Bytes, 3}, {S::EncodedStrings}};  // COMM, USLT, USER
constexpr BodyStep kUrlLink[] = {{S::EncodedString}, {S::Rest}};             // WXXX: description, URL
constexpr BodyStep kPicture[] = {{S::Latin1String}, {S::Bytes, 1}, {S::EncodedString}, {S::Rest}};
constexpr BodyStep kObject[] = {{S::Latin1String}, {S::EncodedString}, {S::EncodedString}, {S::Rest}};
// language, time stamp format, content type, descriptor, then text and time stamp pairs
constexpr BodyStep kSyncedLyrics[] = {{S::Bytes, 3}, {S::Bytes, 2}, {S::EncodedString},
                                      {S::RepeatRest}, {S::EncodedString}, {S::Bytes, 4}};
constexpr BodyStep kOwnership[] = {{S::Latin1String}, {S::Bytes, 8}, {S::EncodedStrings}};
constexpr BodyStep kCommercial[] = {{S::Latin1String}, {S::Bytes, 8}, {S::Latin1String}, {S::Bytes, 1},
                                    {S::EncodedString}, {S::EncodedString}, {S::Rest}};
constexpr BodyLayout kNoText{};

constexpr int kNone = -1;
constexpr int E(EditorField f) { return static_cast<int>(f); }

// Every v2.2 frame with a v2.3 form, from the ID3v2.2 and v2.3 documents (CRM, the
// encrypted meta frame, has none).
constexpr FrameIdInfo kFrames[] = {
    // text
    {"TT1", "TIT1", kNone, BatchRole::None, kText, true},
    {"TT2", "TIT2", E(EditorField::Title), BatchRole::Title, kText, true},
    {"TT3", "TIT3", kNone, BatchRole::None, kText, true},
    {"TP1", "TPE1", E(EditorField::Artist), BatchRole::Artist, kText, true},
    {"TP2", "TPE2", kNone, BatchRole::None, kText, true},
    {"TP3", "TPE3", kNone, BatchRole::None, kText, true},
    {"TP4", "TPE4", kNone, BatchRole::None, kText, true},
    {"TCM", "TCOM", E(EditorField::Composer), BatchRole::None, kText, true},
    {"TXT", "TEXT", kNone, BatchRole::None, kText, true},
    {"TLA", "TLAN", kNone, BatchRole::None, kText, true},
    {"TCO", "TCON", E(EditorField::Genre), BatchRole::None, kText, true},
    {"TAL", "TALB", E(EditorField::Album), BatchRole::Album, kText, true},
    {"TPA", "TPOS", kNone, BatchRole::None, kText, true},
    {"TRK", "TRCK", kNone, BatchRole::None, kText, true},
    {"TRC", "TSRC", kNone, BatchRole::None, kText, true},
    {"TYE", "TYER", E(EditorField::Year), BatchRole::None, kText, true},
    {"TDA", "TDAT", kNone, BatchRole::None, kText, true},
    {"TIM", "TIME", kNone, BatchRole::None, kText, true},
    {"TRD", "TRDA", kNone, BatchRole::None, kText, true},
    {"TMT", "TMED", kNone, BatchRole::None, kText, true},
    {"TFT", "TFLT", kNone, BatchRole::None, kText, true},
    {"TBP", "TBPM", kNone, BatchRole::None, kText, true},
    {"TCR", "TCOP", kNone, BatchRole::None, kText, true},
    {"TPB", "TPUB", kNone, BatchRole::None, kText, true},
    {"TEN", "TENC", kNone, BatchRole::None, kText, true},
    {"TSS", "TSSE", kNone, BatchRole::None, kText, true},
    {"TOF", "TOFN", kNone, BatchRole::None, kText, true},
    {"TLE", "TLEN", kNone, BatchRole::None, kText, true},
    {"TSI", "TSIZ", kNone, BatchRole::None, kText, true},
    {"TDY", "TDLY", kNone, BatchRole::None, kText, true},
    {"TKE", "TKEY", kNone, BatchRole::None, kText, true},
    {"TOT", "TOAL", kNone, BatchRole::None, kText, true},
    {"TOA", "TOPE", kNone, BatchRole::None, kText, true},
    {"TOL", "TOLY", kNone, BatchRole::None, kText, true},
    {"TOR", "TORY", kNone, BatchRole::None, kText, true},
    {"TXX", "TXXX", kNone, BatchRole::None, kText, true},
    // URL
    {"WAF", "WOAF", kNone, BatchRole::None, kNoText, false},
    {"WAR", "WOAR", kNone, BatchRole::None, kNoText, false},
    {"WAS", "WOAS", kNone, BatchRole::None, kNoText, false},
    {"WCM", "WCOM", kNone, BatchRole::None, kNoText, false},
    {"WCP", "WCOP", kNone, BatchRole::None, kNoText, false},
    {"WPB", "WPUB", kNone, BatchRole::None, kNoText, false},
    {"WXX", "WXXX", kNone, BatchRole::None, kUrlLink, true},
    // other
    {"COM", "COMM", E(EditorField::Comment), BatchRole::None, kLanguageText, true},
    {"ULT", "USLT", kNone, BatchRole::None, kLanguageText, true},
    {"SLT", "SYLT", kNone, BatchRole::None, kSyncedLyrics, false},
    {"IPL", "IPLS", kNone, BatchRole::None, kText, false},
    {"UFI", "UFID", kNone, BatchRole::None, kNoText, false},
    {"CNT", "PCNT", kNone, BatchRole::None, kNoText, false},
    {"POP", "POPM", kNone, BatchRole::None, kNoText, false},
    {"GEO", "GEOB", kNone, BatchRole::None, kObject, true},
    {"CRA", "AENC", kNone, BatchRole::None, kNoText, false},
    {"MCI", "MCDI", kNone, BatchRole::None, kNoText, false},
    {"ETC", "ETCO", kNone, BatchRole::None, kNoText, false},
    {"MLL", "MLLT", kNone, BatchRole::None, kNoText, false},
    {"STC", "SYTC", kNone, BatchRole::None, kNoText, false},
    {"RVA", "RVAD", kNone, BatchRole::None, kNoText, false},
    {"EQU", "EQUA", kNone, BatchRole::None, kNoText, false},
    {"REV", "RVRB", kNone, BatchRole::None, kNoText, false},
    {"BUF", "RBUF", kNone, BatchRole::None, kNoText, false},
    {"LNK", "LINK", kNone, BatchRole::None, kNoText, false},
    {"PIC", "APIC", kNone, BatchRole::None, kPicture, true},
    // v2.3 frames without a v2.2 form whose bodies hold encoded text
    {nullptr, "USER", kNone, BatchRole::None, kLanguageText, false},
    {nullptr, "OWNE", kNone, BatchRole::None, kOwnership, false},
    {nullptr, "COMR", kNone, BatchRole::None, kCommercial, false},
};

// The editor's fields in their order, by index into kFrames.
constexpr std::array<const char*, kEditorFieldCount> kEditorFieldIds = [] {
  std::array<const char*, kEditorFieldCount> ids{};
  for (const auto& f : kFrames)
    if (f.editorField >= 0) ids[static_cast<std::size_t>(f.editorField)] = f.v23;
  return ids;
}();

template <class Char>
bool SameId(std::basic_string_view<Char> id, const char* ascii) {
  if (!ascii) return false;
  std::size_t i = 0;
  for (; ascii[i] != '\0'; ++i)
    if (i >= id.size() || id[i] != static_cast<Char>(ascii[i])) return false;
  return i == id.size();
}

template <class Char>
const FrameIdInfo* Find(std::basic_string_view<Char> id) {
  for (const auto& f : kFrames)
    if (SameId(id, id.size() == 3 ? f.v22 : f.v23)) return &f;
  return nullptr;
}

}  // namespace

const FrameIdInfo* FrameIdOf(std::string_view id) { return Find(id); }
const FrameIdInfo* FrameIdOf(std::u16string_view id) { return Find(id); }

std::string MapV22Id(std::string_view id3) {
  if (id3.size() != 3) return {};
  const FrameIdInfo* f = FrameIdOf(id3);
  return f ? f->v23 : std::string();
}

const char* BatchRoleId(BatchRole role) {
  for (const auto& f : kFrames)
    if (f.batchRole == role && role != BatchRole::None) return f.v23;
  return "";
}

BodyLayout BodyLayoutOf(std::string_view v23id) {
  if (v23id.size() != 4) return kNoText;
  if (const FrameIdInfo* f = FrameIdOf(v23id)) return f->layout;
  return v23id[0] == 'T' ? BodyLayout(kText) : kNoText;
}

bool ConvertedToUnicode(std::string_view v23id) {
  if (v23id.size() != 4) return false;
  if (const FrameIdInfo* f = FrameIdOf(v23id)) return f->toUnicode;
  return v23id[0] == 'T';
}

const char* EditorFieldId(int field) { return kEditorFieldIds[static_cast<std::size_t>(field)]; }

int EditorFieldOf(std::u16string_view id) {
  const FrameIdInfo* f = FrameIdOf(id);
  return f ? f->editorField : -1;
}

std::string NarrowId(std::u16string_view id) {
  std::string out;
  out.reserve(id.size());
  for (char16_t c : id) out.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
  return out;
}

std::u16string WidenId(std::string_view id) {
  std::u16string out;
  out.reserve(id.size());
  for (char c : id) out.push_back(static_cast<unsigned char>(c));
  return out;
}

}  // namespace vq
