// Covers of album folders: the folder's image file, the cover prepared once per folder,
// a file's frames with the cover, the cover taken out of a folder's files, a new file
// that never replaces one, and the ID3v2 editor's front cover.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "formats/picture.h"
#include "id3v2_writer_support.h"
#include "passes/cover_art.h"
#include "platform/folder_files.h"
#include "session/editor_cover.h"

using namespace vq;
using h3test::Frame;
using h3test::Tag;

namespace {

const std::string kJpeg = std::string("\xFF\xD8\xFF\xE0\x00\x04JF", 8) + std::string("\xFF\xDA\x00\x03\x01", 5) +
                          std::string("\x12\x34\xFF\xD9", 4);
const std::string kPng = std::string("\x89PNG\r\n\x1A\n", 8) + std::string("\x00\x00\x00\x00IEND", 8) + "CRC.";

// A codec double: every JPEG or PNG decodes at the size set here, and a scaled one is
// a fixed JPEG whose size is recorded.
class FakeCodec : public PictureCodec {
 public:
  int width = 500, height = 400;
  mutable int scaledTo = 0;
  PictureCheck Probe(std::string_view bytes) const override {
    PictureCheck c = PrecheckPicture(bytes);
    c.width = width;
    c.height = height;
    return c;
  }
  PictureCheck Measure(std::string_view bytes) const override { return Probe(bytes); }
  std::optional<Scaled> ScaleToJpeg(std::string_view, int maxSide) const override {
    scaledTo = maxSide;
    return Scaled{kJpeg + "scaled", maxSide, maxSide * height / width};
  }
};

V2FrameTable TableOf(const std::string& frames) {
  const std::string tag = Tag(3, frames, static_cast<std::uint32_t>(frames.size() + 32));
  V2FrameTable table;
  ReadV2Frames(MemorySource(tag), ReadV2Header(MemorySource(tag)), table);
  return table;
}

std::string Apic(std::uint8_t type, const std::string& data) {
  return std::string("\0image/jpeg\0", 12) + static_cast<char>(type) + std::string("\0", 1) + data;
}

std::vector<std::string> Ids(const std::vector<OutFrame>& frames) {
  std::vector<std::string> ids;
  for (const auto& f : frames) ids.push_back(f.id);
  return ids;
}

}  // namespace

TEST(CoverArt, TheFolderImageByNameThenTheOnlyImage) {
  const struct {
    std::vector<std::string> names;
    std::optional<std::string> chosen;
  } rows[] = {
      {{"01.mp3", "Folder.JPG", "cover.png"}, "cover.png"},     // cover before folder
      {{"cover.png", "cover.jpeg", "COVER.JPG"}, "COVER.JPG"},  // .jpg before .jpeg before .png
      {{"Cover.jpg", "cover.jpg"}, "Cover.jpg"},                // equal but for case: byte order
      {{"jacket.Png", "scan.jpg"}, "jacket.Png"},
      {{"albumart.jpeg", "front.jpg"}, "front.jpg"},
      {{"01.mp3", "scan 1.JPEG"}, "scan 1.JPEG"},               // the only image
      {{"scan 1.jpg", "scan 2.png"}, std::nullopt},             // two: none is the cover
      {{"cover.gif", "cover.bmp", "notes.txt"}, std::nullopt},
      {{".cover.jpg", "covers.jpg", "back.png"}, std::nullopt},  // hidden; not a cover name
      {{"cover.jpg.txt", ".jpg"}, std::nullopt},
      {{}, std::nullopt},
  };
  for (const auto& r : rows) EXPECT_EQ(ChooseFolderCoverImage(r.names), r.chosen) << ::testing::PrintToString(r.names);
}

TEST(CoverArt, TheFolderImageOnDiskIsARegularFile) {
  vqtest::TempDir dir;
  dir.MakeDir("cover.jpg");  // a folder of that name is no image
  vqtest::WriteBytes(dir / "back.png", kPng);
  EXPECT_EQ(FindFolderCoverImage(dir.path()), "back.png");
  ASSERT_EQ(::symlink("back.png", (dir / "Folder.png").c_str()), 0);
  EXPECT_EQ(FindFolderCoverImage(dir.path()), "Folder.png");
  EXPECT_THROW(FindFolderCoverImage(dir / "missing"), Error);
}

