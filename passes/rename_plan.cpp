#include "passes/rename_plan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "passes/portable_names.h"
#include "platform/case_fold.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/name_order.h"
#include "platform/text.h"

namespace vq {

namespace {

using Kind = PlannedRename::Kind;

// A folder's entries as they are before the renames.
struct FolderView {
  struct Entry {
    std::string name;
    bool folder = false;   // a folder, or a link to one
    bool realFolder = false;  // a folder itself
    bool regular = false;  // a regular file itself (not a link)
  };
  bool exists = false;
  std::vector<Entry> entries;
  std::unordered_map<std::string, std::vector<std::size_t>> byKey;  // FoldNameCase(name) -> entries
};

class Folders {
 public:
  const FolderView& Of(const std::string& path) {
    auto [it, added] = cache_.try_emplace(path);
    if (added) Read(path, it->second);
    return it->second;
  }

 private:
  static void Read(const std::string& path, FolderView& view) {
    DIR* d = ::opendir(path.empty() ? "/" : path.c_str());
    if (!d) return;
    view.exists = true;
    const int fd = ::dirfd(d);
    while (const dirent* e = ::readdir(d)) {
      const std::string_view name = e->d_name;
      if (name == "." || name == "..") continue;
      FolderView::Entry entry{std::string(name)};
      struct stat own {}, target {};
      if (::fstatat(fd, e->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0) {
        entry.regular = S_ISREG(own.st_mode);
        entry.realFolder = S_ISDIR(own.st_mode);
        entry.folder = entry.realFolder || (S_ISLNK(own.st_mode) && ::fstatat(fd, e->d_name, &target, 0) == 0 &&
                                            S_ISDIR(target.st_mode));
      }
      view.byKey[FoldNameCase(entry.name)].push_back(view.entries.size());
      view.entries.push_back(std::move(entry));
    }
    ::closedir(d);
  }
  std::map<std::string, FolderView> cache_;
};

bool EndsWithMp3(std::string_view name) {
  return name.size() > 4 && FoldNameCase(name.substr(name.size() - 4)) == ".mp3";
}

// ".jpg" of "cover.jpg"; "" for a name without one.
std::size_t ExtensionStart(std::string_view name) {
  const auto dot = name.rfind('.');
  return dot == std::string_view::npos || dot == 0 ? name.size() : dot;
}

std::string Bytes(std::u16string_view text) { return Utf16ToUtf8(text); }

class Planner {
 public:
  Planner(const std::string& folder, const std::vector<ListedFile>& rows) : root_(folder), rows_(rows) {}

  RenamePlan Run(const std::vector<FileFields>& fields, const RenamePattern& pattern);

 private:
  // Whether the path is free for the item at `self` (npos for a companion) once the
  // renames before it are done.
  bool Free(const std::string& path, std::size_t self) {
    const std::string key = FoldNameCase(path);
    if (claimed_.count(key)) return false;
    const std::string parent = ParentPath(path);
    const FolderView& view = folders_.Of(parent);
    const auto it = view.byKey.find(FoldNameCase(LastComponent(path)));
    if (it == view.byKey.end()) return true;
    for (std::size_t e : it->second) {
      const auto j = oldIndex_.find(JoinPath(parent, view.entries[e].name));
      if (j == oldIndex_.end()) return false;
      if (j->second == self) continue;
      if (j->second < self && moved_[j->second]) continue;
      return false;
    }
    return true;
  }

