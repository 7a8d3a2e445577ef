// The automatic pass on real folder trees built from the fixtures.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "passes/batch_pass.h"
#include "formats/bytesource.h"
#include "formats/id3v1.h"
#include "formats/id3v2_reader.h"
#include "platform/codepage.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "session/messages.h"
#include "pass_recorder.h"
#include "test_util.h"

using namespace vq;
using vqtest::AudioOf;
using vqtest::ReadBytes;
using vqtest::TempDir;

namespace {

using Recorder = vqtest::PassRecorder;

struct Frames {
  V2Header header;
  V2FrameTable table;
  std::vector<std::string> ids;
  std::u16string Text(const std::string& id) const {
    for (const auto& e : table)
      if (Utf16ToUtf8(e.id) == id) return e.text;
    return u"<none>";
  }
};

Frames ReadFrames(const std::string& path) {
  RawFile f(path, RawFile::Mode::Read);
  FileSource src(f);
  Frames fr;
  fr.header = ReadV2Header(src);
  std::u16string listing;
  if (fr.header.present) WalkV2Frames(src, fr.header.major, fr.header.size, fr.table, listing);
  for (const auto& e : fr.table)
    if (!e.id.empty()) fr.ids.push_back(Utf16ToUtf8(e.id));
  return fr;
}

std::optional<ID3v1Values> ReadV1(const std::string& path) {
  RawFile f(path, RawFile::Mode::Read);
  FileSource src(f);
  auto rec = ReadID3v1(src);
  if (!rec) return std::nullopt;
  return DecodeID3v1(*rec);
}

std::string Cp932(const std::u16string& text) { return cp932::Encode(text); }

// A tree: <tmp>/<artist>/ with rows (subfolder entry, fixture, file name).
struct Tree {
  TempDir dir;
  std::string artist;
  BatchList list;
  std::vector<std::string> paths;
  std::vector<std::string> originals;

  explicit Tree(std::string artistName = "Artist") : artist(std::move(artistName)) {
    list.folder = dir.path() + "/" + artist;
    dir.MakeDir(artist);
  }
  std::string Add(const std::string& subfolder, const std::string& fixture, const std::string& name) {
    std::string rel = artist + (subfolder.empty() ? "" : "/" + subfolder) + "/" + name;
    std::string p = dir.CopyFixture(fixture, rel);
    list.rows.push_back(MakeRow(subfolder.empty() ? "" : "/" + subfolder, name, *ModifiedTime(p)));
    paths.push_back(p);
    originals.push_back(ReadBytes(p));
    return p;
  }
};

}  // namespace

TEST(BatchPass, BothTagsGetTheDerivedNames) {
  Tree t;
  std::string noTags = t.Add("Album A", "14_notag_lame_mpeg1_l3_128k.mp3", "First Song.mp3");
  std::string both = t.Add("Album A", "10_v23_v1_id3v2tool_mpeg2_l3_64k.mp3", "曲名.mp3");
  Recorder rec;
  PassResult r = RunBatch(t.list, BatchSettings{}, rec);
  EXPECT_EQ(r.done, 2u);
  EXPECT_FALSE(r.failed());
  EXPECT_TRUE(rec.errors.empty() && rec.updateErrors.empty());
  ASSERT_EQ(rec.progress.size(), 2u);
  EXPECT_EQ(rec.progress.back(), std::make_pair(std::size_t{2}, std::size_t{2}));

  // No ID3v1 before: the file grows by a record; the tag has the three frames.
  auto v1 = ReadV1(noTags);
  ASSERT_TRUE(v1);
  EXPECT_EQ(v1->title, u"First Song");
  EXPECT_EQ(v1->artist, u"Artist");
  EXPECT_EQ(v1->album, u"Album A");
  EXPECT_EQ(v1->year, u"");
  EXPECT_EQ(v1->genre, 0);
  Frames f = ReadFrames(noTags);
  EXPECT_EQ(f.header.major, 3);
  EXPECT_EQ(f.ids, (std::vector<std::string>{"TPE1", "TALB", "TIT2"}));
  EXPECT_EQ(AudioOf(ReadBytes(noTags)), AudioOf(t.originals[0]));
  EXPECT_EQ(ReadBytes(noTags).size(), t.originals[0].size() + 128 + 10 + static_cast<std::size_t>(f.header.size));

  // Both tags before: the ID3v1 record keeps year, comment and genre; the length of the
  // file does not change (the big old tag is rewritten in place).
  auto v1b = ReadV1(both);
  ASSERT_TRUE(v1b);
  EXPECT_EQ(v1b->title, u"曲名");
  EXPECT_EQ(v1b->year, u"2002");
  EXPECT_EQ(v1b->genre, 13);
  EXPECT_EQ(v1b->comment.substr(0, 14), u"id3lib comment");
  EXPECT_EQ(ReadBytes(both).size(), t.originals[1].size());
  Frames fb = ReadFrames(both);
  EXPECT_EQ(fb.header.size, 1580);
  // Existing frames keep their order; TPE1, TALB, TIT2 take the derived values.
  EXPECT_EQ(fb.ids, (std::vector<std::string>{"TPE1", "TALB", "TIT2", "COMM", "TCON", "TYER", "TRCK"}));
  EXPECT_EQ(fb.Text("TIT2"), u"曲名");
  EXPECT_EQ(fb.Text("TALB"), u"Album A");
  EXPECT_EQ(fb.Text("TPE1"), u"Artist");
  EXPECT_EQ(fb.Text("TRCK"), u"3/12");
  EXPECT_EQ(AudioOf(ReadBytes(both)), AudioOf(t.originals[1]));

  // An independent reader sees the same.
  auto tl = vqtest::ReadWithTagLib(both);
  EXPECT_TRUE(tl.hasV2);
  EXPECT_EQ(tl.texts.find("TIT2")->second, "曲名");
  EXPECT_EQ(tl.texts.find("TPE1")->second, "Artist");
  EXPECT_EQ(tl.v1Title, "曲名");
  EXPECT_EQ(tl.v1Album, "Album A");
}