TEST(CoverArt, PreparedOnceFileBytesUnlessLargerThanTheMaximum) {
  FakeCodec codec;
  CoverPreparation kept = PrepareCover(kPng, codec, 600);
  ASSERT_TRUE(kept.cover);
  EXPECT_FALSE(kept.cover->scaled);
  EXPECT_EQ(codec.scaledTo, 0);
  EXPECT_EQ(kept.cover->frame.body, std::string("\0image/png\0\x03\0", 13) + kPng);
  EXPECT_EQ(kept.cover->image.format, ImageFormat::Png);

  CoverPreparation scaled = PrepareCover(kPng, codec, 300);
  ASSERT_TRUE(scaled.cover);
  EXPECT_TRUE(scaled.cover->scaled);
  EXPECT_EQ(codec.scaledTo, 300);
  EXPECT_EQ(scaled.cover->frame.body, std::string("\0image/jpeg\0\x03\0", 14) + kJpeg + "scaled");
  EXPECT_EQ(scaled.cover->image.width, 300);
  EXPECT_EQ(scaled.cover->image.height, 240);
  EXPECT_EQ(scaled.cover->fileBytes, kPng.size());

  // Without a maximum any size goes in as it is; a GIF or a cut JPEG never does.
  codec.width = 9000;
  EXPECT_FALSE(PrepareCover(kJpeg, codec).cover->scaled);
  EXPECT_EQ(PrepareCover("GIF89a....", codec).problem.problem, PictureProblem::NotCoverFormat);
  EXPECT_EQ(PrepareCover(kJpeg.substr(0, 12), codec, 600).problem.problem, PictureProblem::Truncated);
  EXPECT_FALSE(PrepareCover("", codec).cover);
}

TEST(CoverArt, AFilesFramesWithTheCoverOtherFramesWhole) {
  const OutFrame cover = *MakeFrontCoverFrame(kJpeg);
  const std::string title = Frame("TIT2", std::string("\0Title", 6));
  const std::string back = Frame("APIC", Apic(4, "back"));
  const std::string front = Frame("APIC", Apic(3, "old front"));
  const std::string front2 = Frame("APIC", Apic(3, "second front"));
  const std::string priv = Frame("PRIV", std::string("owner\0\x01\x02", 8), 3, 0x40, 0);

  // Added last; the other picture and the flags of a frame go over as they were.
  CoverFrames added = FramesWithFrontCover(TableOf(title + back + priv), cover, false);
  EXPECT_EQ(added.change, CoverChange::Added);
  EXPECT_EQ(Ids(added.frames), (std::vector<std::string>{"TIT2", "APIC", "PRIV", "APIC"}));
  EXPECT_EQ(added.frames[1].body, Apic(4, "back"));
  EXPECT_EQ(added.frames[2].flags[0], 0x40);
  EXPECT_EQ(added.frames[3].body, cover.body);

  // A front cover is kept unless replacing; replacing puts the cover where the first was.
  EXPECT_EQ(FramesWithFrontCover(TableOf(title + front), cover, false).change, CoverChange::KeptExisting);
  EXPECT_TRUE(FramesWithFrontCover(TableOf(title + front), cover, false).frames.empty());
  CoverFrames replaced = FramesWithFrontCover(TableOf(front + title + back + front2), cover, true);
  EXPECT_EQ(replaced.change, CoverChange::Replaced);
  EXPECT_EQ(Ids(replaced.frames), (std::vector<std::string>{"APIC", "TIT2", "APIC"}));
  EXPECT_EQ(replaced.frames[0].body, cover.body);
  EXPECT_EQ(replaced.frames[2].body, Apic(4, "back"));

  // A file without a tag gets the cover alone.
  EXPECT_EQ(Ids(FramesWithFrontCover({}, cover, false).frames), std::vector<std::string>{"APIC"});
}