  // The folder `components` lead to below the root, each folder spelt as one that is
  // there or planned under another case; nullopt when a file is in the way. `made`
  // receives the folders that do not exist yet.
  std::optional<std::string> ResolveFolder(const std::vector<std::u16string>& components,
                                           std::vector<std::string>& made) {
    std::string dir = root_;
    for (std::size_t c = 0; c + 1 < components.size(); ++c) {
      const std::string name = Bytes(components[c]);
      const FolderView& view = folders_.Of(dir);
      const auto it = view.byKey.find(FoldNameCase(name));
      std::string child;
      if (it != view.byKey.end()) {
        const FolderView::Entry* pick = &view.entries[it->second.front()];
        for (std::size_t e : it->second)
          if (view.entries[e].name == name) pick = &view.entries[e];
        if (!pick->folder) return std::nullopt;
        child = JoinPath(dir, pick->name);
      } else if (auto planned = newFolders_.find(FoldNameCase(JoinPath(dir, name))); planned != newFolders_.end()) {
        child = planned->second;
      } else {
        child = JoinPath(dir, name);
        made.push_back(child);
      }
      dir = std::move(child);
    }
    return dir;
  }

  void PlanFile(std::size_t i, const BuiltName& built, PlannedRename& item);
  std::vector<std::vector<PlannedRename>> PlanCompanions(const std::vector<PlannedRename>& items);
  void FindEmptiedFolders(RenamePlan& plan);
  bool Emptied(const std::string& folder);

  std::string root_;
  const std::vector<ListedFile>& rows_;
  Folders folders_;
  std::unordered_map<std::string, std::size_t> oldIndex_;  // old path -> row
  std::vector<bool> moved_;
  std::unordered_set<std::string> claimed_;                 // FoldNameCase of new paths
  std::unordered_map<std::string, std::string> newFolders_;  // FoldNameCase -> path of folders to be made
  // For the emptied folders: what leaves, and every folder something arrives in.
  std::unordered_set<std::string> leaving_, receiving_;
  std::map<std::string, bool> emptied_;
};

void Planner::PlanFile(std::size_t i, const BuiltName& built, PlannedRename& item) {
  std::vector<std::string> made;
  const auto dir = ResolveFolder(built.components, made);
  if (!dir) {
    item.kind = Kind::FolderBlocked;
    item.why = u"新しいフォルダの場所に、同じ名前のファイルがあります";
    return;
  }
  const std::u16string& last = built.components.back();
  const std::u16string extension = DecodeName(std::string_view(rows_[i].name).substr(rows_[i].name.size() - 4));
  const std::u16string stem = last.substr(0, last.size() - extension.size());
  for (int n = 1;; ++n) {
    const std::u16string name = n == 1 ? last : PortableName(stem, u" (" + Utf8ToUtf16(std::to_string(n)) + u")", extension);
    const std::string target = JoinPath(*dir, Bytes(name));
    if (target == item.oldPath) {
      item.kind = Kind::Unchanged;
      return;
    }
    if (!Free(target, i)) continue;
    item.kind = Kind::Rename;
    item.newPath = target;
    claimed_.insert(FoldNameCase(target));
    for (const std::string& folder : made) newFolders_.emplace(FoldNameCase(folder), folder);
    moved_[i] = true;
    return;
  }
}

std::vector<std::vector<PlannedRename>> Planner::PlanCompanions(const std::vector<PlannedRename>& items) {
  // Per source folder: where its listed files go, and its last row.
  struct Source {
    std::set<std::string> targets;
    std::size_t last = 0;
  };
  std::map<std::string, Source> sources;
  std::vector<std::string> order;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].kind != Kind::Rename) continue;
    const std::string from = ParentPath(items[i].oldPath);
    auto [it, added] = sources.try_emplace(from);
    if (added) order.push_back(from);
    it->second.targets.insert(ParentPath(items[i].newPath));
    it->second.last = i;
  }
  std::vector<std::vector<PlannedRename>> after(items.size());
  for (const std::string& from : order) {
    const Source& source = sources[from];
    if (source.targets.size() != 1 || *source.targets.begin() == from) continue;
    const std::string& to = *source.targets.begin();
    // Every MP3 file of the folder is listed and moves there.
    std::vector<Mp3FileInfo> mp3s;
    try {
      mp3s = ListMp3Files(from.empty() ? "/" : from);
    } catch (const Error&) {
      continue;
    }
    const bool allMove = std::all_of(mp3s.begin(), mp3s.end(), [&](const Mp3FileInfo& f) {
      const auto j = oldIndex_.find(JoinPath(from, f.name));
      return j != oldIndex_.end() && items[j->second].kind == Kind::Rename;
    });
    if (!allMove) continue;
    std::vector<std::string> names;
    for (const FolderView::Entry& e : folders_.Of(from).entries)
      if (e.regular && e.name[0] != '.' && !EndsWithMp3(e.name) && !IsTemporaryFileName(e.name)) names.push_back(e.name);
    SortNames(names);
    for (const std::string& name : names) {
      PlannedRename c;
      c.kind = Kind::Companion;
      c.oldPath = JoinPath(from, name);
      const std::size_t dot = ExtensionStart(name);
      for (int n = 1;; ++n) {
        const std::string candidate =
            n == 1 ? name : name.substr(0, dot) + " (" + std::to_string(n) + ")" + name.substr(dot);
        c.newPath = JoinPath(to, candidate);
        if (Free(c.newPath, std::string::npos)) break;
      }
      claimed_.insert(FoldNameCase(c.newPath));
      after[source.last].push_back(std::move(c));
    }
  }
  return after;
}

