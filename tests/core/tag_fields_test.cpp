// The values names are made from: ID3v2 first, else ID3v1, per field.
#include <gtest/gtest.h>

#include <taglib/id3v1genres.h>

#include <cstring>

#include "formats/genres.h"
#include "passes/tag_fields.h"
#include "platform/text.h"
#include "test_util.h"

using vq::TagField;

namespace {

std::string Be32(std::size_t n) {
  return {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8), static_cast<char>(n)};
}

// An ID3v2.3 tag of the frames (id, body), then audio, then an optional ID3v1 record.
std::string Mp3(const std::vector<std::pair<std::string, std::string>>& frames, const std::string& v1 = {}) {
  std::string body;
  for (const auto& [id, b] : frames) body += id + Be32(b.size()) + std::string(2, '\0') + b;
  const std::size_t n = body.size();
  std::string tag = std::string("ID3\x03\x00\x00", 6) + static_cast<char>((n >> 21) & 0x7F) +
                    static_cast<char>((n >> 14) & 0x7F) + static_cast<char>((n >> 7) & 0x7F) + static_cast<char>(n & 0x7F);
  return tag + body + std::string(400, '\x55') + v1;
}

std::string V1(const std::string& title, const std::string& artist, const std::string& comment, int track, int genre) {
  std::string r(128, '\0');
  std::memcpy(r.data(), "TAG", 3);
  std::memcpy(r.data() + 3, title.data(), title.size());
  std::memcpy(r.data() + 33, artist.data(), artist.size());
  std::memcpy(r.data() + 93, "1999", 4);
  std::memcpy(r.data() + 97, comment.data(), comment.size());
  r[126] = static_cast<char>(track);
  r[127] = static_cast<char>(genre);
  return r;
}

vq::TagFields Read(const std::string& bytes) { return vq::ReadTagFields(vq::MemorySource(bytes)); }

std::string Latin1(const std::string& s) { return std::string("\x00", 1) + s; }

}  // namespace

TEST(ReadTagFields, FixturesOfOtherTaggers) {
  const struct {
    const char* file;
    const char16_t *artist, *album, *title, *track, *genre;
  } cases[] = {
      {"01_v1only_eyed3_mpeg1_l3_128k.mp3", u"v1 Only Artist", u"v1 Only Album", u"v1 Only Title", u"7", u"Pop"},
      {"03_v23_utf16_japanese_mutagen_mpeg1_l3_128k.mp3", u"歌手ｶﾀｶﾅ", u"薔薇のアルバム", u"日本語の曲名 珈琲", u"2", nullptr},
      {"04_v24_utf8_japanese_mutagen_mpeg2_l3_64k.mp3", u"麒麟ｷﾘﾝ", u"苺のアルバム", u"鶯の歌", nullptr, nullptr},
      {"08_v23_trck_tcon13_mutagen_mpeg1_l3_32k.mp3", nullptr, nullptr, u"Track and Genre", u"3", u"Pop"},
      {"12_v23_sjis_enc0_handmade_mpeg1_l3_32k.mp3", u"珈琲ｶﾌｪ", u"薔薇の花束 Album", u"Title", nullptr, u"Pop"},
      {"13_v22_handmade_mpeg1_l2_64k.mp3", u"歌手 v2.2", u"v2.2 Album", u"v2.2 曲名 珈琲", u"4", u"Pop"},
      {"11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3", u"V2 Artist", u"V2 Album", u"V2 Title", u"1", u"Rock"},
      {"14_notag_lame_mpeg1_l3_128k.mp3", nullptr, nullptr, nullptr, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const auto f = vq::ReadTagFields(vqtest::DataPath(c.file));
    const std::pair<TagField, const char16_t*> expected[] = {{TagField::Artist, c.artist}, {TagField::Album, c.album},
                                                              {TagField::Title, c.title},   {TagField::Track, c.track},
                                                              {TagField::Genre, c.genre}};
    for (const auto& [field, value] : expected) {
      SCOPED_TRACE(vq::Utf16ToUtf8(vq::TagFieldName(field)));
      if (value)
        EXPECT_EQ(f[field], std::u16string(value));
      else
        EXPECT_FALSE(f[field]);
    }
  }
}

TEST(ReadTagFields, NumbersYearsGenresAndComments) {
  const struct {
    const char* what;
    std::string frameId, body;
    TagField field;
    std::optional<std::u16string> value;
  } cases[] = {
      {"track of a total", "TRCK", Latin1("3/12"), TagField::Track, u"3"},
      {"disc of a total", "TPOS", Latin1("2/2"), TagField::Disc, u"2"},
      {"v2.4 date", "TDRC", Latin1("2004-05-06"), TagField::Year, u"2004"},
      {"genre number", "TCON", Latin1("(17)"), TagField::Genre, u"Rock"},
      {"genre number of v2.4", "TCON", Latin1("17"), TagField::Genre, u"Rock"},
      {"refinement", "TCON", Latin1("(17)Heavy"), TagField::Genre, u"Heavy"},
      {"remix", "TCON", Latin1("(RX)"), TagField::Genre, u"Remix"},
      {"an escaped bracket", "TCON", Latin1("((Live)"), TagField::Genre, u"(Live)"},
      {"genre as text", "TCON", Latin1("J-Pop"), TagField::Genre, u"J-Pop"},
      {"comment without a description", "COMM", std::string("\x00jpn\x00Nice", 9), TagField::Comment, u"Nice"},
      {"comment with a description only", "COMM", std::string("\x00engiTunNORM\x00 0000", 18), TagField::Comment, std::nullopt},
      {"UTF-16 title", "TIT2", std::string("\x01\xFF\xFE\x1D\x66\x00\x00", 7), TagField::Title, u"昝"},
      {"Latin-1 bytes", "TIT2", Latin1("Beyonc\xE9"), TagField::Title, u"Beyoncé"},
      {"code page 932 bytes", "TIT2", Latin1("\x89\xCC"), TagField::Title, u"歌"},
      {"blanks only", "TIT2", Latin1("   "), TagField::Title, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Read(Mp3({{c.frameId, c.body}}))[c.field], c.value);
  }
}

TEST(ReadTagFields, EachFieldFromID3v2ElseFromID3v1) {
  const auto f = Read(Mp3({{"TIT2", Latin1("V2 Title")}, {"TPE1", Latin1("")}}, V1("V1 Title", "V1 Artist", "v1 note", 9, 13)));
  EXPECT_EQ(f[TagField::Title], u"V2 Title");
  EXPECT_EQ(f[TagField::Artist], u"V1 Artist");  // an empty frame counts as missing
  EXPECT_EQ(f[TagField::Track], u"9");           // ID3v1.1
  EXPECT_EQ(f[TagField::Comment], u"v1 note");
  EXPECT_EQ(f[TagField::Genre], u"Pop");
  EXPECT_EQ(f[TagField::Year], u"1999");
  EXPECT_FALSE(f[TagField::Album]);
  EXPECT_FALSE(Read(Mp3({}, V1("T", "A", "", 0, 255)))[TagField::Genre]);  // 255: no genre
}

TEST(GenreName, TheListOtherTaggersShare) {
  for (int k = 0; k < 256; ++k) {
    SCOPED_TRACE(k);
    const TagLib::String theirs = TagLib::ID3v1::genre(k);
    const auto ours = vq::GenreName(k);
    if (theirs.isEmpty())
      EXPECT_FALSE(ours);
    else
      EXPECT_EQ(vq::Utf16ToUtf8(ours.value_or(u"")), theirs.to8Bit(true));
  }
}
