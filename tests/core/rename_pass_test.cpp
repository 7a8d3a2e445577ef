// Renaming from tags on the pass engine (the command's tests show the dry run, the
// companions, the emptied folders and undo end to end): files gone or names taken
// meanwhile, a fault at each file operation, a case-only rename on a FAT file system.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "fat_image.h"
#include "pass_recorder.h"
#include "passes/rename_pass.h"
#include "passes/undo.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "test_util.h"

namespace fs = std::filesystem;
using vqtest::ReadBytes;
using vqtest::WriteBytes;

namespace {

using Lines = std::vector<std::string>;

// Files below a folder, each with a title and an album its plan reads.
struct Tree {
  std::string root;
  std::map<std::string, vq::TagFields> tags;

  std::string At(const std::string& rel) const { return root + "/" + rel; }
  void Add(const std::string& rel, const std::u16string& title, const std::u16string& album = u"A") {
    WriteBytes(At(rel), "bytes of " + rel);
    tags[rel][vq::TagField::Title] = title;
    tags[rel][vq::TagField::Album] = album;
  }
  vq::RenamePlan Plan(const std::u16string& pattern) const {
    std::vector<vq::ListedFile> rows;
    std::vector<vq::FileFields> fields;
    for (auto& row : vq::ListFilesBelow(root)) {
      const std::string rel = row.subfolderEntry.empty() ? row.name : row.subfolderEntry.substr(1) + "/" + row.name;
      if (!tags.count(rel)) continue;
      fields.push_back({tags.at(rel), {}});
      rows.push_back(std::move(row));
    }
    return vq::PlanRenames(root, rows, fields, *vq::ParseRenamePattern(pattern).pattern);
  }
  // Every entry below the root: a file as its bytes, a folder as "/".
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root))
      out[e.path().string().substr(root.size() + 1)] = e.is_directory() ? "/" : ReadBytes(e.path());
    return out;
  }
};

// The files' bytes: each file must be there exactly once, under whatever name.
std::multiset<std::string> Contents(const std::map<std::string, std::string>& snapshot) {
  std::multiset<std::string> out;
  for (const auto& [rel, what] : snapshot)
    if (what != "/") out.insert(what);
  return out;
}

// Runs the pass with a journal; `heard` gets its reports.
vq::RenameResult RunRename(const Tree& tree, const vq::RenamePlan& plan, const std::string& journals,
                           vqtest::PassRecorder& heard) {
  vq::RenamePass pass(tree.root, plan);
  vq::RenamePassSettings settings;
  settings.journalFolder = journals;
  return pass.Run(settings, heard);
}

vq::UndoResult Undo(const std::string& journal) {
  vqtest::UndoRecorder recorder;
  return vq::UndoPass(journal, recorder);
}

}  // namespace

TEST(RenamePass, AFileGoneOrANameTakenMeanwhileIsNamedAndThePassGoesOn) {
  vqtest::TempDir dir, journals;
  Tree tree{dir.path()};
  tree.Add("1.mp3", u"一");
  tree.Add("2.mp3", u"二");
  tree.Add("3.mp3", u"三");
  tree.Add("Old/4.mp3", u"四");
  const vq::RenamePlan plan = tree.Plan(u"%title%");
  ASSERT_EQ(plan.emptiedFolders, Lines{tree.At("Old")});
  fs::remove(tree.At("1.mp3"));                     // gone since the plan
  WriteBytes(tree.At("二.mp3"), "someone else's");  // its new name taken since
  WriteBytes(tree.At("Old/later.txt"), "new");      // the folder is no longer emptied

  vqtest::PassRecorder heard;
  const vq::RenameResult result = RunRename(tree, plan, journals.path(), heard);
  EXPECT_EQ(heard.changed, (std::vector<std::size_t>{2, 3}));  // 3.mp3 and Old/4.mp3, not the folder
  EXPECT_TRUE(fs::exists(tree.At("四.mp3")));
  EXPECT_EQ(result.foldersRemoved, 0u);
  EXPECT_EQ(heard.failedPaths, (Lines{tree.At("1.mp3"), tree.At("2.mp3")}));
  ASSERT_EQ(heard.errors.size(), 2u);
  EXPECT_NE(heard.errors[0].find(u"1.mp3"), std::u16string::npos);  // the messages name the files
  EXPECT_NE(heard.errors[1].find(u"2.mp3"), std::u16string::npos);
  EXPECT_EQ(ReadBytes(tree.At("二.mp3")), "someone else's");
  EXPECT_EQ(ReadBytes(tree.At("2.mp3")), "bytes of 2.mp3");

  // Undo takes back only what the pass did.
  EXPECT_EQ(Undo(result.journal).restored, 2u);
  EXPECT_TRUE(fs::exists(tree.At("3.mp3")));
  EXPECT_TRUE(fs::exists(tree.At("Old/4.mp3")));
}

TEST(RenamePass, AFaultAtEachFileOperationLeavesEveryFileUnderOneNameAndUndoPutsItBack) {
  vqtest::TempDir journals;
  // Folders made (two deep) and emptied, a companion; a fault at operation k (0: none).
  const auto runWithFaultAt = [&](long k) {
    vqtest::TempDir dir;
    Tree tree{dir.path()};
    tree.Add("Old/1.mp3", u"一");
    tree.Add("Old/2.mp3", u"二");
    WriteBytes(tree.At("Old/cover.jpg"), "cover");
    tree.Add("3.mp3", u"三", u"B");
    const auto before = tree.Snapshot();
    const vq::RenamePlan plan = tree.Plan(u"%album%/Disc/%title%");
    vq::FaultInjection::Reset();
    if (k > 0) vq::FaultInjection::FailAt(k, EIO);
    vqtest::PassRecorder heard;
    const vq::RenameResult result = RunRename(tree, plan, journals.path(), heard);
    const long operations = vq::FaultInjection::Count();
    vq::FaultInjection::Reset();
    EXPECT_EQ(Contents(tree.Snapshot()), Contents(before));
    if (!result.journal.empty() && fs::exists(result.journal)) Undo(result.journal);
    EXPECT_EQ(tree.Snapshot(), before);
    return operations;
  };
  const long operations = runWithFaultAt(0);
  ASSERT_GT(operations, 10);
  for (long k = 1; k <= operations; ++k) {
    SCOPED_TRACE("fault at operation " + std::to_string(k));
    runWithFaultAt(k);
  }
}

TEST(RenamePass, ACaseOnlyRenameOnAFatFileSystemAndItsUndo) {
  vqtest::FatImage fat;
  if (!fat.mounted()) GTEST_SKIP() << fat.reason();
  vqtest::TempDir journals;
  Tree tree{fat.path()};
  tree.Add("song.mp3", u"Song");
  tree.Add("other.mp3", u"Other");
  const auto names = [&] {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(fat.path())) out.insert(e.path().filename().string());
    return out;
  };
  vqtest::PassRecorder heard;
  const vq::RenameResult result = RunRename(tree, tree.Plan(u"%title%"), journals.path(), heard);
  EXPECT_EQ(result.renamed, 2u);
  EXPECT_EQ(names(), (std::set<std::string>{"Other.mp3", "Song.mp3"}));
  EXPECT_EQ(ReadBytes(tree.At("Song.mp3")), "bytes of song.mp3");

  const vq::UndoResult undone = Undo(result.journal);
  EXPECT_EQ(undone.restored, 2u);
  EXPECT_EQ(undone.skipped, 0u);
  EXPECT_EQ(names(), (std::set<std::string>{"other.mp3", "song.mp3"}));
}
