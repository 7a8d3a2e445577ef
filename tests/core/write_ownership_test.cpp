// A write owns its file: links, hard links, owner and mode, files another writer
// replaces meanwhile, left-over temporary files, and tags other programs wrote with a
// footer or unsynchronisation. Each case runs the batch pass on a real tree.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "passes/batch_pass.h"
#include "formats/bytesource.h"
#include "formats/id3v1.h"
#include "formats/id3v2_reader.h"
#include "id3v2_writer_support.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "session/listing.h"
#include "test_util.h"

using namespace vq;
using vqtest::AudioOf;
using vqtest::ReadBytes;
using vqtest::TempDir;
using vqtest::TemporaryFilesIn;

namespace {

class Recorder : public PassObserver {
 public:
  std::vector<std::u16string> messages;
  std::function<void()> onYield;
  void Failed(const ItemFailure& f) override {
    if (f.error.kind() == ErrorKind::PathFileAccess)
      messages.push_back(u"更新エラー|" + f.file.shownFolder + u"|" + f.file.shownName);
    else
      messages.push_back(f.message.text);
  }
  void Yield() override {
    if (onYield) onYield();
  }
};

// Runs the pass over an artist folder in folder-structure mode.
PassResult Pass(const std::string& artist, Recorder& rec, BatchSettings settings = {}) {
  return RunBatch(artist, ListFilesWithSubfolders(artist), settings, rec);
}

struct stat Stat(const std::string& path, bool follow = true) {
  struct stat st {};
  EXPECT_EQ(follow ? stat(path.c_str(), &st) : lstat(path.c_str(), &st), 0) << path;
  return st;
}

V2FrameTable FramesOf(const std::string& path) {
  RawFile f(path, RawFile::Mode::Read);
  FileSource src(f);
  V2FrameTable table;
  std::u16string listing;
  const V2Header h = ReadV2Header(src);
  if (h.present) ReadV2Frames(src, h, table, listing);
  return table;
}

const V2FrameEntry* Frame(const V2FrameTable& table, const std::u16string& id) {
  for (const auto& e : table)
    if (e.id == id) return &e;
  return nullptr;
}

constexpr char kUntagged[] = "14_notag_lame_mpeg1_l3_128k.mp3";

}  // namespace

// A symbolic link to a file elsewhere: the file it points to gets the whole new tag in
// its own folder, and the link stays a link.
TEST(WriteOwnership, ALinkIsWrittenThroughAndStaysALink) {
  TempDir dir;
  const std::string target = dir.CopyFixture(kUntagged, "store/target.mp3");
  const std::string before = ReadBytes(target);
  dir.MakeDir("Artist/Album");
  ASSERT_EQ(symlink("../../store/target.mp3", (dir / "Artist/Album/link.mp3").c_str()), 0);
  Recorder rec;
  EXPECT_FALSE(Pass(dir / "Artist", rec).failed());
  EXPECT_TRUE(rec.messages.empty());
  EXPECT_TRUE(S_ISLNK(Stat(dir / "Artist/Album/link.mp3", false).st_mode));
  const std::string after = ReadBytes(target);
  EXPECT_EQ(AudioOf(after), AudioOf(before));
  EXPECT_EQ(Frame(FramesOf(target), u"TIT2")->text, u"link");
  EXPECT_EQ(after.compare(after.size() - 128, 3, "TAG"), 0);
  EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty());
}

