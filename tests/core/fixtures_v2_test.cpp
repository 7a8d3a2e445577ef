// ID3v2 reading of every fixture file, through the file layer: header, listing text
// and frame table, and the raw frames kept for a rewrite.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "formats/bytesource.h"
#include "formats/id3v2_reader.h"
#include "formats/synchsafe.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "test_util.h"

using namespace vq;

namespace {

struct Frame {
  std::u16string id;
  std::u16string text;  // entry text (tail)
  std::u16string line;  // listing line without CR LF
};

struct Expected {
  const char* file;
  bool present;
  int major;
  std::int32_t size;
  std::vector<Frame> frames;
};

// A frame whose listing shows `full` after "id(e) ".
Frame F(std::u16string id, int e, std::u16string full, std::u16string text) {
  std::string n = std::to_string(e);
  std::u16string line = id + u"(" + std::u16string(n.begin(), n.end()) + u") " + full;
  return {std::move(id), std::move(text), std::move(line)};
}
// A frame whose full text and entry text are the same.
Frame F(std::u16string id, int e, std::u16string text) { return F(std::move(id), e, text, text); }

const std::vector<Expected>& Fixtures() {
  static const std::vector<Expected> all = {
      {"01_v1only_eyed3_mpeg1_l3_128k.mp3", false, 0, 0, {}},
      {"02_v23_latin1_mutagen_mpeg1_l3_32k.mp3",
       true,
       3,
       1180,
       {F(u"TIT2", 0, u"Latin-1 Title"), F(u"TPE1", 0, u"Latin-1 Artist"), F(u"TRCK", 0, u"1"),
        F(u"TALB", 0, u"Latin-1 Album"), F(u"TYER", 0, u"2001"),
        // é (0xE9) is a code page 932 lead byte: it takes the space with it, an undefined pair.
        F(u"COMM", 0, u"engLatin-1 comment: caf\uFFFDau lait", u"Latin-1 comment: caf\uFFFDau lait")}},
      {"03_v23_utf16_japanese_mutagen_mpeg1_l3_128k.mp3",
       true,
       3,
       1197,
       {F(u"TIT2", 1, u"日本語の曲名 珈琲 ", u"日本語の曲名 珈琲"), F(u"TPE1", 1, u"歌手ｶﾀｶﾅ ", u"歌手ｶﾀｶﾅ"),
        F(u"TRCK", 1, u"2 ", u"2"), F(u"TALB", 1, u"薔薇のアルバム ", u"薔薇のアルバム"),
        F(u"COMM", 1, u"jpn説明 日本語のコメント ", u"日本語のコメント")}},
      {"04_v24_utf8_japanese_mutagen_mpeg2_l3_64k.mp3",
       true,
       4,
       1176,
       {F(u"TIT2", 3, u"鶯の歌"), F(u"TPE1", 3, u"麒麟ｷﾘﾝ"), F(u"TALB", 3, u"苺のアルバム"), F(u"TDRC", 3, u"2005"),
        F(u"COMM", 3, u"jpnユニコードのコメント", u"ユニコードのコメント")}},
      {"05_v24_utf8_japanese_eyed3_mpeg1_l3_32k.mp3",
       true,
       4,
       411,
       {F(u"COMM", 3, u"engeyeD3 のコメント", u"eyeD3 のコメント"), F(u"TALB", 3, u"eyeD3 アルバム"),
        F(u"TDRL", 0, u"2007"), F(u"TIT2", 3, u"蕎麦と珈琲"), F(u"TPE1", 3, u"ｱｰﾃｨｽﾄ 半角"), F(u"TRCK", 3, u"05")}},
      {"06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3",
       true,
       3,
       40963,
       {F(u"APIC", 1, u"", u""), F(u"TALB", 1, u"Picture Album"), F(u"TIT2", 1, u"Picture Title"),
        F(u"TPE1", 1, u"Picture Artist")}},
      {"07_v23_txxx_wxxx_wcom_mutagen_mpeg1_l3_32k.mp3",
       true,
       3,
       1214,
       {F(u"TIT2", 0, u"User Frames"), F(u"TXXX", 0, u"MOODcalm", u"calm"), F(u"TXXX", 1, u"説明 値です ", u"値です"),
        F(u"WXXX", 0, u"Homehttp://example.com/", u"http://example.com/"),
        // URL frames have no encoding byte: their "h" shows as 104.
        F(u"WOAR", 104, u"ttp://artist.example.com/"), F(u"WCOM", 104, u"ttp://shop.example.com/buy")}},
      {"08_v23_trck_tcon13_mutagen_mpeg1_l3_32k.mp3",
       true,
       3,
       1104,
       {F(u"TIT2", 0, u"Track and Genre"), F(u"TRCK", 0, u"3/12"), F(u"TPOS", 0, u"1/2"), F(u"TCON", 0, u"(13)")}},
      {"09_v23_kid3cli_mpeg1_l3_128k.mp3",
       true,
       3,
       1179,
       {F(u"TIT2", 1, u"Kid3 タイトル"), F(u"TPE1", 1, u"Kid3 アーティスト"), F(u"TALB", 0, u"Kid3 Album"),
        F(u"COMM", 0, u"engkid3 comment", u"kid3 comment"), F(u"TRCK", 0, u"5"), F(u"TYER", 0, u"2004"),
        F(u"TCON", 0, u"Pop")}},
      {"10_v23_v1_id3v2tool_mpeg2_l3_64k.mp3",
       true,
       3,
       1580,
       {F(u"TPE1", 0, u"id3lib Artist"), F(u"TALB", 0, u"id3lib Album"), F(u"TIT2", 0, u"id3lib Title"),
        F(u"COMM", 0, u"id3lib comment"), F(u"TCON", 0, u"(13)"), F(u"TYER", 0, u"2002"), F(u"TRCK", 0, u"3/12")}},
      {"11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3",
       true,
       3,
       339,
       {F(u"COMM", 0, u"engv2 comment", u"v2 comment"), F(u"TALB", 0, u"V2 Album"), F(u"TIT2", 0, u"V2 Title"),
        F(u"TPE1", 0, u"V2 Artist")}},
      {"12_v23_sjis_enc0_handmade_mpeg1_l3_32k.mp3",
       true,
       3,
       187,
       {F(u"TIT2", 0, u"Title"), F(u"TPE1", 0, u"珈琲ｶﾌｪ"), F(u"TALB", 0, u"薔薇の花束 Album"),
        F(u"COMM", 0, u"jpn説明鶯のコメント", u"鶯のコメント"), F(u"TYER", 0, u"2006"), F(u"TCON", 0, u"(13)")}},
      {"13_v22_handmade_mpeg1_l2_64k.mp3",
       true,
       2,
       326,
       {F(u"TT2", 0, u"v2.2 曲名 珈琲"), F(u"TP1", 1, u"歌手 v2.2"), F(u"TAL", 0, u"v2.2 Album"),
        F(u"COM", 0, u"eng Nice comment", u" Nice comment"),
        F(u"COM", 1, u"jpn説明 日本語のコメント", u"日本語のコメント"), F(u"TRK", 0, u"4/9"), F(u"TCO", 0, u"(13)"),
        F(u"TT1", 1, u"コンテンツ ", u"コンテンツ"), F(u"PIC", 0, u"", u"")}},
      {"14_notag_lame_mpeg1_l3_128k.mp3", false, 0, 0, {}},
      {"15_v23_v1_lame_mpeg2_l3_64k.mp3",
       true,
       3,
       265,
       {F(u"TSSE", 0, u"LAME 64bits version 3.100 (http://lame.sf.net)"), F(u"TIT2", 1, u"LAME Title"),
        F(u"TPE1", 1, u"LAME Artist"), F(u"TALB", 1, u"LAME Album"), F(u"TYER", 1, u"2003"),
        F(u"COMM", 1, u"eng lame comment", u"lame comment"), F(u"TRCK", 1, u"7"), F(u"TCON", 0, u"Pop"),
        F(u"TLEN", 0, u"1500")}},
      {"16_v24_ffmpeg_mpeg1_l3_32k.mp3",
       true,
       4,
       195,
       {F(u"TIT2", 3, u"ffmpeg タイトル"), F(u"TPE1", 3, u"ffmpeg Artist"), F(u"TALB", 3, u"Ålbum ffmpeg"),
        F(u"TXXX", 3, u"commentffmpeg comment", u"ffmpeg comment"), F(u"TRCK", 3, u"6"), F(u"TDRC", 3, u"2008"),
        F(u"TCON", 3, u"Jazz"), F(u"TSSE", 3, u"Lavf59.27.100")}},
      // A v2.4 tag with a footer ("3DI") behind its frames.
      {"17_v24_footer_handmade_mpeg1_l3_128k.mp3",
       true,
       4,
       67,
       {F(u"TIT2", 3, u"Footer title"), F(u"TPE1", 3, u"Footer artist"), F(u"TXXX", 0, u"notekept", u"kept")}},
      // An unsynchronised v2.3 tag: the PRIV frame's real bytes hold FF E0, FF FF and FF 00.
      {"18_v23_unsync_priv_handmade_mpeg1_l3_128k.mp3",
       true,
       3,
       69,
       {F(u"TIT2", 0, u"Unsync title"), F(u"PRIV", 111, u"", u"")}},
  };
  return all;
}

struct Read {
  V2Header header;
  V2FrameTable table;
  std::u16string listing;
};

// What the file selection does: header, then (with a tag) the walk, on the open file.
Read ReadFile(const std::string& name) {
  Read r;
  RawFile file(vqtest::DataPath(name), RawFile::Mode::Read);
  FileSource src(file);
  r.header = ReadV2Header(src);
  if (r.header.present) ReadV2Frames(src, r.header, r.table, r.listing);
  return r;
}

// The frames of a table written back in the layout they came in.
std::string Reassemble(const V2FrameTable& table) {
  std::string out;
  for (const auto& e : table) {
    std::string id = Utf16ToUtf8(e.id);
    auto n = static_cast<std::uint32_t>(e.body.size());
    out += id;
    if (e.major <= 2) {
      out += {static_cast<char>(n >> 16), static_cast<char>(n >> 8), static_cast<char>(n)};
    } else {
      if (e.major == 4) n = (n & 0x7F) | (n << 1 & 0x7F00) | (n << 2 & 0x7F0000) | (n << 3 & 0x7F000000);
      out += {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8), static_cast<char>(n)};
      out += {static_cast<char>(e.flags[0]), static_cast<char>(e.flags[1])};
    }
    out += e.body;
  }
  return out;
}

}  // namespace