bool Planner::Emptied(const std::string& folder) {
  if (folder == root_ || folder.size() <= root_.size() || receiving_.count(folder)) return false;
  if (auto it = emptied_.find(folder); it != emptied_.end()) return it->second;
  const FolderView& view = folders_.Of(folder);
  bool empties = view.exists && !view.entries.empty();
  for (const FolderView::Entry& e : view.entries) {
    if (!empties) break;
    const std::string path = JoinPath(folder, e.name);
    empties = leaving_.count(path) || (e.realFolder && Emptied(path));
  }
  emptied_[folder] = empties;
  return empties;
}

void Planner::FindEmptiedFolders(RenamePlan& plan) {
  std::set<std::string> candidates;
  for (const PlannedRename& item : plan.items) {
    if (!item.Moves()) continue;
    leaving_.insert(item.oldPath);
    for (std::string d = ParentPath(item.newPath); d.size() > root_.size(); d = ParentPath(d)) receiving_.insert(d);
    for (std::string d = ParentPath(item.oldPath); d.size() > root_.size(); d = ParentPath(d)) candidates.insert(d);
  }
  for (const std::string& d : candidates)
    if (Emptied(d)) plan.emptiedFolders.push_back(d);
  std::stable_sort(plan.emptiedFolders.begin(), plan.emptiedFolders.end(), [](const std::string& a, const std::string& b) {
    return std::count(a.begin(), a.end(), '/') > std::count(b.begin(), b.end(), '/');
  });
}