TEST(BatchPass, CreateNewOnlyLeavesExistingTagsAlone) {
  Tree t;
  std::string both = t.Add("S", "10_v23_v1_id3v2tool_mpeg2_l3_64k.mp3", "both.mp3");
  std::string v1only = t.Add("S", "01_v1only_eyed3_mpeg1_l3_128k.mp3", "v1only.mp3");
  std::string v2only = t.Add("S", "02_v23_latin1_mutagen_mpeg1_l3_32k.mp3", "v2only.mp3");
  BatchSettings s;
  s.createNewOnly = true;
  Recorder rec;
  RunBatch(t.list, s, rec);
  EXPECT_EQ(ReadBytes(both), t.originals[0]);

  // Only the missing tag is made.
  // The untouched record is NUL-padded by the tool that wrote it.
  std::u16string title = ReadV1(v1only)->title;
  EXPECT_EQ(title.substr(0, title.find(u'\0')), u"v1 Only Title");
  Frames f1 = ReadFrames(v1only);
  ASSERT_TRUE(f1.header.present);
  EXPECT_EQ(f1.Text("TIT2"), u"v1only");
  Frames f2 = ReadFrames(v2only);
  EXPECT_EQ(f2.Text("TIT2"), u"Latin-1 Title");
  auto v1 = ReadV1(v2only);
  ASSERT_TRUE(v1);
  EXPECT_EQ(v1->title, u"v2only");
  EXPECT_EQ(v1->album, u"S");
}

TEST(BatchPass, AFileOfTheFolderItselfGetsAnEmptyAlbum) {
  Tree t;
  std::string p = t.Add("", "02_v23_latin1_mutagen_mpeg1_l3_32k.mp3", "Top.mp3");
  Recorder rec;
  RunBatch(t.list, BatchSettings{}, rec);
  Frames f = ReadFrames(p);
  // The album frame stays, emptied; no second one is made.
  EXPECT_EQ(std::count(f.ids.begin(), f.ids.end(), "TALB"), 1);
  EXPECT_EQ(f.Text("TALB"), u"");
  EXPECT_EQ(f.Text("TIT2"), u"Top");
  auto v1 = ReadV1(p);
  ASSERT_TRUE(v1);
  EXPECT_EQ(v1->album, u"");
  std::string bytes = ReadBytes(p);
  EXPECT_EQ(bytes.substr(bytes.size() - 128 + 63, 30), std::string(30, ' '));
}

