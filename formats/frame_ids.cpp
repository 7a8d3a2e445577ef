#include "formats/frame_ids.h"

#include <array>

namespace vq {

namespace {

constexpr int kNone = -1;
constexpr int E(EditorField f) { return static_cast<int>(f); }
constexpr int M(MainField f) { return static_cast<int>(f); }

// Every v2.2 frame with a v2.3 form, from the ID3v2.2 and v2.3 documents (CRM, the
// encrypted meta frame, has none).
constexpr FrameIdInfo kFrames[] = {
    // text
    {"TT1", "TIT1", kNone, kNone, BatchRole::None},
    {"TT2", "TIT2", E(EditorField::Title), M(MainField::Title), BatchRole::Title},
    {"TT3", "TIT3", kNone, kNone, BatchRole::None},
    {"TP1", "TPE1", E(EditorField::Artist), M(MainField::Artist), BatchRole::Artist},
    {"TP2", "TPE2", kNone, kNone, BatchRole::None},
    {"TP3", "TPE3", kNone, kNone, BatchRole::None},
    {"TP4", "TPE4", kNone, kNone, BatchRole::None},
    {"TCM", "TCOM", E(EditorField::Composer), kNone, BatchRole::None},
    {"TXT", "TEXT", kNone, kNone, BatchRole::None},
    {"TLA", "TLAN", kNone, kNone, BatchRole::None},
    {"TCO", "TCON", E(EditorField::Genre), M(MainField::Genre), BatchRole::None},
    {"TAL", "TALB", E(EditorField::Album), M(MainField::Album), BatchRole::Album},
    {"TPA", "TPOS", kNone, kNone, BatchRole::None},
    {"TRK", "TRCK", kNone, kNone, BatchRole::None},
    {"TRC", "TSRC", kNone, kNone, BatchRole::None},
    {"TYE", "TYER", E(EditorField::Year), M(MainField::Year), BatchRole::None},
    {"TDA", "TDAT", kNone, kNone, BatchRole::None},
    {"TIM", "TIME", kNone, kNone, BatchRole::None},
    {"TRD", "TRDA", kNone, kNone, BatchRole::None},
    {"TMT", "TMED", kNone, kNone, BatchRole::None},
    {"TFT", "TFLT", kNone, kNone, BatchRole::None},
    {"TBP", "TBPM", kNone, kNone, BatchRole::None},
    {"TCR", "TCOP", kNone, kNone, BatchRole::None},
    {"TPB", "TPUB", kNone, kNone, BatchRole::None},
    {"TEN", "TENC", kNone, kNone, BatchRole::None},
    {"TSS", "TSSE", kNone, kNone, BatchRole::None},
    {"TOF", "TOFN", kNone, kNone, BatchRole::None},
    {"TLE", "TLEN", kNone, kNone, BatchRole::None},
    {"TSI", "TSIZ", kNone, kNone, BatchRole::None},
    {"TDY", "TDLY", kNone, kNone, BatchRole::None},
    {"TKE", "TKEY", kNone, kNone, BatchRole::None},
    {"TOT", "TOAL", kNone, kNone, BatchRole::None},
    {"TOA", "TOPE", kNone, kNone, BatchRole::None},
    {"TOL", "TOLY", kNone, kNone, BatchRole::None},
    {"TOR", "TORY", kNone, kNone, BatchRole::None},
    {"TXX", "TXXX", kNone, kNone, BatchRole::None},
    // URL
    {"WAF", "WOAF", kNone, kNone, BatchRole::None},
    {"WAR", "WOAR", kNone, kNone, BatchRole::None},
    {"WAS", "WOAS", kNone, kNone, BatchRole::None},
    {"WCM", "WCOM", kNone, kNone, BatchRole::None},
    {"WCP", "WCOP", kNone, kNone, BatchRole::None},
    {"WPB", "WPUB", kNone, kNone, BatchRole::None},
    {"WXX", "WXXX", kNone, kNone, BatchRole::None},
    // other
    {"COM", "COMM", E(EditorField::Comment), M(MainField::Comment), BatchRole::None},
    {"ULT", "USLT", kNone, kNone, BatchRole::None},
    {"SLT", "SYLT", kNone, kNone, BatchRole::None},
    {"IPL", "IPLS", kNone, kNone, BatchRole::None},
    {"UFI", "UFID", kNone, kNone, BatchRole::None},
    {"CNT", "PCNT", kNone, kNone, BatchRole::None},
    {"POP", "POPM", kNone, kNone, BatchRole::None},
    {"GEO", "GEOB", kNone, kNone, BatchRole::None},
    {"CRA", "AENC", kNone, kNone, BatchRole::None},
    {"MCI", "MCDI", kNone, kNone, BatchRole::None},
    {"ETC", "ETCO", kNone, kNone, BatchRole::None},
    {"MLL", "MLLT", kNone, kNone, BatchRole::None},
    {"STC", "SYTC", kNone, kNone, BatchRole::None},
    {"RVA", "RVAD", kNone, kNone, BatchRole::None},
    {"EQU", "EQUA", kNone, kNone, BatchRole::None},
    {"REV", "RVRB", kNone, kNone, BatchRole::None},
    {"BUF", "RBUF", kNone, kNone, BatchRole::None},
    {"LNK", "LINK", kNone, kNone, BatchRole::None},
    {"PIC", "APIC", kNone, kNone, BatchRole::None},
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
