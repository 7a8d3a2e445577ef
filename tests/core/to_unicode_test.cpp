// The conversion of a collection's tags to Unicode: what independent readers see after
// it, what it keeps byte for byte, a second run, and failures of the file layer at every
// step. The preview is tested through the command (unicode_conversion_test).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "passes/to_unicode.h"
#include "formats/id3v2_reader.h"
#include "id3v2_writer_support.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "test_util.h"
#include "unicode_collection.h"

using namespace vq;
namespace fs = std::filesystem;

namespace {

class Recorder : public PassObserver {
 public:
  std::vector<std::u16string> failures;
  void Failed(const ItemFailure& f) override { failures.push_back(f.message.caption + u" " + f.message.text); }
};

UnicodeResult Convert(const vqtest::UnicodeCollection& c, Recorder& rec) {
  return RunUnicodeConversion(ListMp3FilesBelow(c.root), UnicodeSettings{}, rec);
}

// Frame id -> body of a file's tag as this program reads it.
std::multimap<std::string, std::string> Bodies(const std::string& path) {
  std::multimap<std::string, std::string> out;
  for (auto& [id, body] : h3test::FramesOf(h3test::ReadTag(path))) out.emplace(id, body);
  return out;
}

std::string Tail128(const std::string& bytes) { return bytes.substr(bytes.size() - 128); }

std::string U8(const std::u16string& s) { return Utf16ToUtf8(s); }

}  // namespace

TEST(ToUnicode, TagLibWithoutCodePageReadsEveryTextAsMeant) {
  vqtest::TempDir dir;
  const auto c = vqtest::MakeUnicodeCollection(dir);
  Recorder rec;
  const UnicodeResult r = Convert(c, rec);
  EXPECT_FALSE(r.failed());
  EXPECT_EQ(r.done, 9u);  // the link to a folder is not followed
  EXPECT_EQ(r.converted, 8u);
  EXPECT_EQ(r.unchanged, 1u);
  EXPECT_EQ(r.undecided, 1u);

  struct Expect {
    const char* file;
    const char* id;
    const char* text;  // what TagLib's toString() gives, UTF-8
  };
  const Expect expected[] = {
      {"歌手/アルバム/01 はじめに.mp3", "TIT2", "はじめに"},
      {"歌手/アルバム/01 はじめに.mp3", "TPE1", "サンプル歌手"},
      {"歌手/アルバム/01 はじめに.mp3", "TALB", "Motörhead"},
      {"歌手/アルバム/01 はじめに.mp3", "COMM", "サンプルのコメント"},
      {"歌手/アルバム/01 はじめに.mp3", "USLT", "一行目\r\n二行目"},
      {"歌手/アルバム/01 はじめに.mp3", "TXXX", "[気分] おだやか"},
      {"歌手/アルバム/02 european.mp3", "TIT2", "déménageurs"},
      {"歌手/アルバム/02 european.mp3", "TPE1", "Beyoncé"},
      {"歌手/アルバム/02 european.mp3", "TALB", "Motörhead"},
      {"歌手/アルバム/02 european.mp3", "COMM", "Édith Piaf"},
      {"歌手/03 v24.mp3", "TIT2", "夏の旅"},
      {"歌手/03 v24.mp3", "TPE1", "サンプル歌手"},
      {"歌手/04 v22.mp3", "TIT2", "青い空"},
      {"歌手/04 v22.mp3", "TPE1", "Blue"},
      {"歌手/05 single.mp3", "TIT2", "CDｼﾝｸﾞﾙ"},
      {"その他/x.mp3", "TIT2", "CDｼﾝｸﾞﾙ"},
      {"その他/y.mp3", "TIT2", "夏の旅"},
      {"未判定/z.mp3", "TPE1", "ｱｲｳ"},
  };
  for (const Expect& e : expected) {
    SCOPED_TRACE(std::string(e.file) + " " + e.id);
    const vqtest::TagLibView v = vqtest::ReadWithTagLib(c.Path(e.file), /*cp932=*/false);
    EXPECT_EQ(v.v2Major, 3);
    auto range = v.texts.equal_range(e.id);
    ASSERT_NE(range.first, range.second);
    EXPECT_EQ(range.first->second, e.text);
  }
  // The pictures' descriptions, through the program's own reader: UTF-16 with a mark.
  for (const char* file : {"歌手/アルバム/01 はじめに.mp3", "歌手/04 v22.mp3"}) {
    const auto bodies = Bodies(c.Path(file));
    const std::string& apic = bodies.find("APIC")->second;
    EXPECT_EQ(apic.substr(0, 1 + 11 + 1), std::string("\x01image/jpeg\0\x03", 13)) << file;
    EXPECT_EQ(apic.substr(13, 8), std::string("\xFF\xFE\x68\x88\x19\x7D\0\0", 8)) << file;  // 表紙
    EXPECT_EQ(apic.substr(21), vqtest::CollectionPicture()) << file;
  }
}