TEST(BatchPass, OlderAndNewerVersionsAreRewrittenAsV23) {
  Tree t;
  std::string v22 = t.Add("Alb", "13_v22_handmade_mpeg1_l2_64k.mp3", "v22.mp3");
  std::string v24 = t.Add("Alb", "04_v24_utf8_japanese_mutagen_mpeg2_l3_64k.mp3", "v24.mp3");
  Recorder rec;
  PassResult r = RunBatch(t.list, BatchSettings{}, rec);
  ASSERT_EQ(r.done, 2u) << (rec.errors.empty() ? "" : Utf16ToUtf8(rec.errors[0]));

  Frames f = ReadFrames(v22);
  EXPECT_EQ(f.header.major, 3);
  // TT2, TP1, TAL take the derived values; the others go under their v2.3 ids in order.
  EXPECT_EQ(f.ids, (std::vector<std::string>{"TIT2", "TPE1", "TALB", "COMM", "COMM", "TRCK", "TCON", "TIT1", "APIC"}));
  EXPECT_EQ(f.Text("TIT2"), u"v22");
  EXPECT_EQ(f.Text("TPE1"), u"Artist");
  EXPECT_EQ(f.Text("TRCK"), u"4/9");
  EXPECT_EQ(f.Text("TIT1"), u"コンテンツ");
  auto tl = vqtest::ReadWithTagLib(v22);
  EXPECT_EQ(tl.v2Major, 3);
  ASSERT_EQ(tl.pictures.size(), 1u);
  EXPECT_EQ(tl.pictures[0].substr(1, 3), "PNG");
  EXPECT_EQ(AudioOf(ReadBytes(v22)), AudioOf(t.originals[0]));

  Frames g = ReadFrames(v24);
  EXPECT_EQ(g.header.major, 3);
  EXPECT_EQ(g.ids, (std::vector<std::string>{"TIT2", "TPE1", "TALB", "TDRC", "COMM"}));
  EXPECT_EQ(g.Text("COMM"), u"ユニコードのコメント");
  EXPECT_EQ(g.Text("TDRC"), u"2005");
  auto tg = vqtest::ReadWithTagLib(v24);
  EXPECT_EQ(tg.texts.find("TALB")->second, "Alb");
}

TEST(BatchPass, PaddingOnlyTagGivesOnlyTheDerivedFrames) {
  Tree t;
  // A tag of size 500 holding only zero bytes, then the audio of fixture 14.
  std::string audio = ReadBytes(vqtest::DataPath("14_notag_lame_mpeg1_l3_128k.mp3"));
  std::string tag = std::string("ID3\x03\x00\x00\x00\x00\x03\x74", 10) + std::string(500, '\0');
  std::string p = t.dir.path() + "/Artist/Pads/pad.mp3";
  vqtest::WriteBytes(p, tag + audio);
  t.list.rows.push_back(MakeRow("/Pads", "pad.mp3"));
  Recorder rec;
  BatchSettings s;
  s.v1 = false;
  RunBatch(t.list, s, rec);
  Frames f = ReadFrames(p);
  EXPECT_EQ(f.ids, (std::vector<std::string>{"TPE1", "TALB", "TIT2"}));
  EXPECT_EQ(f.header.size, 500);  // fits: written in place
  EXPECT_EQ(ReadBytes(p).substr(510), audio);
}

TEST(BatchPass, ASmallTagIsRebuiltAndAPictureSurvives) {
  // Long names make the frames outgrow fixture 11's 339-byte tag.
  std::string longArtist(100, 'A');
  Tree t(longArtist);
  std::string longName = std::string(150, 'n') + ".mp3";
  std::string small = t.Add(std::string(100, 'B'), "11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3", longName);
  std::string pic = t.Add("P", "06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3", "pic.mp3");
  Recorder rec;
  RunBatch(t.list, BatchSettings{}, rec);
  ASSERT_TRUE(rec.errors.empty() && rec.updateErrors.empty());

  Frames f = ReadFrames(small);
  EXPECT_GT(f.header.size, 339);
  EXPECT_EQ((f.header.size + 10) % 256, 0);
  EXPECT_EQ(f.Text("TIT2"), Utf8ToUtf16(std::string(150, 'n')));
  EXPECT_EQ(f.Text("COMM"), u"v2 comment");
  EXPECT_EQ(AudioOf(ReadBytes(small)), AudioOf(t.originals[0]));
  EXPECT_TRUE(vqtest::TemporaryFilesIn(t.dir.path()).empty());
  // The ID3v1 step ran first: the new record is the one copied behind the audio.
  EXPECT_EQ(ReadV1(small)->title, Utf8ToUtf16(std::string(30, 'n')));

  auto before = vqtest::ReadWithTagLib(vqtest::DataPath("06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3"));
  auto after = vqtest::ReadWithTagLib(pic);
  ASSERT_EQ(after.pictures.size(), 1u);
  EXPECT_EQ(after.pictures[0], before.pictures[0]);
  EXPECT_EQ(after.texts.find("TALB")->second, "P");
}

