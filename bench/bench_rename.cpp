#include "bench_rename.h"

#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "bench_util.h"
#include "passes/rename_pass.h"
#include "platform/safe_rename.h"
#include "platform/text.h"
#include "session/listing.h"

namespace vqbench {
namespace {

class Strict : public vq::PassObserver {
 public:
  void Failed(const vq::ItemFailure& f) override { Fail("rename error: " + vq::Utf16ToUtf8(vq::MessageLine(f.message))); }
};

std::string Parent(const std::string& path) { return path.substr(0, path.rfind('/')); }

// The folders the renames need that are not there, outermost first.
std::vector<std::string> NewFolders(const vq::RenamePlan& plan) {
  std::vector<std::string> out;
  for (const vq::PlannedRename& item : plan.items) {
    if (!item.Moves()) continue;
    std::vector<std::string> missing;
    for (std::string d = Parent(item.newPath); !d.empty(); d = Parent(d)) {
      struct stat st {};
      if (::stat(d.c_str(), &st) == 0 || std::find(out.begin(), out.end(), d) != out.end()) break;
      missing.insert(missing.begin(), d);
    }
    out.insert(out.end(), missing.begin(), missing.end());
  }
  return out;
}

// The work without journal, checks or flushes: what the pass does, in plain calls.
void PlainRenames(const vq::RenamePlan& plan) {
  for (const std::string& d : NewFolders(plan))
    if (::mkdir(d.c_str(), 0777) != 0) Fail("mkdir " + d);
  for (const vq::PlannedRename& item : plan.items)
    if (item.Moves() && ::rename(item.oldPath.c_str(), item.newPath.c_str()) != 0) Fail("rename " + item.oldPath);
  for (const std::string& d : plan.emptiedFolders)
    if (::rmdir(d.c_str()) != 0) Fail("rmdir " + d);
}

// Every file back under its old name, the new folders gone.
void PutBack(const vq::RenamePlan& plan, const std::vector<std::string>& madeFolders) {
  for (auto it = plan.emptiedFolders.rbegin(); it != plan.emptiedFolders.rend(); ++it) ::mkdir(it->c_str(), 0777);
  for (const vq::PlannedRename& item : plan.items)
    if (item.Moves() && ::rename(item.newPath.c_str(), item.oldPath.c_str()) != 0) Fail("put back " + item.newPath);
  for (auto it = madeFolders.rbegin(); it != madeFolders.rend(); ++it)
    if (::rmdir(it->c_str()) != 0) Fail("rmdir " + *it);
}

}  // namespace

RenameCosts TimeRenames(const Tree& tree, const std::string& journals, int rounds) {
  RenameCosts costs;
  const double start = NowMs();
  const std::vector<vq::ListedFile> rows = vq::ListFilesBelow(tree.folder);
  const std::vector<vq::FileFields> fields = vq::ReadListingFields(tree.folder, rows);
  const auto pattern = vq::ParseRenamePattern(u"%artist%/%album%/%track% %title%");
  const vq::RenamePlan plan = vq::PlanRenames(tree.folder, rows, fields, *pattern.pattern);
  costs.planMs = NowMs() - start;
  if (plan.renamed != tree.files.size() || !plan.refusal.empty()) Fail("the plan renames " + std::to_string(plan.renamed));
  const std::vector<std::string> made = NewFolders(plan);

  std::vector<double> pass, plain;
  for (int r = 0; r < rounds; ++r) {
    for (int k = 0; k < 2; ++k) {
      SyncDisk();
      const double t = NowMs();
      if ((k == 0) == (r % 2 == 0)) {
        vq::RenamePass renames(tree.folder, plan);
        Strict strict;
        vq::RenamePassSettings settings;
        settings.journalFolder = journals;
        const vq::RenameResult result = renames.Run(settings, strict);
        pass.push_back(NowMs() - t);
        if (result.renamed != tree.files.size() || result.foldersRemoved != plan.emptiedFolders.size())
          Fail("the pass renamed " + std::to_string(result.renamed));
      } else {
        PlainRenames(plan);
        plain.push_back(NowMs() - t);
      }
      PutBack(plan, made);
    }
  }
  costs.passMs = Median(pass);
  costs.plainMs = Median(plain);
  return costs;
}

}  // namespace vqbench
