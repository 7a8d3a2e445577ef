// Renaming from tags on the pass engine: the plan carried out with its journal, the dry
// run, undo of every path (folders made and removed, a case-only rename on a FAT file
// system), files gone or names taken meanwhile, and a fault at each file operation.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <memory>

#include "fat_image.h"
#include "pass_recorder.h"
#include "passes/rename_pass.h"
#include "passes/undo.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "test_util.h"

namespace fs = std::filesystem;
using vq::TagField;
using vqtest::ReadBytes;
using vqtest::WriteBytes;

namespace {

constexpr std::time_t kOldDate = 1262304000;  // 2010-01-01

// Files below a folder with the tags the plan reads for each.
class Tree {
 public:
  explicit Tree(std::string root) : root(std::move(root)) {}

  // A file whose bytes say which it is, dated kOldDate; tags: title, artist, album,
  // track ("" for none).
  void Add(const std::string& rel, const std::u16string& title, const std::u16string& artist = u"歌手",
           const std::u16string& album = u"アルバム", const std::u16string& track = u"1") {
    WriteOther(rel);
    vq::TagFields f;
    const std::pair<TagField, std::u16string> values[] = {
        {TagField::Title, title}, {TagField::Artist, artist}, {TagField::Album, album}, {TagField::Track, track}};
    for (const auto& [field, v] : values)
      if (!v.empty()) f[field] = v;
    tags[rel] = f;
  }
  // A file that is not part of the listing (a cover, a text).
  void WriteOther(const std::string& rel) {
    WriteBytes(At(rel), "bytes of " + rel);
    const struct timespec times[2] = {{kOldDate, 0}, {kOldDate, 123456789}};
    ::utimensat(AT_FDCWD, At(rel).c_str(), times, 0);
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
    const auto parsed = vq::ParseRenamePattern(pattern);
    EXPECT_TRUE(parsed.pattern) << vq::Utf16ToUtf8(parsed.error);
    return vq::PlanRenames(root, rows, fields, *parsed.pattern);
  }

  // Every entry below the root: a file as its bytes and modification time, a folder as "/".
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
      const std::string rel = e.path().string().substr(root.size() + 1);
      if (e.is_directory()) {
        out[rel] = "/";
        continue;
      }
      struct stat st {};
      ::lstat(e.path().c_str(), &st);
      out[rel] = ReadBytes(e.path()) + "@" + std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
    }
    return out;
  }

  std::string At(const std::string& rel) const { return root + "/" + rel; }

  std::string root;
  std::map<std::string, vq::TagFields> tags;
};

// The files of a snapshot by their bytes: each file must be there exactly once.
std::multiset<std::string> Contents(const std::map<std::string, std::string>& snapshot) {
  std::multiset<std::string> out;
  for (const auto& [rel, what] : snapshot)
    if (what != "/") out.insert(what);
  return out;
}

// What an observer heard, as "old -> new" below the root for each item renamed.
class Heard : public vqtest::PassRecorder {
 public:
  Heard(const vq::RenamePass& pass, std::string root) : pass_(pass), root_(std::move(root)) {}
  std::vector<std::string> lines;
  void Finished(std::size_t item, vq::ItemOutcome outcome) override {
    PassRecorder::Finished(item, outcome);
    const vq::PlannedRename* file = pass_.FileOf(item);
    const std::string old = pass_.items()[item].path.substr(root_.size() + 1);
    if (outcome == vq::ItemOutcome::Changed)
      lines.push_back(file ? old + " -> " + file->newPath.substr(root_.size() + 1) : old + "/ removed");
  }
  void Skipped(std::size_t item, const std::u16string& why) override {
    lines.push_back(pass_.items()[item].path.substr(root_.size() + 1) + ": " + vq::Utf16ToUtf8(why));
  }

 private:
  const vq::RenamePass& pass_;
  std::string root_;
};

vq::RenameResult RunRename(const Tree& tree, const vq::RenamePlan& plan, bool dryRun, const std::string& journals,
                           std::vector<std::string>* lines = nullptr, vqtest::PassRecorder* failures = nullptr) {
  vq::RenamePass pass(tree.root, plan);
  Heard heard(pass, tree.root);
  vq::RenamePassSettings settings;
  settings.dryRun = dryRun;
  settings.journalFolder = journals;
  const vq::RenameResult result = pass.Run(settings, heard);
  if (lines) *lines = heard.lines;
  if (failures) *failures = heard;
  return result;
}

