// The cover passes with the program's own codec (no application object, no display):
// album covers embedded, kept, replaced and shrunk, as TagLib reads them; bad images
// refused by name; covers taken out of the files; undo of both; the batch's cover step.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QImage>

#include "formats/id3v2_writer.h"
#include "formats/picture.h"
#include "pass_recorder.h"
#include "passes/batch_pass.h"
#include "passes/cover_extraction.h"
#include "passes/cover_pass.h"
#include "passes/pass_items.h"
#include "passes/undo.h"
#include "platform/text.h"
#include "session/listing.h"
#include "support/ui/test_images.h"
#include "test_util.h"
#include "widgets/picture_codec_qt.h"

using namespace vq;
using namespace vqtest;

namespace {

constexpr char kNoTag[] = "14_notag_lame_mpeg1_l3_128k.mp3";
constexpr char kWithFront[] = "06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3";  // a PNG front cover
constexpr char kV22[] = "13_v22_handmade_mpeg1_l2_64k.mp3";              // PIC front cover, comments

const ui::QtPictureCodec codec;

QSize SizeOf(const std::string& picture) {
  return QImage::fromData(reinterpret_cast<const uchar*>(picture.data()), static_cast<int>(picture.size())).size();
}

// An MP3 file whose tag holds `frames` before a fixture's audio.
std::string TaggedWith(const std::vector<OutFrame>& frames) {
  return TagRegionBytes(frames, RoundedTagSize(FramesSize(frames))) + AudioOf(ReadBytes(DataPath(kNoTag)));
}
std::string WithCover(const std::string& picture) { return TaggedWith({*MakeFrontCoverFrame(picture)}); }

// A real pass: its journal in `journals`, over `folder` (undo touches nothing outside it).
CoverPassSettings Settings(const TempDir& folder, const TempDir& journals, bool replace = false, int maxSide = 0) {
  CoverPassSettings s;
  s.folder = folder.path();
  s.replace = replace;
  s.maxSide = maxSide;
  s.journalFolder = journals.path();
  return s;
}

}  // namespace

// A tree of albums: a large JPEG shrunk to 600 pixels, a PNG that fits going in as its
// bytes, a file's own front cover kept, other frames and the audio byte for byte.
TEST(CoverPasses, EachAlbumsCoverGoesIntoItsFilesAsTagLibReadsIt) {
  TempDir dir, journals;
  const std::string big = JpegBytes(1600, 1200), small = PngBytes(300, 300);
  WriteBytes(dir / "歌手/青い空/Cover.JPG", big);
  const std::string plain = dir.CopyFixture(kNoTag, "歌手/青い空/01 朝.mp3");
  const std::string own = dir.CopyFixture(kWithFront, "歌手/青い空/02 絵.mp3");
  const std::string v22 = dir.CopyFixture(kV22, "歌手/青い空/03 古い.mp3");
  WriteBytes(dir / "歌手/ライブ/scan.png", small);  // the only image: the cover
  const std::string live = dir.CopyFixture(kNoTag, "歌手/ライブ/01.mp3");
  const std::string ownBefore = ReadBytes(own);

  const std::string v22Before = ReadBytes(v22);
  PassRecorder rec;
  CoverPass pass(ListMp3FilesBelow(dir.path()), Settings(dir, journals, false, 600), codec);
  const PassResult r = pass.Run(rec);
  EXPECT_EQ(r.changed, 2u);
  EXPECT_TRUE(rec.Failures().empty());

  const TagLibView tl = ReadWithTagLib(plain);
  ASSERT_EQ(tl.pictureFrames.size(), 1u);
  const TagLibPicture& p = tl.pictureFrames[0];
  EXPECT_EQ(p.type, 3);
  EXPECT_EQ(p.mime, "image/jpeg");
  EXPECT_EQ(p.encoding, 0);
  EXPECT_EQ(p.description, "");
  EXPECT_EQ(SizeOf(p.data), QSize(600, 450));
  const std::string shrunk = p.data;
  EXPECT_TRUE(AudioOf(ReadBytes(plain)) == AudioOf(ReadBytes(DataPath(kNoTag))));
  EXPECT_TRUE(ReadBytes(own) == ownBefore);  // front covers of their own: not even rewritten
  EXPECT_TRUE(ReadBytes(v22) == v22Before);
  const TagLibView tlLive = ReadWithTagLib(live);
  ASSERT_EQ(tlLive.pictureFrames.size(), 1u);
  EXPECT_EQ(tlLive.pictureFrames[0].mime, "image/png");
  EXPECT_TRUE(tlLive.pictureFrames[0].data == small);

  ASSERT_EQ(pass.albums().size(), 2u);  // in name order: ライブ, 青い空
  EXPECT_FALSE(pass.albums()[0].scaled);
  EXPECT_TRUE(pass.albums()[1].scaled);
  EXPECT_EQ(pass.albums()[1].embeddedBytes, shrunk.size());
  EXPECT_EQ(pass.albums()[1].imageName, "Cover.JPG");

  // Replacing: the files' own covers give way, the other frames stay where they were.
  CoverPass(ListMp3FilesBelow(dir.path()), Settings(dir, journals, true, 600), codec).Run(rec);
  const TagLibView replaced = ReadWithTagLib(v22);
  ASSERT_EQ(replaced.pictureFrames.size(), 1u);
  EXPECT_TRUE(replaced.pictureFrames[0].data == shrunk);
  EXPECT_EQ(replaced.ids.size(), ReadWithTagLib(DataPath(kV22)).ids.size());
  EXPECT_TRUE(ReadWithTagLib(own).pictureFrames.at(0).data == shrunk);
}

