// Frames of the old tag carried over whole: original bodies, v2.2 ids and pictures
// converted, v2.4 flags and text encodings brought to v2.3.
#include <gtest/gtest.h>

#include "formats/id3v2_writer.h"
#include "id3v2_writer_support.h"

using namespace vq;
using namespace h3test;
using vqtest::ReadBytes;
using vqtest::TempDir;
using vqtest::WriteBytes;

namespace {

V2FrameEntry Entry(std::u16string id, std::string body, std::uint8_t major = 3, std::uint8_t f0 = 0,
                   std::uint8_t f1 = 0) {
  V2FrameEntry e;
  e.id = std::move(id);
  e.body = std::move(body);
  e.major = major;
  e.flags[0] = f0;
  e.flags[1] = f1;
  e.fromFile = true;
  return e;
}

// The editor's kept lines for every frame of a read tag, each with its source.
void KeepAll(EditorCall& call, const ReadBack& back) {
  for (const auto& e : back.table) {
    if (e.id.empty()) continue;
    call.lines.push_back(e.id + u":" + e.text);
  }
  for (const auto& e : back.table)
    if (!e.id.empty()) call.sources.push_back(&e);
}

}  // namespace

TEST(V2WriterCarry, EveryKindOfKeptFrameIsWrittenWithItsOriginalBody) {
  const std::string png = std::string("\x89PNG\r\n\x1A\n", 8) + std::string(3000, '\x5A') + std::string("\0\xFF\xFE\0", 4);
  const std::vector<std::pair<std::string, std::string>> frames = {
      {"APIC", std::string("\x01image/png\0\x03\xFF\xFE" "c\0\0\0", 18) + png},
      {"GEOB", std::string("\0application/x-data\0file.bin\0desc\0\x01\x02\x00\x03", 38)},
      {"PRIV", std::string("owner@example\0\x00\x01\x02\xFF", 18)},
      {"TXXX", std::string("\x01\xFF\xFE" "d\0\0\0\xFF\xFE" "v\0", 11)},
      {"WXXX", std::string("\0Home\0http://example.com/", 25)},
      {"WOAR", "http://artist.example.com/"},
      {"COMM", std::string("\0engdescription\0text", 20)},
      {"USLT", std::string("\0eng\0lyrics line", 16)},
      {"UFID", std::string("http://id\0\x01\x02", 12)},
      {"PCNT", std::string("\0\0\0\x2A", 4)},
      {"TIT2", std::string("\0Title\0", 7)},
  };
  std::string tagFrames;
  for (auto& [id, body] : frames) tagFrames += Frame(id, body);
  // Compressed and grouped frames keep their flags with their extra bytes.
  tagFrames += Frame("TPE2", std::string("\0\0\0\x20\x78\x9C", 6), 3, 0x40, 0x80);
  std::string audio = Audio(6000);
  TempDir dir;
  WriteBytes(dir / "a.mp3", Tag(3, tagFrames, 4000) + audio);
  auto back = ReadTag(dir / "a.mp3");
  ASSERT_EQ(back.table.size(), frames.size() + 1);

  EditorCall call(dir.path(), "a.mp3", 4000, false);
  KeepAll(call, back);
  auto linesBefore = call.lines;
  RecordingReporter rep;
  ASSERT_TRUE(call.Write(rep));
  EXPECT_EQ(call.lines, linesBefore);  // four-character ids: nothing to convert
  std::string after = ReadBytes(dir / "a.mp3");
  // Written in place, each frame exactly as it was: the old tag comes back byte for byte.
  EXPECT_EQ(after, Tag(3, tagFrames, 4000) + audio);
}

TEST(V2WriterCarry, KeptFramesCountInTheNeededSize) {
  // A 3,000-byte picture behind a kept line with no text: N holds it, so a tag of
  // size 1,000 is rebuilt, large enough for it.
  std::string pic = std::string("\0image/jpeg\0\x03\0", 14) + std::string(3000, '\x11');
  std::string audio = Audio(2000);
  TempDir dir;
  WriteBytes(dir / "a.mp3", Tag(3, Frame("TIT2", std::string("\0a", 2)) + Frame("APIC", pic), 4000) + audio);
  auto back = ReadTag(dir / "a.mp3");
  // The editor holds the picture's line; claim a tag of 1,000 (as after an earlier write).
  WriteBytes(dir / "b.mp3", Tag(3, Frame("TIT2", std::string("\0a", 2)), 1000) + audio);
  EditorCall call(dir.path(), "b.mp3", 1000, false);
  call.in.fieldTexts[0] = u"Title";
  call.lines = {u"APIC:"};
  call.sources = {&back.table[1]};
  RecordingReporter rep;
  ASSERT_TRUE(call.Write(rep));
  const std::int64_t n = 16 + 10 + static_cast<std::int64_t>(pic.size());
  EXPECT_EQ(call.size, RoundedTagSize(n));
  auto out = ReadTag(dir / "b.mp3");
  ASSERT_EQ(out.table.size(), 2u);
  EXPECT_EQ(out.table[1].body, pic);
  EXPECT_EQ(ReadBytes(dir / "b.mp3").substr(10 + static_cast<std::size_t>(call.size)), audio);
}