TEST(V2Fixtures, EveryFileGivesItsHeaderListingAndTable) {
  ASSERT_EQ(Fixtures().size(), 18u);
  for (const Expected& x : Fixtures()) {
    SCOPED_TRACE(x.file);
    Read r = ReadFile(x.file);
    EXPECT_EQ(r.header.present, x.present);
    EXPECT_EQ(r.header.major, x.major);
    EXPECT_EQ(r.header.revision, 0);
    EXPECT_EQ(r.header.size, x.size);

    std::u16string listing;
    for (const Frame& f : x.frames) listing += f.line + u"\r\n";
    EXPECT_EQ(r.listing, listing);

    if (x.frames.empty()) {
      EXPECT_TRUE(r.table.empty());
      continue;
    }
    ASSERT_EQ(r.table.size(), x.frames.size());
    for (std::size_t k = 0; k < x.frames.size(); ++k) {
      SCOPED_TRACE(k);
      EXPECT_EQ(r.table[k].id, x.frames[k].id);
      EXPECT_EQ(r.table[k].text, x.frames[k].text);
      EXPECT_TRUE(r.table[k].fromFile);
      EXPECT_EQ(r.table[k].major, x.major);
    }
  }
}

TEST(V2Fixtures, RawFramesAreKeptByteForByte) {
  for (const Expected& x : Fixtures()) {
    if (!x.present) continue;
    SCOPED_TRACE(x.file);
    Read r = ReadFile(x.file);
    std::string file = vqtest::ReadBytes(vqtest::DataPath(x.file));
    // An unsynchronised tag's frames are its bytes with the inserted zeros taken out.
    if (r.header.flags & 0x80) file = file.substr(0, 10) + Resynchronise(file.substr(10, x.size));
    std::string frames = Reassemble(r.table);
    ASSERT_LE(frames.size() + 10, file.size());
    EXPECT_TRUE(file.compare(10, frames.size(), frames) == 0);
    // What follows the last frame is padding up to the tag's end, or nothing.
    std::string rest = file.substr(10 + frames.size(), std::min<std::size_t>(x.size, file.size() - 10) - frames.size());
    EXPECT_EQ(rest, std::string(rest.size(), '\0'));
  }
}

TEST(V2Fixtures, PictureFrameWithLargeSizeByteIsReadWhole_R6) {
  // Size bytes 00 00 9E 82: 40,578 bytes of picture, then the text frames.
  Read r = ReadFile("06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3");
  ASSERT_EQ(r.table.size(), 4u);
  EXPECT_EQ(r.table[0].body.size(), 40578u);
  EXPECT_EQ(r.table[0].body.substr(0, 11), std::string("\x01image/png\0", 11));
  EXPECT_EQ(r.table[0].body.substr(r.table[0].body.size() - 8, 4), "IEND");
  EXPECT_EQ(r.table[3].text, u"Picture Artist");
}