vq::UndoResult Undo(const std::string& journal) {
  vqtest::UndoRecorder recorder;
  return vq::UndoPass(journal, recorder);
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(RenamePass, DryRunThenRenamesFilesAndCompanionsRemovesEmptiedFoldersAndUndoPutsEveryPathBack) {
  vqtest::TempDir dir, journals;
  Tree tree(dir.path());
  tree.Add("CD1/b.mp3", u"夕立", u"AC/DC", u"Live: 1992", u"2");
  tree.Add("CD1/a.mp3", u"朝?", u"AC/DC", u"Live: 1992", u"1");
  tree.WriteOther("CD1/cover.jpg");
  tree.Add("loose.mp3", u"夜", u"歌手", u"", u"3");
  tree.Add("03 夜.mp3", u"夜", u"歌手", u"アルバム", u"3");
  const auto before = tree.Snapshot();
  const vq::RenamePlan plan = tree.Plan(u"%artist%/%album%/%track% %title%");

  // The dry run reports what the pass then does, and changes nothing.
  Lines dry, real;
  const vq::RenameResult tried = RunRename(tree, plan, true, journals.path(), &dry);
  EXPECT_EQ(tree.Snapshot(), before);
  EXPECT_TRUE(tried.journal.empty());
  const vq::RenameResult done = RunRename(tree, plan, false, journals.path(), &real);
  EXPECT_EQ(real, dry);
  EXPECT_EQ(real, (Lines{"03 夜.mp3 -> 歌手/アルバム/03 夜.mp3", "loose.mp3: タグに %album% がありません",
                         "CD1/a.mp3 -> AC／DC/Live： 1992/01 朝？.mp3", "CD1/b.mp3 -> AC／DC/Live： 1992/02 夕立.mp3",
                         "CD1/cover.jpg -> AC／DC/Live： 1992/cover.jpg", "CD1/ removed"}));
  EXPECT_EQ(vq::RenameResultText(done, plan, false),
            u"名前を変えた曲: 3 曲、そのままの曲: 0 曲、タグが足りない曲: 1 曲、一緒に移したファイル: 1 個、"
            u"削除した空のフォルダ: 1 個");
  EXPECT_EQ(done.failures, 0u);

  // Every file under its new name with its bytes and date; the emptied folder gone.
  auto after = tree.Snapshot();
  EXPECT_EQ(Contents(after), Contents(before));
  EXPECT_EQ(after.count("CD1"), 0u);
  EXPECT_EQ(after["AC／DC/Live： 1992/01 朝？.mp3"], before.at("CD1/a.mp3"));

  // Undo: every name back, the folder removed made again, the folders made removed.
  const vq::UndoResult undone = Undo(done.journal);
  EXPECT_EQ(undone.restored, 4u);
  EXPECT_EQ(undone.skipped, 0u);
  EXPECT_EQ(tree.Snapshot(), before);
}

TEST(RenamePass, AFileGoneOrANameTakenMeanwhileIsNamedAndThePassGoesOn) {
  vqtest::TempDir dir, journals;
  Tree tree(dir.path());
  tree.Add("1.mp3", u"一");
  tree.Add("2.mp3", u"二");
  tree.Add("3.mp3", u"三");
  tree.Add("Old/4.mp3", u"四");
  const vq::RenamePlan plan = tree.Plan(u"%title%");
  ASSERT_EQ(plan.emptiedFolders, Lines{tree.At("Old")});
  fs::remove(tree.At("1.mp3"));                     // gone since the plan
  WriteBytes(tree.At("二.mp3"), "someone else's");  // its new name taken since
  WriteBytes(tree.At("Old/later.txt"), "new");      // the folder is no longer emptied

  Lines lines;
  vqtest::PassRecorder heard;
  const vq::RenameResult result = RunRename(tree, plan, false, journals.path(), &lines, &heard);
  EXPECT_EQ(lines, (Lines{"3.mp3 -> 三.mp3", "Old/4.mp3 -> 四.mp3"}));
  EXPECT_EQ(ReadBytes(tree.At("Old/later.txt")), "new");
  EXPECT_EQ(result.foldersRemoved, 0u);
  EXPECT_EQ(heard.failedPaths, (Lines{tree.At("1.mp3"), tree.At("2.mp3")}));
  ASSERT_EQ(heard.errors.size(), 2u);
  EXPECT_NE(heard.errors[0].find(u"1.mp3"), std::u16string::npos);  // the messages name the files
  EXPECT_NE(heard.errors[1].find(u"2.mp3"), std::u16string::npos);
  EXPECT_EQ(result.failures, 2u);
  EXPECT_EQ(result.renamed, 2u);
  EXPECT_EQ(ReadBytes(tree.At("二.mp3")), "someone else's");
  EXPECT_EQ(ReadBytes(tree.At("2.mp3")), "bytes of 2.mp3");

  // Undo takes back only what the pass did.
  EXPECT_EQ(Undo(result.journal).restored, 2u);
  EXPECT_TRUE(fs::exists(tree.At("3.mp3")));
  EXPECT_TRUE(fs::exists(tree.At("Old/4.mp3")));
}

TEST(RenamePass, AFaultAtEachFileOperationLeavesEveryFileUnderOneNameAndUndoPutsItBack) {
  vqtest::TempDir journals;
  // The operations of a pass that goes through without a fault.
  long operations = 0;
  {
    vqtest::TempDir dir;
    Tree tree(dir.path());
    tree.Add("Old/1.mp3", u"一", u"歌手", u"A");
    tree.Add("Old/2.mp3", u"二", u"歌手", u"A");
    tree.WriteOther("Old/cover.jpg");
    tree.Add("3.mp3", u"三", u"他", u"B");
    const vq::RenamePlan plan = tree.Plan(u"%artist%/%album%/%title%");
    vq::FaultInjection::Reset();
    RunRename(tree, plan, false, journals.path());
    operations = vq::FaultInjection::Count();
  }
  ASSERT_GT(operations, 10);
  for (long k = 1; k <= operations; ++k) {
    SCOPED_TRACE("fault at operation " + std::to_string(k));
    vqtest::TempDir dir;
    Tree tree(dir.path());
    tree.Add("Old/1.mp3", u"一", u"歌手", u"A");
    tree.Add("Old/2.mp3", u"二", u"歌手", u"A");
    tree.WriteOther("Old/cover.jpg");
    tree.Add("3.mp3", u"三", u"他", u"B");
    const auto before = tree.Snapshot();
    const vq::RenamePlan plan = tree.Plan(u"%artist%/%album%/%title%");
    vq::FaultInjection::Reset();
    vq::FaultInjection::FailAt(k, EIO);
    const vq::RenameResult result = RunRename(tree, plan, false, journals.path());
    vq::FaultInjection::Reset();
    EXPECT_EQ(Contents(tree.Snapshot()), Contents(before));
    if (!result.journal.empty() && fs::exists(result.journal)) Undo(result.journal);
    EXPECT_EQ(tree.Snapshot(), before);
  }
}

TEST(RenamePass, ACaseOnlyRenameOnAFatFileSystemAndItsUndo) {
  vqtest::FatImage fat;
  if (!fat.mounted()) GTEST_SKIP() << fat.reason();
  vqtest::TempDir journals;
  Tree tree(fat.path());
  tree.Add("song.mp3", u"Song");
  tree.Add("other.mp3", u"Other");
  const auto names = [&] {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(fat.path())) out.insert(e.path().filename().string());
    return out;
  };
  const vq::RenameResult result = RunRename(tree, tree.Plan(u"%title%"), false, journals.path());
  EXPECT_EQ(result.renamed, 2u);
  EXPECT_EQ(names(), (std::set<std::string>{"Other.mp3", "Song.mp3"}));
  EXPECT_EQ(ReadBytes(tree.At("Song.mp3")), "bytes of song.mp3");

  const vq::UndoResult undone = Undo(result.journal);
  EXPECT_EQ(undone.restored, 2u);
  EXPECT_EQ(undone.skipped, 0u);
  EXPECT_EQ(names(), (std::set<std::string>{"other.mp3", "song.mp3"}));
}