TEST(CoverArt, TheMostCommonWholeCoverIsTakenOut) {
  const std::string other = kPng;
  const std::string cut = kJpeg.substr(0, 10);
  const struct {
    std::vector<std::string_view> covers;
    std::optional<std::size_t> chosen;
  } rows[] = {
      {{kJpeg, kJpeg, kJpeg}, 0},
      {{other, kJpeg, "", kJpeg}, 1},          // most common, though not first
      {{other, kJpeg}, 0},                     // a tie: the first
      {{cut, cut, kJpeg}, 2},                  // a cut picture is never taken
      {{"GIF89a", "GIF89a"}, std::nullopt},
      {{"", ""}, std::nullopt},
      {{}, std::nullopt},
  };
  for (const auto& r : rows) EXPECT_EQ(ChooseCoverToExtract(r.covers), r.chosen) << r.covers.size();
  EXPECT_EQ(ExtractedCoverName(kJpeg), "cover.jpg");
  EXPECT_EQ(ExtractedCoverName(kPng), "cover.png");
  EXPECT_EQ(ExtractedCoverName("GIF89a"), "");
}

TEST(CoverArt, ANewFileNeverTakesTheNameOfOneThatIsThere) {
  vqtest::TempDir dir;
  ASSERT_TRUE(WriteNewFile(dir / "cover.jpg", kJpeg));
  EXPECT_EQ(vqtest::ReadBytes(dir / "cover.jpg"), kJpeg);
  struct stat st {};
  ASSERT_EQ(::stat((dir / "cover.jpg").c_str(), &st), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);

  EXPECT_FALSE(WriteNewFile(dir / "cover.jpg", kPng));
  EXPECT_EQ(vqtest::ReadBytes(dir / "cover.jpg"), kJpeg);
  ASSERT_EQ(::symlink("nowhere", (dir / "cover.png").c_str()), 0);  // a dangling link is a name too
  EXPECT_FALSE(WriteNewFile(dir / "cover.png", kPng));
  EXPECT_THROW(WriteNewFile(dir / "missing/cover.jpg", kJpeg), Error);
  EXPECT_TRUE(vqtest::TemporaryFilesIn(dir.path()).empty());
}

TEST(EditorCover, SetAndRemoveTheFrontCoverAmongTheKeptLines) {
  const OutFrame cover = *MakeFrontCoverFrame(kJpeg);
  EditorModel m = LoadEditorModel(TableOf(Frame("APIC", Apic(0, "other")) + Frame("TIT2", std::string("\0T", 2)) +
                                          Frame("APIC", Apic(3, "front")) + Frame("TXXX", std::string("\0d\0v", 4)) +
                                          Frame("APIC", Apic(3, "front 2"))));
  ASSERT_EQ(m.kept.size(), 4u);  // the title is a field
  EXPECT_EQ(FrontCoverLine(m), 1);
  EXPECT_EQ(FrontCoverOf(m)->data, "front");

  // Both type 3 pictures give way to one line at the first one's place.
  EXPECT_EQ(SetFrontCover(m, cover), 1);
  ASSERT_EQ(m.kept.size(), 3u);
  EXPECT_EQ(m.kept[1].id, u"APIC");
  EXPECT_EQ(m.kept[1].frame->body, cover.body);
  EXPECT_EQ(FrontCoverOf(m)->data, kJpeg);
  EXPECT_EQ(m.kept[0].frame->body, Apic(0, "other"));

  // Removing takes the type 3 picture; then the other picture is the front cover, and
  // removing that leaves no picture.
  EXPECT_TRUE(RemoveFrontCover(m));
  EXPECT_EQ(FrontCoverOf(m)->data, "other");
  EXPECT_TRUE(RemoveFrontCover(m));
  EXPECT_EQ(FrontCoverLine(m), -1);
  EXPECT_FALSE(RemoveFrontCover(m));
  ASSERT_EQ(m.kept.size(), 1u);
  EXPECT_EQ(m.kept[0].id, u"TXXX");

  // Without any picture the cover comes last.
  EXPECT_EQ(SetFrontCover(m, cover), 1);
  EXPECT_EQ(FrontCoverLine(m), 1);
}