// A file with two names stays one file: in place when its tag has room; when the tag
// must grow it is refused before anything is written, by a message naming it.
TEST(WriteOwnership, AHardLinkedFileStaysOneFile) {
  TempDir dir;
  const std::string roomy = dir.CopyFixture("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3", "Roomy/A/roomy.mp3");
  const std::string tight = dir.CopyFixture(kUntagged, "Tight/B/tight.mp3");
  ASSERT_EQ(link(roomy.c_str(), (dir / "other-roomy.mp3").c_str()), 0);
  ASSERT_EQ(link(tight.c_str(), (dir / "other-tight.mp3").c_str()), 0);
  const std::string tightBefore = ReadBytes(tight);
  const struct stat tightWas = Stat(tight);

  Recorder rec;
  EXPECT_FALSE(Pass(dir / "Roomy", rec).failed());
  EXPECT_TRUE(Pass(dir / "Tight", rec).failed());
  EXPECT_EQ(Stat(roomy).st_ino, Stat(dir / "other-roomy.mp3").st_ino);
  EXPECT_EQ(Frame(FramesOf(dir / "other-roomy.mp3"), u"TIT2")->text, u"roomy");

  ASSERT_EQ(rec.messages.size(), 1u);
  EXPECT_EQ(rec.messages[0], ErrorDescription(ErrorKind::HardLinked) + u"\r\n" + Utf8ToUtf16(dir / "Tight/B/") +
                                 u"\r\n" + u"tight.mp3");
  EXPECT_EQ(ReadBytes(tight), tightBefore);
  EXPECT_EQ(Stat(tight).st_mtim.tv_nsec, tightWas.st_mtim.tv_nsec);
  EXPECT_EQ(Stat(tight).st_nlink, 2u);
}

// A rebuilt file keeps its owner, group and mode (another owner than the one running
// the pass only as root), and with keep-date its date to the nanosecond.
TEST(WriteOwnership, ARebuiltFileKeepsOwnerModeAndExactDate) {
  const bool root = geteuid() == 0;
  if (!root) std::printf("not root: the owner is not changed, only the mode and the date are checked\n");
  TempDir dir;
  const std::string path = dir.CopyFixture(kUntagged, "Artist/Album/song.mp3");
  const uid_t owner = root ? 65534 : geteuid();
  const gid_t group = root ? 65534 : getegid();
  ASSERT_EQ(chown(path.c_str(), owner, group), 0);
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  const struct timespec date[2] = {{981173106, 123456789}, {981173106, 123456789}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), date, 0), 0);
  Recorder rec;
  BatchSettings keep;
  keep.keepDate = true;
  EXPECT_FALSE(Pass(dir / "Artist", rec, keep).failed());
  const struct stat st = Stat(path);
  EXPECT_EQ(st.st_uid, owner);
  EXPECT_EQ(st.st_gid, group);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_mtim.tv_sec, 981173106);
  EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
}

// Another writer that does not lock (here: during the pause before the rename) puts a
// new file under the name: it is left alone, the pass fails naming the file, and no
// temporary file stays.
TEST(WriteOwnership, AFileReplacedBeforeTheRenameIsLeftAlone) {
  TempDir dir;
  const std::string path = dir.CopyFixture(kUntagged, "Artist/Album/song.mp3");
  Recorder rec;
  rec.onYield = [&] {
    vqtest::WriteBytes(dir / "other.mp3", "another program's file");
    ASSERT_EQ(rename((dir / "other.mp3").c_str(), path.c_str()), 0);
  };
  BatchSettings v2only;
  v2only.v1 = false;
  EXPECT_TRUE(Pass(dir / "Artist", rec, v2only).failed());
  EXPECT_EQ(ReadBytes(path), "another program's file");
  ASSERT_EQ(rec.messages.size(), 1u);
  EXPECT_EQ(rec.messages[0].rfind(ErrorDescription(ErrorKind::ChangedMeanwhile), 0), 0u);
  EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty());
}

// A temporary file that no living writer holds (its process was killed) is removed by
// the next rebuild in its folder; one that a writer holds is not.
TEST(WriteOwnership, LeftOverTemporaryFilesAreRemovedLiveOnesKept) {
  TempDir dir;
  dir.CopyFixture(kUntagged, "Artist/Album/song.mp3");
  vqtest::WriteBytes(dir / "Artist/Album/~tmpmp3-dead01.tmp", "left by a killed pass");
  RawFile live = CreateTemporaryFile(dir / "Artist/Album/");
  Recorder rec;
  EXPECT_FALSE(Pass(dir / "Artist", rec).failed());
  EXPECT_EQ(TemporaryFilesIn(dir.path()), std::vector<std::string>{live.path()});
}