// The discs of an album ("CD1", "Disc 2") share the album folder's cover, unless a disc
// has one of its own; another subfolder does not.
TEST(CoverPasses, TheDiscsOfAnAlbumShareItsCover) {
  TempDir dir, journals;
  const std::string album = JpegBytes(300, 300), own = PngBytes(200, 200);
  WriteBytes(dir / "アルバム/folder.jpg", album);
  WriteBytes(dir / "アルバム/Disc 2/cover.png", own);
  const std::string first = dir.CopyFixture(kNoTag, "アルバム/CD1/01.mp3");
  const std::string second = dir.CopyFixture(kNoTag, "アルバム/Disc 2/01.mp3");
  const std::string extra = dir.CopyFixture(kNoTag, "アルバム/おまけ/01.mp3");
  PassRecorder rec;
  CoverPass pass(ListMp3FilesBelow(dir.path()), Settings(dir, journals), codec);
  pass.Run(rec);
  EXPECT_TRUE(ReadWithTagLib(first).pictureFrames.at(0).data == album);
  EXPECT_TRUE(ReadWithTagLib(second).pictureFrames.at(0).data == own);
  EXPECT_TRUE(ReadWithTagLib(extra).pictureFrames.empty());
  EXPECT_EQ(AlbumCoverText(pass.albums()[0]).rfind(u"表紙: " + Utf8ToUtf16(dir / "アルバム/folder.jpg（"), 0), 0u);
}

// A folder whose image cannot be used is said with its name and why, its files stay as
// they were, and the pass goes on to the next folder.
TEST(CoverPasses, ABadImageIsNamedAndNeverEmbedded) {
  const std::string jpeg = JpegBytes(400, 300);
  const struct {
    const char* name;
    std::string bytes;
    PictureProblem problem;
  } rows[] = {
      {"cover.jpg", jpeg.substr(0, jpeg.size() / 2), PictureProblem::Truncated},
      {"cover.png", GifBytes(), PictureProblem::NotCoverFormat},
      {"folder.jpg", JpegClaiming(jpeg, 20000, 20000), PictureProblem::TooLarge},
      {"cover.jpg", "", PictureProblem::Empty},
      {"front.jpg", std::string("\xFF\xD8\xFF\xD9", 4), PictureProblem::DoesNotDecode},
  };
  TempDir dir, journals;
  std::vector<std::string> files;
  for (std::size_t k = 0; k < std::size(rows); ++k) {
    WriteBytes(dir / ("album" + std::to_string(k) + "/" + rows[k].name), rows[k].bytes);
    files.push_back(dir.CopyFixture(kNoTag, "album" + std::to_string(k) + "/01.mp3"));
  }
  const std::string good = dir.CopyFixture(kNoTag, "album9/01.mp3");
  WriteBytes(dir / "album9/cover.jpg", jpeg);
  PassRecorder rec;
  CoverPass pass(ListMp3FilesBelow(dir.path()), Settings(dir, journals), codec);
  const PassResult r = pass.Run(rec);
  EXPECT_EQ(r.skipped, std::size(rows));
  EXPECT_EQ(r.changed, 1u);
  for (std::size_t k = 0; k < std::size(rows); ++k) {
    SCOPED_TRACE(rows[k].name);
    const AlbumCover& a = pass.albums()[k];
    EXPECT_EQ(a.state, AlbumCover::State::BadImage);
    EXPECT_EQ(a.image.problem, rows[k].problem);
    EXPECT_EQ(AlbumCoverText(a), u"表紙の画像を使えません: " + Utf8ToUtf16(dir / ("album" + std::to_string(k) + "/")) +
                                     Utf8ToUtf16(rows[k].name) + u"\r\n" + PictureProblemText(a.image));
    EXPECT_TRUE(ReadBytes(files[k]) == ReadBytes(DataPath(kNoTag)));
  }
  EXPECT_TRUE(ReadWithTagLib(good).pictureFrames.at(0).data == jpeg);
}

