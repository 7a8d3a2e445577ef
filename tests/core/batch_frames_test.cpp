// The frames the batch writes for a file's values: today's frames when only the names
// are given, and track, disc, year, genre and comment as an independent reader sees them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "id3v2_writer_support.h"
#include "passes/batch_frames.h"
#include "passes/batch_pass.h"
#include "passes/derive_names.h"

using namespace vq;
using namespace h3test;

namespace {

V2FrameTable TableOf(const std::string& bytes) {
  MemorySource src(bytes);
  V2FrameTable table;
  const V2Header h = ReadV2Header(src);
  if (h.present) ReadV2Frames(src, h, table);
  return table;
}

std::vector<std::string> Described(const std::vector<OutFrame>& frames) {
  std::vector<std::string> out;
  for (const OutFrame& f : frames)
    out.push_back(f.id + ":" + std::to_string(f.flags[0]) + "," + std::to_string(f.flags[1]) + ":" + f.body);
  return out;
}

std::string Text0(const std::string& s) { return std::string(1, '\0') + s; }

TagValues Names(std::u16string artist, std::u16string album, std::u16string title) {
  TagValues v;
  v[TagField::Artist] = std::move(artist);
  v[TagField::Album] = std::move(album);
  v[TagField::Title] = std::move(title);
  return v;
}

}  // namespace

TEST(BatchFramesFor, WithTheDerivedNamesAloneGivesBatchFramesBytes) {
  DerivedNames names;
  names.FolderName = u"山田花子";
  names.SubfolderName = u"";
  names.FileTitle = u"Ünïcode 曲";
  std::vector<V2FrameTable> tables;
  for (const char* fixture : {"03_v23_utf16_japanese_mutagen_mpeg1_l3_128k.mp3", "05_v24_utf8_japanese_eyed3_mpeg1_l3_32k.mp3",
                              "06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3", "09_v23_kid3cli_mpeg1_l3_128k.mp3",
                              "13_v22_handmade_mpeg1_l2_64k.mp3", "14_notag_lame_mpeg1_l3_128k.mp3"})
    tables.push_back(TableOf(vqtest::ReadBytes(vqtest::DataPath(fixture))));
  // Two frames of one name: the second gets an empty text.
  tables.push_back(TableOf(Tag(3, Frame("TPE1", Text0("a")) + Frame("TPE1", Text0("b")), 100)));
  for (const V2FrameTable& table : tables) {
    for (TextChoice choice : {TextChoice::CodePage, TextChoice::Unicode}) {
      EXPECT_EQ(Described(BatchFramesFor(table, Names(names.FolderName, names.SubfolderName, names.FileTitle), choice)),
                Described(BatchFrames(table, names, choice)));
    }
  }
}

TEST(BatchFramesFor, EachFieldTakesItsFirstFrameOnce) {
  const std::string tag = Tag(3,
                              Frame("TRCK", Text0("9")) + Frame("COMM", Text0("engiTunNORM") + '\0' + "0000") +
                                  Frame("COMM", Text0("jpn") + '\0' + "old") + Frame("TYER", Text0("1990")) +
                                  Frame("TRCK", Text0("8")) + Frame("TXXX", Text0("x") + '\0' + "y"),
                              400);
  TagValues v = Names(u"歌手", u"盤", u"曲");
  v[TagField::Track] = u"3/12";
  v[TagField::Year] = u"1999";
  v[TagField::Comment] = u"初回盤";
  v[TagField::Disc] = u"1/2";
  const std::vector<OutFrame> frames = BatchFramesFor(TableOf(tag), v);
  std::vector<std::string> ids;
  for (const OutFrame& f : frames) ids.push_back(f.id);
  // The second TRCK is left out; the comment with a description goes over whole.
  EXPECT_EQ(ids, (std::vector<std::string>{"TRCK", "COMM", "COMM", "TYER", "TXXX", "TPE1", "TALB", "TIT2", "TPOS"}));
  EXPECT_EQ(frames[0].body, Text0("3/12"));
  EXPECT_EQ(frames[1].body, Text0("engiTunNORM") + '\0' + "0000");
  EXPECT_EQ(frames[2].body, CommentFrameBody(u"初回盤"));
  EXPECT_EQ(frames[3].body, Text0("1999"));
  EXPECT_EQ(frames[8].body, Text0("1/2"));

  // No value: the frames stay as they are. A v2.2 tag's ids are converted either way;
  // a v2.4 TDRC takes the year as TYER.
  const std::string v22 = Tag(2, Frame22("TRK", Text0("4/9")) + Frame22("TPA", Text0("2")), 100);
  TagValues disc;
  disc[TagField::Disc] = u"1";
  EXPECT_EQ(Described(BatchFramesFor(TableOf(v22), disc)),
            (std::vector<std::string>{"TRCK:0,0:" + Text0("4/9"), "TPOS:0,0:" + Text0("1")}));
  TagValues year;
  year[TagField::Year] = u"2004";
  EXPECT_EQ(Described(BatchFramesFor(TableOf(Tag(4, Frame("TDRC", Text0("2003-05"), 4), 100)), year)),
            (std::vector<std::string>{"TYER:0,0:" + Text0("2004")}));
}

TEST(ID3v1ValuesOf, NumbersForTheRecordFromTheTexts) {
  TagValues v = Names(u"歌手", u"盤", u"曲");
  v[TagField::Track] = u"3/12";
  v[TagField::Genre] = u"13";
  BatchID3v1Values v1 = ID3v1ValuesOf(v);
  EXPECT_EQ(v1.title, u"曲");
  EXPECT_EQ(v1.track, 3);
  EXPECT_EQ(v1.genre, 13);
  EXPECT_FALSE(v1.year);
  // A genre by name and a track that is no number leave the record's bytes alone.
  v[TagField::Track] = u"A1";
  v[TagField::Genre] = u"J-Pop";
  v1 = ID3v1ValuesOf(v);
  EXPECT_FALSE(v1.track);
  EXPECT_FALSE(v1.genre);
}