TEST(V2WriterCarry, V22FramesGoUnderTheirV23IdsAndThePictureBecomesAnApic) {
  auto pic = CarryOverFrame(Entry(u"PIC", std::string("\0PNG\x03\0\x89PNG", 10), 2));
  ASSERT_TRUE(pic);
  EXPECT_EQ(pic->id, "APIC");
  EXPECT_EQ(pic->body, std::string("\0image/png\0\x03\0\x89PNG", 17));
  EXPECT_EQ(CarryOverFrame(Entry(u"PIC", std::string("\x01JPG\x00\xFF\xFE\0\0data", 13), 2))->body,
            std::string("\x01image/jpeg\0\x00\xFF\xFE\0\0data", 21));
  EXPECT_EQ(CarryOverFrame(Entry(u"PIC", std::string("\0BMP\x03\0x", 7), 2))->body,
            std::string("\0image/bmp\0\x03\0x", 14));
  // A linked picture: "-->" is the same mark in both versions, followed by the URL.
  EXPECT_EQ(CarryOverFrame(Entry(u"PIC", std::string("\0-->\x03\0http://a/b.jpg", 20), 2))->body,
            std::string("\0-->\0\x03\0http://a/b.jpg", 21));
  auto com = CarryOverFrame(Entry(u"COM", std::string("\0eng\0Nice", 9), 2));
  EXPECT_EQ(com->id, "COMM");
  EXPECT_EQ(com->body, std::string("\0eng\0Nice", 9));
  EXPECT_EQ(com->flags[0] | com->flags[1], 0);
  EXPECT_EQ(CarryOverFrame(Entry(u"LNK", std::string("TT2http://x\0", 12), 2))->body,
            std::string("TIT2http://x\0", 13));
  EXPECT_FALSE(CarryOverFrame(Entry(u"CRM", "owner\0data", 2)));
  EXPECT_FALSE(CarryOverFrame(Entry(u"ZZZ", "x", 2)));
  V2FrameEntry notRead;
  notRead.id = u"TIT2";
  notRead.text = u"x";
  EXPECT_FALSE(CarryOverFrame(notRead));
}

TEST(V2WriterCarry, V24EncodingsTwoAndThreeAreReencodedAsUtf16) {
  const std::string u16 = "\xFF\xFE\xAF\x9D";  // 鶯 in UTF-16LE with its mark
  // UTF-8 text frame, zero-terminated, and UTF-16BE without terminator.
  EXPECT_EQ(CarryOverFrame(Entry(u"TIT2", "\x03\xE9\xB6\xAF" + std::string(1, '\0'), 4))->body,
            "\x01" + u16 + std::string(2, '\0'));
  EXPECT_EQ(CarryOverFrame(Entry(u"TIT2", "\x02\x9D\xAF", 4))->body, "\x01" + u16);
  // Several values each get their mark.
  EXPECT_EQ(CarryOverFrame(Entry(u"TPE1", std::string("\x03" "a\0b", 4), 4))->body,
            std::string("\x01\xFF\xFE" "a\0\0\0\xFF\xFE" "b\0", 11));
  // v2.4-only frames keep their ids.
  EXPECT_EQ(CarryOverFrame(Entry(u"TDRC", std::string("\x03" "2005\0", 6), 4))->id, "TDRC");
  // Comment: the language stays, an empty description is a zero unit alone.
  EXPECT_EQ(CarryOverFrame(Entry(u"COMM", std::string("\x03jpn\0x", 6), 4))->body,
            std::string("\x01jpn\0\0\xFF\xFEx\0", 10));
  // User text: description and value.
  EXPECT_EQ(CarryOverFrame(Entry(u"TXXX", std::string("\x03" "d\0v", 4), 4))->body,
            std::string("\x01\xFF\xFE" "d\0\0\0\xFF\xFE" "v\0", 11));
  // Picture: the MIME type and the data are not text; the description is.
  EXPECT_EQ(CarryOverFrame(Entry(u"APIC", std::string("\x03image/png\0\x03\xC3\x85\0\x89PNG\0", 20), 4))->body,
            std::string("\x01image/png\0\x03\xFF\xFE\xC5\0\0\0\x89PNG\0", 23));
  // URL of a user URL frame stays single bytes.
  EXPECT_EQ(CarryOverFrame(Entry(u"WXXX", std::string("\x03h\0http://x", 11), 4))->body,
            std::string("\x01\xFF\xFEh\0\0\0http://x", 15));
  // Encodings 0 and 1 and frames of unknown layout are untouched.
  EXPECT_EQ(CarryOverFrame(Entry(u"TIT2", std::string("\0abc", 4), 4))->body, std::string("\0abc", 4));
  EXPECT_EQ(CarryOverFrame(Entry(u"PRIV", std::string("\x03x\0y", 4), 4))->body, std::string("\x03x\0y", 4));
}