// Undo takes the embedded covers out byte for byte, dates included; a dry run plans
// the same and writes nothing.
TEST(CoverPasses, ADryRunPlansWhatThePassWritesAndUndoTakesItOut) {
  TempDir dir, journals;
  WriteBytes(dir / "A/cover.jpg", JpegBytes(900, 900));
  std::vector<std::string> files = {dir.CopyFixture(kNoTag, "A/1.mp3"), dir.CopyFixture(kV22, "A/2.mp3"),
                                    dir.CopyFixture(kWithFront, "A/3.mp3")};
  std::vector<std::string> before;
  std::vector<struct stat> times;
  for (const std::string& f : files) {
    before.push_back(ReadBytes(f));
    struct stat st {};
    ::stat(f.c_str(), &st);
    times.push_back(st);
  }
  CoverPassSettings settings = Settings(dir, journals, true, 500);
  settings.dryRun = true;
  PassRecorder dry;
  CoverPass tried(ListMp3FilesBelow(dir.path()), settings, codec);
  tried.Run(dry);
  for (std::size_t i = 0; i < files.size(); ++i) EXPECT_TRUE(ReadBytes(files[i]) == before[i]);

  settings.dryRun = false;
  PassRecorder real;
  CoverPass pass(ListMp3FilesBelow(dir.path()), settings, codec);
  const PassResult r = pass.Run(real);
  EXPECT_EQ(real.changed, dry.changed);
  for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(pass.PlanOf(i).change, tried.PlanOf(i).change);
  EXPECT_EQ(pass.PlanOf(2).change, CoverChange::Replaced);

  UndoRecorder u;
  EXPECT_EQ(UndoPass(r.journal, u).restored, 3u);
  for (std::size_t i = 0; i < files.size(); ++i) {
    EXPECT_TRUE(ReadBytes(files[i]) == before[i]) << files[i];
    struct stat st {};
    ::stat(files[i].c_str(), &st);
    EXPECT_EQ(st.st_mtim.tv_sec, times[i].st_mtim.tv_sec);
    EXPECT_EQ(st.st_mtim.tv_nsec, times[i].st_mtim.tv_nsec);
  }
}