TEST(ToUnicode, KeepsEverythingElseByteForByteAndShowsTheSameTexts) {
  vqtest::TempDir dir;
  const auto c = vqtest::MakeUnicodeCollection(dir);
  const std::string first = c.Path("歌手/アルバム/01 はじめに.mp3");
  const auto shownBefore = h3test::ReadTag(first);
  const auto bodiesBefore = Bodies(first);
  Recorder rec;
  Convert(c, rec);

  for (const auto& [rel, before] : c.before) {
    SCOPED_TRACE(rel);
    const std::string after = vqtest::ReadBytes(c.Path(rel));
    EXPECT_EQ(vqtest::AudioOf(after), vqtest::AudioOf(before));
    EXPECT_EQ(Tail128(after), Tail128(before));  // the ID3v1 record, code page 932 as it was
  }
  EXPECT_EQ(vqtest::ReadBytes(c.Path("ascii.mp3")), c.before.at("ascii.mp3"));
  // In place: the tag kept its size.
  EXPECT_EQ(vqtest::ReadBytes(first).size(), c.before.at("歌手/アルバム/01 はじめに.mp3").size());

  // Frames without single-byte text outside ASCII, and the URL, as they were.
  const auto bodiesAfter = Bodies(first);
  for (const char* id : {"TALB", "TRCK", "XYZW"}) EXPECT_EQ(bodiesAfter.find(id)->second, bodiesBefore.find(id)->second) << id;
  const std::string& wxxx = bodiesAfter.find("WXXX")->second;
  EXPECT_EQ(wxxx.substr(wxxx.size() - 19), "http://example.com/");
  EXPECT_EQ(wxxx.substr(0, 9), std::string("\x01\xFF\xFE\x6C\x51\x0F\x5F\0\0", 9));  // 公式

  // This program shows every code page 932 text exactly as before.
  const auto shownAfter = h3test::ReadTag(first);
  ASSERT_EQ(shownAfter.table.size(), shownBefore.table.size());
  for (std::size_t i = 0; i < shownBefore.table.size(); ++i)
    EXPECT_EQ(U8(shownAfter.table[i].text), U8(shownBefore.table[i].text)) << U8(shownBefore.table[i].id);
}

TEST(ToUnicode, ASecondRunConvertsNothing) {
  vqtest::TempDir dir;
  const auto c = vqtest::MakeUnicodeCollection(dir);
  Recorder first, second;
  Convert(c, first);
  std::map<std::string, std::string> converted;
  for (const auto& [rel, bytes] : c.before) converted[rel] = vqtest::ReadBytes(c.Path(rel));
  const UnicodeResult r = Convert(c, second);
  EXPECT_EQ(r.converted, 0u);
  EXPECT_EQ(r.unchanged, 9u);
  EXPECT_EQ(r.undecided, 1u);  // z.mp3's bytes stay undecided
  for (const auto& [rel, bytes] : converted) EXPECT_EQ(vqtest::ReadBytes(c.Path(rel)), bytes) << rel;
}

// The file layer fails at the k-th operation, for every k: every file ends either exactly
// as before or exactly as a clean run makes it, no temporary file stays, and the failure
// is reported once.
TEST(ToUnicode, EachFailingOperationLeavesEveryFileWholeAndIsReportedOnce) {
  std::map<std::string, std::string> clean;
  {
    vqtest::TempDir dir;
    const auto c = vqtest::MakeUnicodeCollection(dir);
    Recorder rec;
    Convert(c, rec);
    for (const auto& [rel, bytes] : c.before) clean[rel] = vqtest::ReadBytes(c.Path(rel));
  }
  for (int err : {EACCES, ENOSPC, EIO}) {
    for (long k = 1;; ++k) {
      SCOPED_TRACE("errno " + std::to_string(err) + ", operation " + std::to_string(k));
      vqtest::TempDir dir;
      const auto c = vqtest::MakeUnicodeCollection(dir);
      Recorder rec;
      FaultInjection::FailAt(k, err);
      UnicodeResult r;
      bool failed = false;
      try {
        r = Convert(c, rec);
        failed = r.failed();
      } catch (const Error&) {
        failed = true;  // the listing of the top folder itself failed
        rec.failures.push_back(u"listing");
      }
      const bool fired = FaultInjection::Fired();
      FaultInjection::Reset();
      for (const auto& [rel, before] : c.before) {
        const std::string now = vqtest::ReadBytes(c.Path(rel));
        EXPECT_TRUE(now == before || now == clean.at(rel)) << rel;
      }
      for (auto& e : fs::recursive_directory_iterator(dir.path()))
        EXPECT_FALSE(vq::IsTemporaryFileName(e.path().filename().string())) << e.path();
      if (!fired) {
        EXPECT_FALSE(failed);
        EXPECT_EQ(r.converted, 8u);
        break;
      }
      // A subfolder that cannot be listed is left out without a failure.
      EXPECT_LE(rec.failures.size(), 1u);
      if (failed) EXPECT_EQ(rec.failures.size(), 1u);
    }
  }
}

// The walk goes by name order, as the listing and the batch do: "2" before "10" in file
// and folder names, a folder's own files before its subfolders'.
TEST(ToUnicode, TheWalkGoesInNameOrder) {
  vqtest::TempDir dir;
  for (const char* rel : {"10 b.mp3", "2 a.mp3", "Disc 10/1.mp3", "Disc 2/10.mp3", "Disc 2/9.mp3", "b/x.mp3", "A/x.mp3"})
    vqtest::WriteBytes(dir / rel, "x");
  std::vector<std::string> order;
  for (const PassItem& f : ListMp3FilesBelow(dir.path())) order.push_back(f.path.substr(dir.path().size() + 1));
  EXPECT_EQ(order, (std::vector<std::string>{"2 a.mp3", "10 b.mp3", "A/x.mp3", "b/x.mp3", "Disc 2/9.mp3", "Disc 2/10.mp3",
                                             "Disc 10/1.mp3"}));
}