// Tags other programs write: a v2.4 footer leaves no byte behind the new tag, and an
// unsynchronised v2.3 tag's frames are carried as their real bytes, in place and
// rebuilt alike.
TEST(WriteOwnership, FootersAndUnsynchronisationLeaveOnlyRealBytes) {
  struct Case {
    const char* fixture;
    std::u16string carried;  // a frame that goes over whole
    std::string body;        // its real bytes
  };
  const Case cases[] = {
      {"17_v24_footer_handmade_mpeg1_l3_128k.mp3", u"TXXX", std::string("\0note\0kept", 10)},
      {"18_v23_unsync_priv_handmade_mpeg1_l3_128k.mp3", u"PRIV", std::string("owner\0\xFF\xE0\xFF\xFF\x00\xFF", 12)},
  };
  for (const Case& c : cases) {
    for (const bool rebuild : {false, true}) {
      SCOPED_TRACE(std::string(c.fixture) + (rebuild ? " rebuilt" : " in place"));
      TempDir dir;
      // A long album name makes the tag grow: rebuilt; a short one fits: in place.
      const std::string album = rebuild ? std::string(200, 'a') : "A";
      const std::string path = dir.CopyFixture(c.fixture, "Artist/" + album + "/s.mp3");
      const std::string audio = ReadBytes(vqtest::DataPath("14_notag_lame_mpeg1_l3_128k.mp3"));
      Recorder rec;
      BatchSettings v2only;
      v2only.v1 = false;
      EXPECT_FALSE(Pass(dir / "Artist", rec, v2only).failed());
      const std::string after = ReadBytes(path);
      ASSERT_EQ(after.substr(0, 6), std::string("ID3\x03\x00\x00", 6));
      EXPECT_EQ(AudioOf(after), audio);
      const V2FrameTable frames = FramesOf(path);  // alive while `carried` points into it
      const V2FrameEntry* carried = Frame(frames, c.carried);
      ASSERT_NE(carried, nullptr);
      EXPECT_EQ(carried->body, c.body);
    }
  }
}

// Failures name their file under the description; the folder listing leaves out a
// subfolder that leads back to the folder or above it, and a path holding a zero byte
// names no folder.
TEST(WriteOwnership, FailuresNameTheFileAndLoopsAndZeroBytesAreNoFolders) {
  TempDir dir;
  vqtest::MakeFile(dir / "Artist/Album/empty.mp3", 0);
  ASSERT_EQ(symlink(".", (dir / "Artist/self").c_str()), 0);
  ASSERT_EQ(symlink("..", (dir / "Artist/Album/up").c_str()), 0);
  ASSERT_EQ(symlink("../..", (dir / "Artist/Album/top").c_str()), 0);
  const std::vector<ListedFile> rows = ListFilesWithSubfolders(dir / "Artist");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].subfolderEntry, "/Album");
  EXPECT_EQ(ListFilesWithSubfolders(dir / "Artist/Album").size(), 1u);  // its own file only

  Recorder rec;
  EXPECT_TRUE(Pass(dir / "Artist", rec).failed());
  ASSERT_EQ(rec.messages.size(), 1u);
  EXPECT_EQ(rec.messages[0], ErrorDescription(ErrorKind::InvalidArgument) + u"\r\n" +
                                 Utf8ToUtf16(dir / "Artist/Album/") + u"\r\nempty.mp3");

  const std::string withZero = dir / std::string("Artist\0/Album", 13);
  EXPECT_FALSE(IsFolder(withZero));
  EXPECT_THROW(ListMp3Files(withZero), Error);
}