// Frames whose strings sit between other fields: synchronised lyrics repeat text and
// time stamp to the end; ownership and commercial frames exist in v2.3 only.
TEST(V2WriterCarry, StringsBetweenOtherFieldsAreReencoded) {
  const std::string lyrics = std::string("\x02" "eng\x02\x01" "\0A\0\0" "\0x\0\0" "\0\0\0\x10" "\0y\0\0" "\0\0\0\x20", 26);
  EXPECT_EQ(CarryOverFrame(Entry(u"SYLT", lyrics, 4))->body,
            std::string("\x01" "eng\x02\x01" "\xFF\xFE" "A\0\0\0" "\xFF\xFE" "x\0\0\0" "\0\0\0\x10"
                        "\xFF\xFE" "y\0\0\0" "\0\0\0\x20", 32));
  EXPECT_EQ(CarryOverFrame(Entry(u"OWNE", std::string("\x03" "USD1\0" "20240101" "s", 15), 4))->body,
            std::string("\x01" "USD1\0" "20240101" "\xFF\xFE" "s\0", 18));
  EXPECT_EQ(CarryOverFrame(Entry(u"COMR", std::string("\x03" "USD1\0" "20241231" "u\0\x01" "s\0d\0" "m\0x", 24), 4))->body,
            std::string("\x01" "USD1\0" "20241231" "u\0\x01" "\xFF\xFE" "s\0\0\0" "\xFF\xFE" "d\0\0\0" "m\0x", 32));
}

TEST(V2WriterCarry, V24FrameFlagsAreMovedToV23Positions) {
  // Status flags: tag alter, file alter, read only move one bit up.
  auto status = CarryOverFrame(Entry(u"TIT2", std::string("\0a", 2), 4, 0x70, 0));
  EXPECT_EQ(status->flags[0], 0xE0);
  EXPECT_EQ(status->flags[1], 0);
  // Unsynchronisation and data length indicator are undone.
  auto unsync = CarryOverFrame(Entry(u"PRIV", std::string("\0\0\0\x04" "a\xFF\0\xE0" "b", 9), 4, 0, 0x03));
  EXPECT_EQ(unsync->flags[1], 0);
  EXPECT_EQ(unsync->body, std::string("a\xFF\xE0" "b", 4));
  // Grouping and compression: v2.4 group byte and data length become v2.3's
  // decompressed size then group byte.
  auto packed = CarryOverFrame(Entry(u"TIT2", std::string("\x07\0\0\x01\x00zz", 7), 4, 0, 0x49));
  EXPECT_EQ(packed->flags[1], 0xA0);
  EXPECT_EQ(packed->body, std::string("\0\0\0\x80\x07zz", 7));
  // A grouped UTF-8 frame: its group byte stands before its encoding byte, and its text
  // is re-encoded like any other.
  auto grouped = CarryOverFrame(Entry(u"TIT2", std::string("\x03\x03" "ab", 4), 4, 0, 0x40));
  EXPECT_EQ(grouped->flags[1], 0x20);
  EXPECT_EQ(grouped->body, std::string("\x03\x01\xFF\xFE" "a\0b\0", 8));
  // A frame that was only its data length indicator has no v2.3 form: a frame of size 0
  // would end the frames for every reader.
  EXPECT_FALSE(CarryOverFrame(Entry(u"PE2X", std::string("\0\0\0\x08", 4), 4, 0, 0x01)));
  // A v2.3 frame keeps its flags as they are.
  auto v23 = CarryOverFrame(Entry(u"TIT2", std::string("\0\0\0\x10\x78", 5), 3, 0x20, 0x80));
  EXPECT_EQ(v23->flags[0], 0x20);
  EXPECT_EQ(v23->flags[1], 0x80);
  EXPECT_EQ(v23->body, std::string("\0\0\0\x10\x78", 5));
}

TEST(V2WriterCarry, KeptLinesWithAndWithoutTheirFrames) {
  TempDir dir;
  std::string audio = Audio(1000);
  WriteBytes(dir / "a.mp3", audio);
  V2FrameEntry tt1 = Entry(u"TT1", std::string("\x01\xFF\xFE" "g\0\0\0", 7), 2);
  V2FrameEntry other = Entry(u"TRCK", std::string("\0" "9", 2));
  EditorCall call(dir.path(), "a.mp3", 0, true);
  // A converted v2.2 line carries its frame; a source of another id is not used; a line
  // without source is written from its text.
  call.lines = {u"TT1:g", u"TPE2:band", u"TRCK:7"};
  call.sources = {&tt1, &other, nullptr};
  RecordingReporter rep;
  ASSERT_TRUE(call.Write(rep));
  EXPECT_EQ(call.lines, (std::vector<std::u16string>{u"TIT1:g", u"TPE2:band", u"TRCK:7"}));
  auto frames = FramesOf(ReadTag(dir / "a.mp3"));
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0], std::make_pair(std::string("TIT1"), tt1.body));
  EXPECT_EQ(frames[1], std::make_pair(std::string("TPE2"), std::string("\0band", 5)));
  EXPECT_EQ(frames[2], std::make_pair(std::string("TRCK"), std::string("\0" "7", 2)));
}