TEST(BatchPass, AReadOnlyFileStopsThePassThere) {
  Tree t;
  std::string a = t.Add("X", "14_notag_lame_mpeg1_l3_128k.mp3", "a.mp3");
  std::string b = t.Add("X", "14_notag_lame_mpeg1_l3_128k.mp3", "b.mp3");
  std::string c = t.Add("X", "14_notag_lame_mpeg1_l3_128k.mp3", "c.mp3");
  ::chmod(b.c_str(), 0444);
  Recorder rec;
  PassResult r = RunBatch(t.list, BatchSettings{}, rec);
  EXPECT_TRUE(r.failed());
  EXPECT_EQ(r.done, 1u);
  ASSERT_EQ(rec.updateErrors.size(), 1u);
  EXPECT_EQ(rec.updateErrors[0], Utf8ToUtf16(t.list.folder) + u"/X/|b.mp3");
  EXPECT_NE(ReadBytes(a), t.originals[0]);
  EXPECT_EQ(ReadBytes(b), t.originals[1]);
  EXPECT_EQ(ReadBytes(c), t.originals[2]);
}

TEST(BatchPass, KeepDateAndShortFiles) {
  Tree t;
  std::string a = t.Add("X", "14_notag_lame_mpeg1_l3_128k.mp3", "a.mp3");
  t.list.rows[0].modified = 981173106;  // 2001-02-03 04:05:06 UTC
  BatchSettings s;
  s.keepDate = true;
  Recorder rec;
  RunBatch(t.list, s, rec);
  EXPECT_EQ(*ModifiedTime(a), 981173106);

  // A file shorter than a record stops the pass with a description when "v1" is on.
  Tree u;
  std::string tiny = u.dir.path() + "/Artist/X/tiny.mp3";
  vqtest::WriteBytes(tiny, std::string(100, 'x'));
  u.list.rows = {MakeRow("/X", "tiny.mp3")};
  Recorder rec2;
  PassResult r = RunBatch(u.list, BatchSettings{}, rec2);
  EXPECT_TRUE(r.failed());
  ASSERT_EQ(rec2.errors.size(), 1u);
  EXPECT_EQ(rec2.errors[0], NamedErrorText(ErrorDescription(ErrorKind::InvalidArgument),
                                           Utf8ToUtf16(u.list.folder + "/X/"), u"tiny.mp3"));
  EXPECT_EQ(ReadBytes(tiny), std::string(100, 'x'));
}

TEST(BatchPass, StoppingAfterAFileLeavesTheRestUntouched) {
  Tree t;
  t.Add("X", "14_notag_lame_mpeg1_l3_128k.mp3", "a.mp3");
  std::string b = t.Add("X", "14_notag_lame_mpeg1_l3_128k.mp3", "b.mp3");
  Recorder rec;
  rec.stopAfter = 1;
  PassResult r = RunBatch(t.list, BatchSettings{}, rec);
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(r.done, 1u);
  EXPECT_EQ(ReadBytes(b), t.originals[1]);
}

// A 4,024-byte file whose tag claims 4,088 bytes, with both boxes on: once its ID3v1
// record is appended the claim would fit the grown file, and the in-place write would
// zero the audio and the new record. The pass refuses the file before either step.
TEST(BatchPass, ATagClaimingMoreThanItsFileIsRefusedBeforeTheID3v1Step) {
  Tree t;
  std::string bytes = std::string("ID3\x03\x00\x00\x00\x00\x1F\x6E", 10) + "TIT2" + std::string("\0\0\0\x02\0\0\0a", 8);
  bytes.resize(4024, '\x55');
  const std::string path = t.dir.path() + "/Artist/X/claims.mp3";
  vqtest::WriteBytes(path, bytes);
  t.list.rows.push_back(MakeRow("/X", "claims.mp3"));
  std::string after = t.Add("X", "14_notag_lame_mpeg1_l3_128k.mp3", "after.mp3");
  Recorder rec;
  PassResult r = RunBatch(t.list, BatchSettings{}, rec);
  EXPECT_TRUE(r.failed());
  EXPECT_EQ(r.done, 0u);
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(rec.errors[0], NamedErrorText(ErrorDescription(ErrorKind::TagTooLong),
                                          Utf8ToUtf16(t.list.folder + "/X/"), u"claims.mp3"));
  EXPECT_EQ(ReadBytes(path), bytes);
  EXPECT_EQ(ReadBytes(after), t.originals[0]);

  // With "新規作成のみ行う" the tag is left alone anyway, and the ID3v1 step goes on.
  BatchSettings s;
  s.createNewOnly = true;
  Recorder rec2;
  EXPECT_FALSE(RunBatch(t.list, s, rec2).failed());
  EXPECT_EQ(ReadBytes(path), bytes + ReadBytes(path).substr(bytes.size()));
  EXPECT_EQ(ReadBytes(path).size(), bytes.size() + 128);
}