RenamePlan Planner::Run(const std::vector<FileFields>& fields, const RenamePattern& pattern) {
  RenamePlan plan;
  const std::size_t n = rows_.size();
  std::vector<PlannedRename> items(n);
  std::vector<BuiltName> built(n);
  moved_.assign(n, false);
  for (std::size_t i = 0; i < n; ++i) {
    items[i].oldPath = FolderPrefix(root_, rows_[i].subfolderEntry) + rows_[i].name;
    if (root_ == "/") items[i].oldPath.erase(0, 1);  // "//a.mp3" -> "/a.mp3"
    oldIndex_.emplace(items[i].oldPath, i);
  }
  if (root_ == "/") root_.clear();  // paths below it are "/" + the path

  // Names first: a pattern that gives every file the same name is refused as a whole.
  std::size_t named = 0;
  std::optional<std::u16string> onlyName;  // the one name every named file gets so far
  bool allSame = true;
  for (std::size_t i = 0; i < n; ++i) {
    PlannedRename& item = items[i];
    if (i >= fields.size() || !fields[i].fields) {
      item.kind = Kind::Unreadable;
      item.why = i < fields.size() ? fields[i].error : std::u16string(u"タグを読めませんでした");
      continue;
    }
    const std::string& name = rows_[i].name;
    const std::u16string extension = name.size() >= 4 ? DecodeName(std::string_view(name).substr(name.size() - 4)) : u"";
    built[i] = BuildName(pattern, *fields[i].fields, extension);
    if (built[i].missing) {
      item.kind = Kind::MissingField;
      item.missing = built[i].missing;
      item.why = u"タグに " + FieldToken(*built[i].missing) + u" がありません";
      continue;
    }
    if (built[i].empty) {
      item.kind = Kind::EmptyName;
      item.why = u"名前に使える文字が残りません";
      continue;
    }
    std::u16string joined;
    for (const auto& c : built[i].components) joined += (joined.empty() ? u"" : u"/") + c;
    if (!onlyName) onlyName = joined;
    allSame = allSame && FoldCase(*onlyName) == FoldCase(joined);
    ++named;
  }
  if (named >= 2 && allSame) {
    plan.refusal = u"このパターンでは、すべての曲が同じ名前「" + *onlyName +
                   u"」になります。%title% や %track% を入れて、曲ごとに違う名前にしてください。";
    return plan;
  }

  for (std::size_t i = 0; i < n; ++i)
    if (built[i].ok() && !built[i].components.empty()) PlanFile(i, built[i], items[i]);

  const auto companions = PlanCompanions(items);
  for (std::size_t i = 0; i < n; ++i) {
    plan.items.push_back(std::move(items[i]));
    for (const PlannedRename& c : companions[i]) plan.items.push_back(c);
  }
  for (const PlannedRename& item : plan.items) {
    switch (item.kind) {
      case Kind::Rename: ++plan.renamed; break;
      case Kind::Companion: ++plan.companions; break;
      case Kind::Unchanged: ++plan.unchanged; break;
      case Kind::MissingField: ++plan.missingTags; break;
      default: ++plan.otherSkipped; break;
    }
  }
  FindEmptiedFolders(plan);
  return plan;
}

std::u16string Count(std::size_t n) { return FormatThousands(static_cast<std::int64_t>(n)); }

}  // namespace

std::vector<FileFields> ReadListingFields(const std::string& folder, const std::vector<ListedFile>& rows) {
  std::vector<FileFields> out;
  out.reserve(rows.size());
  for (const ListedFile& row : rows) {
    FileFields f;
    try {
      std::string path = FolderPrefix(folder, row.subfolderEntry) + row.name;
      if (folder == "/") path.erase(0, 1);
      f.fields = ReadTagFields(path);
    } catch (const Error& e) {
      f.error = e.description();
    }
    out.push_back(std::move(f));
  }
  return out;
}

RenamePlan PlanRenames(const std::string& folder, const std::vector<ListedFile>& rows,
                       const std::vector<FileFields>& fields, const RenamePattern& pattern) {
  return Planner(folder, rows).Run(fields, pattern);
}

std::u16string PlanCountsText(const RenamePlan& plan) {
  std::u16string text = u"名前を変える曲: " + Count(plan.renamed) + u" 曲、そのままの曲: " + Count(plan.unchanged) +
                        u" 曲、タグが足りない曲: " + Count(plan.missingTags) + u" 曲";
  if (plan.otherSkipped) text += u"、ほかの理由で変えない曲: " + Count(plan.otherSkipped) + u" 曲";
  if (plan.companions) text += u"、一緒に移すファイル: " + Count(plan.companions) + u" 個";
  return text;
}

std::u16string ShownBelow(const std::string& folder, const std::string& path) {
  const std::string base = folder == "/" ? std::string() : folder;
  if (path.size() > base.size() + 1 && path.compare(0, base.size(), base) == 0 && path[base.size()] == '/')
    return DecodePath(std::string_view(path).substr(base.size() + 1));
  return DecodePath(path);
}

}  // namespace vq
