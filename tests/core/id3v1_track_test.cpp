// ID3v1.1: the batch's track number in the record's last comment bytes, only when the
// comment leaves them free; read back by TagLib.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "formats/id3v1.h"
#include "platform/codepage.h"
#include "test_util.h"

using namespace vq;

namespace {

// A record whose comment field holds exactly these 30 bytes.
ID3v1Record WithComment(const std::string& comment30) {
  ID3v1Record rec;
  std::memset(&rec, ' ', sizeof rec);
  std::memcpy(rec.Header, "TAG", 3);
  std::memcpy(rec.Comment, comment30.data(), 30);
  rec.Genre = 13;
  return rec;
}

std::string Padded(const std::string& s, char fill = ' ') { return s + std::string(30 - s.size(), fill); }

// The record with the track as TagLib reads it from a file.
vqtest::TagLibView ReadBack(const ID3v1Record& rec) {
  vqtest::TempDir dir;
  const std::string path = dir / "a.mp3";
  vqtest::WriteBytes(path, vqtest::ReadBytes(vqtest::DataPath("14_notag_lame_mpeg1_l3_128k.mp3")) +
                               std::string(reinterpret_cast<const char*>(&rec), sizeof rec));
  return vqtest::ReadWithTagLib(path);
}

}  // namespace

TEST(ID3v1Track, WrittenOnlyWhenTheCommentLeavesTheLastTwoBytesFree) {
  const std::string full = cp932::Encode(u"三十バイトちょうどのコメントだ");  // 30 bytes
  ASSERT_EQ(full.size(), 30u);
  struct Case {
    const char* what;
    std::optional<ID3v1Record> existing;
    std::optional<std::u16string> comment;
    std::optional<int> track;
    unsigned track_read;
    const char* comment_read;
  };
  const Case cases[] = {
      {"new record", std::nullopt, std::nullopt, 7, 7, ""},
      {"short comment kept", WithComment(Padded("short")), std::nullopt, 12, 12, "short"},
      {"zero-padded comment", WithComment(Padded("zeros", '\0')), std::nullopt, 3, 3, "zeros"},
      {"an ID3v1.1 record's track replaced", WithComment(Padded("v11", ' ').substr(0, 28) + std::string("\0\x09", 2)),
       std::nullopt, 4, 4, "v11"},
      {"a 30-byte comment stays whole", WithComment(full), std::nullopt, 5, 0, "三十バイトちょうどのコメントだ"},
      {"a new comment of 29 bytes: no track", std::nullopt, std::u16string(29, u'x'), 5, 0,
       "xxxxxxxxxxxxxxxxxxxxxxxxxxxxx"},
      {"a new comment of 28 bytes", std::nullopt, std::u16string(28, u'y'), 6, 6, "yyyyyyyyyyyyyyyyyyyyyyyyyyyy"},
      {"no track: an ID3v1.1 record keeps its own", WithComment(Padded("v11", ' ').substr(0, 28) + std::string("\0\x09", 2)),
       std::nullopt, std::nullopt, 9, "v11"},
      {"track 256 does not fit a byte", std::nullopt, std::nullopt, 256, 0, ""},
      {"a new comment keeps an old track", WithComment(Padded("old", ' ').substr(0, 28) + std::string("\0\x02", 2)),
       std::u16string(u"新しい"), std::nullopt, 2, "新しい"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BatchID3v1Values v;
    v.title = u"曲";
    v.comment = c.comment;
    v.track = c.track;
    const auto change = PlanBatchID3v1(c.existing, v, false);
    ASSERT_TRUE(change);
    EXPECT_EQ(change->replace, c.existing.has_value());
    const vqtest::TagLibView tl = ReadBack(change->record);
    ASSERT_TRUE(tl.hasV1);
    EXPECT_EQ(tl.v1Track, c.track_read);
    EXPECT_EQ(tl.v1Comment, c.comment_read);
    EXPECT_EQ(tl.v1Title, "曲");
    if (c.existing) EXPECT_EQ(tl.v1Genre, 13u);
  }
  // New only: a record that is there stays.
  BatchID3v1Values v;
  v.track = 1;
  EXPECT_FALSE(PlanBatchID3v1(WithComment(Padded("")), v, true));
}