// Folder and file names in Shift-JIS, Latin-1 and UTF-8 bytes: the paths are the rows'
// bytes, the names the decoded texts.
TEST(BatchPass, NamesComeFromTheDecodedBytes) {
  Tree t(Cp932(u"歌手"));
  std::string sjis = t.Add(Cp932(u"アルバム"), "14_notag_lame_mpeg1_l3_128k.mp3", Cp932(u"テスト曲") + ".mp3");
  std::string latin1 = t.Add("Beyonc\xC3\xA9", "14_notag_lame_mpeg1_l3_128k.mp3", "caf\xE9.mp3");
  Recorder rec;
  EXPECT_FALSE(RunBatch(t.list, BatchSettings{}, rec).failed());
  Frames a = ReadFrames(sjis);
  EXPECT_EQ(a.Text("TPE1"), u"歌手");
  EXPECT_EQ(a.Text("TALB"), u"アルバム");
  EXPECT_EQ(a.Text("TIT2"), u"テスト曲");
  EXPECT_EQ(ReadV1(sjis)->title, u"テスト曲");
  Frames b = ReadFrames(latin1);
  EXPECT_EQ(b.Text("TALB"), u"Beyoncé");
  EXPECT_EQ(b.Text("TIT2"), u"caf\uFFFD");
}

// A disk that fills up while the ID3v1 record is appended: the pass reports it, the
// file keeps its length, and once there is room the next pass appends one record, not a
// second one behind a fragment.
TEST(BatchPass, AFullDiskLeavesNoFragmentAndTheNextPassAppendsOneRecord) {
  vqtest::SmallTmpfs disk(64 * 1024);
  if (!disk.mounted()) GTEST_SKIP() << "mounting a small tmpfs needs root";
  std::string audio = ReadBytes(vqtest::DataPath("14_notag_lame_mpeg1_l3_128k.mp3"));
  audio.resize(64 * 1024 - 64, '\x55');
  vqtest::WriteBytes(disk / "Artist/X/a.mp3", audio);
  BatchList list;
  list.folder = disk / "Artist";
  list.rows = {MakeRow("/X", "a.mp3")};
  BatchSettings v1Only;
  v1Only.v2 = false;
  Recorder rec;
  EXPECT_TRUE(RunBatch(list, v1Only, rec).failed());
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(rec.errors[0], NamedErrorText(ErrorDescription(ErrorKind::DiskFull),
                                          Utf8ToUtf16(list.folder + "/X/"), u"a.mp3"));
  EXPECT_EQ(ReadBytes(disk / "Artist/X/a.mp3"), audio);

  ASSERT_TRUE(disk.Resize(128 * 1024));
  Recorder again;
  EXPECT_FALSE(RunBatch(list, v1Only, again).failed());
  const std::string after = ReadBytes(disk / "Artist/X/a.mp3");
  ASSERT_EQ(after.size(), audio.size() + 128);
  EXPECT_EQ(after.substr(0, audio.size()), audio);
  EXPECT_EQ(ReadV1(disk / "Artist/X/a.mp3")->title, u"a");
}

// A file too short for an ID3v1 record that begins with a broken "ID3" header claiming
// 1,207 bytes: with only "v2" on, the pass refuses it (no new tag goes in front of the
// old header) and ends there; with "v1" on, it ends at the ID3v1 step as before.
TEST(BatchPass, AShortFileWithABrokenHeaderEndsThePassUnchanged) {
  const std::string bytes = std::string("ID3\x03\x00\x00\x00\x00\x09\x2D", 10) + std::string(117, '\xAA');
  for (bool v1 : {false, true}) {
    SCOPED_TRACE(v1);
    Tree t;
    vqtest::WriteBytes(t.dir.path() + "/Artist/X/short.mp3", bytes);
    t.list.rows.push_back(MakeRow("/X", "short.mp3"));
    BatchSettings s;
    s.v1 = v1;
    Recorder rec;
    PassResult r = RunBatch(t.list, s, rec);
    EXPECT_TRUE(r.failed());
    ASSERT_EQ(rec.errors.size(), 1u);
    EXPECT_EQ(rec.errors[0], NamedErrorText(ErrorDescription(ErrorKind::TagTooLong),
                                            Utf8ToUtf16(t.list.folder + "/X/"), u"short.mp3"));
    EXPECT_EQ(ReadBytes(t.dir.path() + "/Artist/X/short.mp3"), bytes);
  }
}
