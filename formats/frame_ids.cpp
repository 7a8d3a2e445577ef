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

// Every v2.2 frame with a v2.3 form, from the ID3v2.2 and v2.3 documents (CRM, the
// encrypted meta frame, has none).
constexpr FrameIdInfo kFrames[] = {
    // text
    {"TT1", "TIT1", BatchRole::None, kText, true},
    {"TT2", "TIT2", BatchRole::Title, kText, true},
    {"TT3", "TIT3", BatchRole::None, kText, true},
    {"TP1", "TPE1", BatchRole::Artist, kText, true},
    {"TP2", "TPE2", BatchRole::None, kText, true},
    {"TP3", "TPE3", BatchRole::None, kText, true},
    {"TP4", "TPE4", BatchRole::None, kText, true},
    {"TCM", "TCOM", BatchRole::None, kText, true},
    {"TXT", "TEXT", BatchRole::None, kText, true},
    {"TLA", "TLAN", BatchRole::None, kText, true},
    {"TCO", "TCON", BatchRole::None, kText, true},
    {"TAL", "TALB", BatchRole::Album, kText, true},
    {"TPA", "TPOS", BatchRole::None, kText, true},
    {"TRK", "TRCK", BatchRole::None, kText, true},
    {"TRC", "TSRC", BatchRole::None, kText, true},
    {"TYE", "TYER", BatchRole::None, kText, true},
    {"TDA", "TDAT", BatchRole::None, kText, true},
    {"TIM", "TIME", BatchRole::None, kText, true},
    {"TRD", "TRDA", BatchRole::None, kText, true},
    {"TMT", "TMED", BatchRole::None, kText, true},
    {"TFT", "TFLT", BatchRole::None, kText, true},
    {"TBP", "TBPM", BatchRole::None, kText, true},
    {"TCR", "TCOP", BatchRole::None, kText, true},
    {"TPB", "TPUB", BatchRole::None, kText, true},
    {"TEN", "TENC", BatchRole::None, kText, true},
    {"TSS", "TSSE", BatchRole::None, kText, true},
    {"TOF", "TOFN", BatchRole::None, kText, true},
    {"TLE", "TLEN", BatchRole::None, kText, true},
    {"TSI", "TSIZ", BatchRole::None, kText, true},
    {"TDY", "TDLY", BatchRole::None, kText, true},
    {"TKE", "TKEY", BatchRole::None, kText, true},
    {"TOT", "TOAL", BatchRole::None, kText, true},
    {"TOA", "TOPE", BatchRole::None, kText, true},
    {"TOL", "TOLY", BatchRole::None, kText, true},
    {"TOR", "TORY", BatchRole::None, kText, true},
    {"TXX", "TXXX", BatchRole::None, kText, true},
    // URL
    {"WAF", "WOAF", BatchRole::None, kNoText, false},
    {"WAR", "WOAR", BatchRole::None, kNoText, false},
    {"WAS", "WOAS", BatchRole::None, kNoText, false},
    {"WCM", "WCOM", BatchRole::None, kNoText, false},
    {"WCP", "WCOP", BatchRole::None, kNoText, false},
    {"WPB", "WPUB", BatchRole::None, kNoText, false},
    {"WXX", "WXXX", BatchRole::None, kUrlLink, true},
    // other
    {"COM", "COMM", BatchRole::None, kLanguageText, true},
    {"ULT", "USLT", BatchRole::None, kLanguageText, true},
    {"SLT", "SYLT", BatchRole::None, kSyncedLyrics, false},
    {"IPL", "IPLS", BatchRole::None, kText, false},
    {"UFI", "UFID", BatchRole::None, kNoText, false},
    {"CNT", "PCNT", BatchRole::None, kNoText, false},
    {"POP", "POPM", BatchRole::None, kNoText, false},
    {"GEO", "GEOB", BatchRole::None, kObject, true},
    {"CRA", "AENC", BatchRole::None, kNoText, false},
    {"MCI", "MCDI", BatchRole::None, kNoText, false},
    {"ETC", "ETCO", BatchRole::None, kNoText, false},
    {"MLL", "MLLT", BatchRole::None, kNoText, false},
    {"STC", "SYTC", BatchRole::None, kNoText, false},
    {"RVA", "RVAD", BatchRole::None, kNoText, false},
    {"EQU", "EQUA", BatchRole::None, kNoText, false},
    {"REV", "RVRB", BatchRole::None, kNoText, false},
    {"BUF", "RBUF", BatchRole::None, kNoText, false},
    {"LNK", "LINK", BatchRole::None, kNoText, false},
    {"PIC", "APIC", BatchRole::None, kPicture, true},
    // v2.3 frames without a v2.2 form whose bodies hold encoded text
    {nullptr, "USER", BatchRole::None, kLanguageText, false},
    {nullptr, "OWNE", BatchRole::None, kOwnership, false},
    {nullptr, "COMR", BatchRole::None, kCommercial, false},
};

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
