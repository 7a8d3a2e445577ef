#include "passes/batch_values.h"

#include <algorithm>
#include <map>
#include <set>

#include "passes/derive_names.h"
#include "passes/track_numbers.h"
#include "platform/fileio.h"
#include "platform/text.h"

namespace vq {
namespace {

std::u16string_view DropLeadingSpaces(std::u16string_view s) {
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
  return s;
}

// The folder `up` levels above the last component of a shown path ("/a/b/c", 1: "b"),
// leading spaces dropped as DeriveNames drops them from the artist; "" above the root.
std::u16string FolderAbove(std::u16string_view path, int up) {
  for (int i = 0; i < up; ++i) {
    const std::size_t sep = path.rfind(kSep);
    if (sep == std::u16string_view::npos) return {};
    path = path.substr(0, sep);
  }
  const std::size_t sep = path.rfind(kSep);
  return std::u16string(DropLeadingSpaces(sep == std::u16string_view::npos ? path : path.substr(sep + 1)));
}

std::u16string Decimal(int n) { return Utf8ToUtf16(std::to_string(n)); }

// A number field's value, when it is a whole number from 1 up.
std::optional<int> NumberOf(const std::optional<std::u16string>& text) {
  if (!text || text->empty() || text->size() > 4) return std::nullopt;
  int n = 0;
  for (char16_t c : *text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    n = n * 10 + (c - u'0');
  }
  return n > 0 ? std::optional<int>(n) : std::nullopt;
}

// One row on its way: its values, and track and disc as numbers until the listing has
// been seen whole.
struct Draft {
  RowValues row;
  std::optional<int> track, disc;
  std::u16string album;  // which album the row belongs to (for "n/N" and "n/M")
};

// The built-in derivation, with the track option's numbers, disc folders and the
// folders above them.
void Derive(Draft& d, std::u16string_view shownFolder, const ListedFile& row, const DerivedNames& names,
            const BatchNaming& naming) {
  TagValues& v = d.row.values;
  v[TagField::Artist] = names.FolderName;
  v[TagField::Album] = names.SubfolderName;
  v[TagField::Title] = names.FileTitle;
  if (!naming.trackNumbers && !naming.numberInOrder) return;
  NumberedTitle number = SplitLeadingNumber(names.FileTitle);
  v[TagField::Title] = std::move(number.title);
  d.track = number.track;
  d.disc = number.disc;
  if (!row.subfolderEntry.empty()) {
    if (const auto disc = DiscOfFolderName(row.subfolderName)) {
      // Artist/Album/CD1: the disc's folder names no album.
      d.disc = disc;
      v[TagField::Album] = names.FolderName;
      v[TagField::Artist] = FolderAbove(shownFolder, 1);
    }
  } else if (const auto disc = DiscOfFolderName(names.FolderName)) {
    d.disc = disc;
    v[TagField::Album] = FolderAbove(shownFolder, 1);
    v[TagField::Artist] = FolderAbove(shownFolder, 2);
  }
}

void FromPattern(Draft& d, const NamePattern& pattern, std::u16string_view shownFolder, const ListedFile& row,
                 const DerivedNames& names, const BatchNaming& naming) {
  PatternMatch m = MatchNamePattern(pattern, shownFolder, row.subfolderEntry.empty() ? u"" : row.subfolderName,
                                    names.FileTitle);
  if (!m.matches) {
    d.row.outcome = RowValues::Outcome::NoMatch;
    d.row.reason = std::move(m.reason);
    return;
  }
  TagValues& v = d.row.values;
  v = std::move(m.values);
  d.track = NumberOf(v[TagField::Track]);
  d.disc = NumberOf(v[TagField::Disc]);
  if ((naming.trackNumbers || naming.numberInOrder) && v[TagField::Title] && !pattern.Names(TagField::Track)) {
    NumberedTitle number = SplitLeadingNumber(*v[TagField::Title]);
    v[TagField::Title] = std::move(number.title);
    d.track = number.track;
    if (!pattern.Names(TagField::Disc)) d.disc = number.disc;
  }
}

// Whether the numbers are exactly 1..count, each once.
bool RunsFromOne(const std::vector<int>& numbers) {
  std::vector<int> sorted = numbers;
  std::sort(sorted.begin(), sorted.end());
  for (std::size_t i = 0; i < sorted.size(); ++i)
    if (sorted[i] != static_cast<int>(i) + 1) return false;
  return !sorted.empty();
}

// Track and disc texts, now that every row's numbers are known.
void NumberTexts(std::vector<Draft>& drafts, bool numberInOrder) {
  // The discs of each album, and the rows of each album's disc in listing order.
  std::map<std::u16string, std::set<int>> discs;
  std::map<std::pair<std::u16string, int>, std::vector<std::size_t>> discRows;
  for (std::size_t i = 0; i < drafts.size(); ++i) {
    const Draft& d = drafts[i];
    if (d.row.outcome != RowValues::Outcome::Values) continue;
    if (d.disc) discs[d.album].insert(*d.disc);
    discRows[{d.album, d.disc.value_or(0)}].push_back(i);
  }
  for (auto& [key, rows] : discRows) {
    if (numberInOrder)
      for (std::size_t k = 0; k < rows.size(); ++k) drafts[rows[k]].track = static_cast<int>(k) + 1;
    std::vector<int> tracks;
    for (std::size_t i : rows)
      if (drafts[i].track) tracks.push_back(*drafts[i].track);
    const bool whole = RunsFromOne(tracks);
    for (std::size_t i : rows) {
      Draft& d = drafts[i];
      if (!d.track) continue;
      d.row.values[TagField::Track] =
          Decimal(*d.track) + (whole ? u"/" + Decimal(static_cast<int>(tracks.size())) : std::u16string());
    }
  }
  for (Draft& d : drafts) {
    if (d.row.outcome != RowValues::Outcome::Values || !d.disc) continue;
    const std::set<int>& all = discs[d.album];
    const bool whole = *all.begin() == 1 && *all.rbegin() == static_cast<int>(all.size());
    d.row.values[TagField::Disc] =
        Decimal(*d.disc) + (whole ? u"/" + Decimal(static_cast<int>(all.size())) : std::u16string());
  }
}

}  // namespace

std::u16string_view TagFieldLabel(TagField f) {
  constexpr std::u16string_view kLabels[kTagFieldCount] = {u"作者", u"アルバム", u"曲名", u"曲番号",
                                                           u"ディスク", u"年", u"ジャンル", u"コメント"};
  return kLabels[static_cast<std::size_t>(f)];
}

std::vector<RowValues> ListingValues(std::u16string_view shownFolder, const std::vector<ListedFile>& rows,
                                     const BatchNaming& naming) {
  std::vector<Draft> drafts(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ListedFile& row = rows[i];
    Draft& d = drafts[i];
    DerivedNames names;
    try {
      const std::u16string shownEntry = row.subfolderEntry.empty() ? std::u16string() : kSep + row.subfolderName;
      names = DeriveNames(shownFolder, shownEntry, row.displayName);
    } catch (const Error&) {
      d.row.outcome = RowValues::Outcome::BadName;
      d.row.reason = u"ファイル名「" + row.displayName + u"」が短すぎて曲名を取り出せません。";
      continue;
    }
    if (naming.pattern)
      FromPattern(d, *naming.pattern, shownFolder, row, names, naming);
    else
      Derive(d, shownFolder, row, names, naming);
    const TagValues& v = d.row.values;
    d.album = v[TagField::Album] ? v[TagField::Artist].value_or(u"") + u'\0' + *v[TagField::Album]
                                 : u'\x01' + Utf8ToUtf16(row.subfolderEntry);
  }
  NumberTexts(drafts, naming.numberInOrder);
  std::vector<RowValues> out;
  out.reserve(drafts.size());
  for (Draft& d : drafts) out.push_back(std::move(d.row));
  return out;
}

RowValues PreviewRow(std::u16string_view shownFolder, const std::vector<ListedFile>& rows, std::size_t row,
                     const BatchNaming& naming) {
  if (row >= rows.size()) return {};
  return ListingValues(shownFolder, rows, naming)[row];
}

std::u16string PreviewText(const RowValues& row) {
  switch (row.outcome) {
    case RowValues::Outcome::NoMatch:
    case RowValues::Outcome::BadName:
      return row.reason;
    case RowValues::Outcome::Values:
      break;
  }
  std::u16string text;
  for (TagField f : kTagFields) {
    if (!row.values[f]) continue;
    if (!text.empty()) text += u'\n';
    text += std::u16string(TagFieldLabel(f)) + u": " + *row.values[f];
  }
  return text;
}

std::u16string UnmatchedCountText(std::size_t count) {
  return u"パターンに合わない曲: " + Utf8ToUtf16(std::to_string(count)) + u" 曲";
}

std::u16string UnmatchedFilesText(const std::vector<std::u16string>& files) {
  constexpr std::size_t kListed = 20;
  std::u16string text = UnmatchedCountText(files.size()) + u"\r\nこれらの曲はそのままにしました。";
  for (std::size_t i = 0; i < files.size() && i < kListed; ++i) text += u"\r\n" + files[i];
  if (files.size() > kListed) text += u"\r\nほか " + Utf8ToUtf16(std::to_string(files.size() - kListed)) + u" 曲";
  return text;
}

}  // namespace vq
