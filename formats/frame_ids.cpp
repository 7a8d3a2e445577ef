#include "formats/frame_ids.h"

#include <array>

namespace vq {

namespace {

constexpr int kNone = -1;
constexpr int E(EditorField f) { return static_cast<int>(f); }

// Every v2.2 frame with a v2.3 form, from the ID3v2.2 and v2.3 documents (CRM, the
// encrypted meta frame, has none).
constexpr FrameIdInfo kFrames[] = {
    // text
    {"TT1", "TIT1", kNone, BatchRole::None},
    {"TT2", "TIT2", E(EditorField::Title), BatchRole::Title},
    {"TT3", "TIT3", kNone, BatchRole::None},
    {"TP1", "TPE1", E(EditorField::Artist), BatchRole::Artist},
    {"TP2", "TPE2", kNone, BatchRole::None},
    {"TP3", "TPE3", kNone, BatchRole::None},
    {"TP4", "TPE4", kNone, BatchRole::None},
    {"TCM", "TCOM", E(EditorField::Composer), BatchRole::None},
    {"TXT", "TEXT", kNone, BatchRole::None},
    {"TLA", "TLAN", kNone, BatchRole::None},
    {"TCO", "TCON", E(EditorField::Genre), BatchRole::None},
    {"TAL", "TALB", E(EditorField::Album), BatchRole::Album},
    {"TPA", "TPOS", kNone, BatchRole::None},
    {"TRK", "TRCK", kNone, BatchRole::None},
    {"TRC", "TSRC", kNone, BatchRole::None},
    {"TYE", "TYER", E(EditorField::Year), BatchRole::None},
    {"TDA", "TDAT", kNone, BatchRole::None},
    {"TIM", "TIME", kNone, BatchRole::None},
    {"TRD", "TRDA", kNone, BatchRole::None},
    {"TMT", "TMED", kNone, BatchRole::None},
    {"TFT", "TFLT", kNone, BatchRole::None},
    {"TBP", "TBPM", kNone, BatchRole::None},
    {"TCR", "TCOP", kNone, BatchRole::None},
    {"TPB", "TPUB", kNone, BatchRole::None},
    {"TEN", "TENC", kNone, BatchRole::None},
    {"TSS", "TSSE", kNone, BatchRole::None},
    {"TOF", "TOFN", kNone, BatchRole::None},
    {"TLE", "TLEN", kNone, BatchRole::None},
    {"TSI", "TSIZ", kNone, BatchRole::None},
    {"TDY", "TDLY", kNone, BatchRole::None},
    {"TKE", "TKEY", kNone, BatchRole::None},
    {"TOT", "TOAL", kNone, BatchRole::None},
    {"TOA", "TOPE", kNone, BatchRole::None},
    {"TOL", "TOLY", kNone, BatchRole::None},
    {"TOR", "TORY", kNone, BatchRole::None},
    {"TXX", "TXXX", kNone, BatchRole::None},
    // URL
    {"WAF", "WOAF", kNone, BatchRole::None},
    {"WAR", "WOAR", kNone, BatchRole::None},
    {"WAS", "WOAS", kNone, BatchRole::None},
    {"WCM", "WCOM", kNone, BatchRole::None},
    {"WCP", "WCOP", kNone, BatchRole::None},
    {"WPB", "WPUB", kNone, BatchRole::None},
    {"WXX", "WXXX", kNone, BatchRole::None},
    // other
    {"COM", "COMM", E(EditorField::Comment), BatchRole::None},
    {"ULT", "USLT", kNone, BatchRole::None},
    {"SLT", "SYLT", kNone, BatchRole::None},
    {"IPL", "IPLS", kNone, BatchRole::None},
    {"UFI", "UFID", kNone, BatchRole::None},
    {"CNT", "PCNT", kNone, BatchRole::None},
    {"POP", "POPM", kNone, BatchRole::None},
    {"GEO", "GEOB", kNone, BatchRole::None},
    {"CRA", "AENC", kNone, BatchRole::None},
    {"MCI", "MCDI", kNone, BatchRole::None},
    {"ETC", "ETCO", kNone, BatchRole::None},
    {"MLL", "MLLT", kNone, BatchRole::None},
    {"STC", "SYTC", kNone, BatchRole::None},
    {"RVA", "RVAD", kNone, BatchRole::None},
    {"EQU", "EQUA", kNone, BatchRole::None},
    {"REV", "RVRB", kNone, BatchRole::None},
    {"BUF", "RBUF", kNone, BatchRole::None},
    {"LNK", "LINK", kNone, BatchRole::None},
    {"PIC", "APIC", kNone, BatchRole::None},
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