// Each folder without a cover image gets the cover most of its files hold, as
// cover.jpg or cover.png by its bytes; a folder with an image, or whose files hold no
// usable cover, gets none; undo removes what was written while it holds those bytes.
TEST(CoverPasses, CoversAreTakenOutOncePerFolderAndUndoRemovesThem) {
  TempDir dir, journals;
  const std::string common = JpegBytes(500, 500), rare = JpegBytes(200, 200), png = PngBytes(320, 320);
  WriteBytes(dir / "Most/1.mp3", WithCover(rare));
  WriteBytes(dir / "Most/2.mp3", WithCover(common));
  WriteBytes(dir / "Most/3.mp3", WithCover(common));
  WriteBytes(dir / "Most/4.mp3", TaggedWith({}));
  WriteBytes(dir / "Png/1.mp3", WithCover(png));
  WriteBytes(dir / "Has/1.mp3", WithCover(common));
  WriteBytes(dir / "Has/folder.png", png);
  const std::string cut = common.substr(0, common.size() - 40);
  WriteBytes(dir / "Broken/1.mp3", WithCover(cut));
  // A picture whose MIME type says PNG but whose bytes are a JPEG goes out as a JPEG.
  OutFrame lying = *MakeFrontCoverFrame(rare);
  lying.body.replace(1, 10, "image/png");
  WriteBytes(dir / "Lying/1.mp3", TaggedWith({lying}));

  const auto run = [&](bool dryRun, std::vector<std::u16string>& lines) {
    CoverExtractionSettings s;
    s.dryRun = dryRun;
    s.journalFolder = journals.path();
    s.folder = dir.path();
    CoverExtraction pass(ListMp3FilesBelow(dir.path()), s, codec);
    PassRecorder rec;
    const PassResult r = pass.Run(rec);
    for (std::size_t k = 0; k < pass.items().size(); ++k) lines.push_back(FolderExtractionText(pass, k));
    EXPECT_EQ(pass.PlanOf(0).unusable.size(), 1u);  // "Broken" comes first: its one file named
    return r;
  };
  std::vector<std::u16string> tried, done;
  run(true, tried);
  EXPECT_NE(::access((dir / "Most/cover.jpg").c_str(), F_OK), 0);
  const PassResult r = run(false, done);
  EXPECT_EQ(tried, done);
  EXPECT_EQ(r.changed, 3u);
  EXPECT_TRUE(ReadBytes(dir / "Most/cover.jpg") == common);
  EXPECT_TRUE(ReadBytes(dir / "Png/cover.png") == png);
  EXPECT_TRUE(ReadBytes(dir / "Lying/cover.jpg") == rare);
  EXPECT_NE(::access((dir / "Has/cover.jpg").c_str(), F_OK), 0);
  EXPECT_NE(::access((dir / "Broken/cover.jpg").c_str(), F_OK), 0);
  EXPECT_EQ(done[1], u"表紙の画像がすでにあります: " + Utf8ToUtf16(dir / "Has/folder.png"));
  EXPECT_EQ(done[3], Utf8ToUtf16(dir / "Most/cover.jpg") + u" ← 2.mp3（JPEG、500 × 500 ピクセル、" +
                         ByteSizeText(common.size()) + u"、4 曲中 2 曲の表紙）");

  // A cover changed since stays; the others go.
  WriteBytes(dir / "Png/cover.png", png + "changed");
  UndoRecorder u;
  const UndoResult undone = UndoPass(r.journal, u);
  EXPECT_EQ(undone.restored, 2u);
  EXPECT_EQ(u.skippedPaths, std::vector<std::string>{dir / "Png/cover.png"});
  EXPECT_NE(::access((dir / "Most/cover.jpg").c_str(), F_OK), 0);
  EXPECT_TRUE(ReadBytes(dir / "Png/cover.png") == png + "changed");
}

// "表紙を埋め込む" in the batch: the cover goes in with the names, in the same write; a
// front cover a file has stays, and so does every other frame.
TEST(CoverPasses, TheBatchEmbedsTheCoverAsItTags) {
  TempDir dir;
  const std::string jpeg = JpegBytes(300, 300);
  WriteBytes(dir / "歌手/アルバム/cover.jpg", jpeg);
  const std::string plain = dir.CopyFixture(kNoTag, "歌手/アルバム/01 朝.mp3");
  const std::string own = dir.CopyFixture(kWithFront, "歌手/アルバム/02 絵.mp3");
  const std::string none = dir.CopyFixture(kNoTag, "歌手/ライブ/03 夜.mp3");
  BatchSettings settings;
  settings.embedCover = true;
  settings.coverCodec = &codec;
  PassRecorder rec;
  BatchPass pass(dir / "歌手", ListFilesWithSubfolders(dir / "歌手"), settings);
  const PassResult r = pass.Run(rec);
  EXPECT_EQ(r.changed, 3u);
  const TagLibView tl = ReadWithTagLib(plain);
  EXPECT_EQ(tl.texts.find("TIT2")->second, "01 朝");
  ASSERT_EQ(tl.pictureFrames.size(), 1u);
  EXPECT_TRUE(tl.pictureFrames[0].data == jpeg);
  EXPECT_TRUE(ReadWithTagLib(own).pictureFrames.at(0).data == ReadWithTagLib(DataPath(kWithFront)).pictureFrames.at(0).data);
  EXPECT_TRUE(ReadWithTagLib(none).pictureFrames.empty());
  EXPECT_EQ(pass.PlanOf(1).cover, CoverChange::KeptExisting);
  EXPECT_EQ(AlbumsWithoutCoverText(pass.coverAlbums()),
            u"表紙を埋め込めなかったフォルダがあります。\r\n表紙の画像がありません: " + Utf8ToUtf16(dir / "歌手/ライブ/"));
}
