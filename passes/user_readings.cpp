#include "passes/user_readings.h"

#include "platform/app_paths.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "platform/text_file.h"

namespace vq {
namespace {

constexpr char kReadingsName[] = "readings.tsv";

bool ValidUtf8(std::string_view s) {
  return Utf16ToUtf8(Utf8ToUtf16(s)) == s && Utf8ToUtf16(s).find(u'\uFFFD') == std::u16string::npos;
}

// The pair of a line, when it is one.
std::optional<UserReading> PairOf(std::string_view line) {
  if (line.empty() || line.front() == '#') return std::nullopt;
  const auto tab = line.find('\t');
  if (tab == std::string_view::npos || !ValidUtf8(line)) return std::nullopt;
  UserReading r{Utf8ToUtf16(line.substr(0, tab)), Utf8ToUtf16(line.substr(tab + 1))};
  if (r.text.empty() || r.reading.empty() || r.reading.find(u'\t') != std::u16string::npos) return std::nullopt;
  return r;
}

bool Storable(const UserReading& r) {
  for (const std::u16string* s : {&r.text, &r.reading})
    if (s->empty() || s->find_first_of(u"\t\r\n") != std::u16string::npos) return false;
  return true;
}

std::string LineOf(const UserReading& r) { return Utf16ToUtf8(r.text) + "\t" + Utf16ToUtf8(r.reading) + "\n"; }

std::string_view WithoutBom(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return bytes;
}

}  // namespace

std::string UserReadingsPath() { return JoinPath(ParentPath(UserSettingsPath()), kReadingsName); }

UserReadings UserReadings::Parse(std::string_view bytes) {
  UserReadings u;
  for (std::string_view line : SplitLines(WithoutBom(bytes)))
    if (auto r = PairOf(line)) u.readings_[r->text] = r->reading;
  return u;
}

UserReadings UserReadings::Load(const std::string& path) {
  if (!FileExists(path)) return {};
  return Parse(ReadFileBytes(path));
}

std::optional<std::u16string> UserReadings::Find(std::u16string_view text) const {
  auto it = readings_.find(text);
  if (it == readings_.end()) return std::nullopt;
  return it->second;
}

std::string WithReadings(std::string_view bytes, const std::vector<UserReading>& added) {
  std::map<std::u16string, std::u16string> pending;  // text -> reading, not yet written
  std::vector<const UserReading*> order;
  for (const UserReading& r : added) {
    if (!Storable(r)) continue;
    if (!pending.count(r.text)) order.push_back(&r);
    pending[r.text] = r.reading;
  }
  std::map<std::u16string, bool> placed;
  std::string out;
  const bool bom = bytes.substr(0, 3) == "\xEF\xBB\xBF";
  if (bom) out += "\xEF\xBB\xBF";
  for (std::string_view line : SplitLines(WithoutBom(bytes))) {
    const auto pair = PairOf(line);
    if (pair && pending.count(pair->text)) {
      if (placed[pair->text]) continue;  // a later line of a text that has its new one
      placed[pair->text] = true;
      out += LineOf({pair->text, pending[pair->text]});
      continue;
    }
    out.append(line);
    out.push_back('\n');
  }
  for (const UserReading* r : order)
    if (!placed[r->text]) out += LineOf({r->text, pending[r->text]});
  return out;
}

void AddUserReadings(const std::string& path, const std::vector<UserReading>& added) {
  MakeUserFolders(ParentPath(path));
  const std::string old = FileExists(path) ? ReadFileBytes(path) : std::string();
  WriteFileAtomically(path, WithReadings(old, added));
}

}  // namespace vq
