// Every tag the writer produces from the fixtures is read back by an independent reader
// (TagLib): the same frames and texts, pictures byte for byte, and the bytes behind the
// tag exactly those behind the old one.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "formats/id3v2_writer.h"
#include "id3v2_writer_support.h"

using namespace vq;
using namespace h3test;
using vqtest::ReadBytes;
using vqtest::ReadWithTagLib;
using vqtest::TagLibView;
using vqtest::TempDir;

namespace {

const char* const kFixtures[] = {
    "01_v1only_eyed3_mpeg1_l3_128k.mp3",           "02_v23_latin1_mutagen_mpeg1_l3_32k.mp3",
    "03_v23_utf16_japanese_mutagen_mpeg1_l3_128k.mp3", "04_v24_utf8_japanese_mutagen_mpeg2_l3_64k.mp3",
    "05_v24_utf8_japanese_eyed3_mpeg1_l3_32k.mp3", "06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3",
    "07_v23_txxx_wxxx_wcom_mutagen_mpeg1_l3_32k.mp3", "08_v23_trck_tcon13_mutagen_mpeg1_l3_32k.mp3",
    "09_v23_kid3cli_mpeg1_l3_128k.mp3",            "10_v23_v1_id3v2tool_mpeg2_l3_64k.mp3",
    "11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3", "12_v23_sjis_enc0_handmade_mpeg1_l3_32k.mp3",
    "13_v22_handmade_mpeg1_l2_64k.mp3",            "14_notag_lame_mpeg1_l3_128k.mp3",
    "15_v23_v1_lame_mpeg2_l3_64k.mp3",             "16_v24_ffmpeg_mpeg1_l3_32k.mp3",
};

constexpr const char* kFieldIds[7] = {"TIT2", "TALB", "TPE1", "TCOM", "COMM", "TYER", "TCON"};

// The v2.3 id of a read frame.
std::string V23Id(const V2FrameEntry& e) {
  std::string id = Utf16ToUtf8(e.id);
  return e.major <= 2 ? MapV22Id(id) : id;
}

// TagLib shows v2.3 year frames under the v2.4 id.
std::string TagLibId(const std::string& id) { return id == "TYER" ? "TDRC" : id; }

// The bytes behind the tag: the audio and an ID3v1 tag.
std::string Behind(const std::string& bytes, std::int32_t tagSize) {
  return bytes.substr(tagSize > 0 ? 10 + static_cast<std::size_t>(tagSize) : 0);
}

void ExpectSameBehind(const std::string& before, std::int32_t oldSize, const std::string& path,
                      const std::string& name) {
  auto back = ReadTag(path);
  ASSERT_TRUE(back.header.present) << name;
  EXPECT_EQ(back.header.major, 3) << name;
  EXPECT_EQ(Behind(ReadBytes(path), back.header.size), Behind(before, oldSize)) << name;
  // A valid v2.3 tag: text encodings 0 and 1 only.
  for (const auto& e : back.table) {
    std::string id = Utf16ToUtf8(e.id);
    if (id[0] == 'T' || id == "COMM" || id == "APIC" || id == "WXXX" || id == "USLT") {
      EXPECT_LE(static_cast<unsigned char>(e.body[0]), 1) << name << " " << id;
    }
  }
}

void ExpectV1Same(const TagLibView& a, const TagLibView& b, const std::string& name) {
  EXPECT_EQ(a.hasV1, b.hasV1) << name;
  EXPECT_EQ(a.v1Title, b.v1Title) << name;
  EXPECT_EQ(a.v1Comment, b.v1Comment) << name;
  EXPECT_EQ(a.v1Genre, b.v1Genre) << name;
}

// A fixture copied into a folder of its own, with what TagLib and the program's reader
// see in it before the write.
struct Copy {
  TempDir dir;
  std::string path, before;
  TagLibView old;
  ReadBack back;
  explicit Copy(const char* fixture)
      : path(dir.CopyFixture(fixture, "a.mp3")), before(ReadBytes(path)), old(ReadWithTagLib(path)),
        back(ReadTag(path)) {}
  EditorCall Editor() const {
    return EditorCall(dir.path(), "a.mp3", back.header.present ? back.header.size : 0, back.listing.empty());
  }
};

}  // namespace

TEST(V2WriterTagLib, EditorKeepingEveryFrameGivesTheSameTagToTagLib) {
  int pictures = 0;
  for (const char* name : kFixtures) {
    Copy c(name);
    const std::string& path = c.path;
    const std::string& before = c.before;
    const TagLibView& old = c.old;
    ReadBack& back = c.back;
    EditorCall call = c.Editor();
    for (const auto& e : back.table) {
      if (e.id.empty()) continue;
      call.lines.push_back(e.id + u":" + e.text);
      call.sources.push_back(&e);
    }
    RecordingReporter rep;
    ASSERT_TRUE(call.Write(rep)) << name;
    const TagLibView now = ReadWithTagLib(path);
    EXPECT_TRUE(now.hasV2) << name;
    EXPECT_EQ(now.v2Major, 3) << name;
    EXPECT_EQ(now.ids, old.ids) << name;
    EXPECT_EQ(now.texts, old.texts) << name;
    EXPECT_EQ(now.pictures, old.pictures) << name;
    pictures += static_cast<int>(now.pictures.size());
    ExpectV1Same(now, old, name);
    ExpectSameBehind(before, back.header.present ? back.header.size : 0, path, name);
    // The program's own reader finds the same texts (v2.2 decodes differently).
    if (back.header.major >= 3) {
      auto again = ReadTag(path);
      ASSERT_EQ(again.table.size(), back.table.size()) << name;
      for (std::size_t i = 0; i < back.table.size(); ++i) EXPECT_EQ(again.table[i].text, back.table[i].text) << name;
    }
  }
  EXPECT_EQ(pictures, 2);  // fixtures 06 (APIC) and 13 (v2.2 PIC)
}

TEST(V2WriterTagLib, EditorFieldsAndKeptFramesReadBackAsWritten) {
  for (const char* name : kFixtures) {
    Copy c(name);
    const std::string& path = c.path;
    const std::string& before = c.before;
    const TagLibView& old = c.old;
    ReadBack& back = c.back;
    // As the editor loads a tag: the frames of the seven fields into the fields (the
    // last one wins), the others into kept lines with their frames.
    EditorCall call = c.Editor();
    std::vector<std::string> keptIds;
    for (const auto& e : back.table) {
      if (e.id.empty()) continue;
      auto field = std::find(std::begin(kFieldIds), std::end(kFieldIds), V23Id(e));
      if (field != std::end(kFieldIds)) {
        call.in.fieldTexts[static_cast<std::size_t>(field - std::begin(kFieldIds))] = e.text;
      } else {
        call.lines.push_back(e.id + u":" + e.text);
        call.sources.push_back(&e);
        keptIds.push_back(V23Id(e));
      }
    }
    if (!back.header.present) {
      call.in.fieldTexts[0] = u"曲名 Ålbum";
      call.in.fieldTexts[2] = u"歌手";
    }
    // A changed comment, written in the program's own form.
    call.in.fieldTexts[4] = u"新しいコメント";
    RecordingReporter rep;
    ASSERT_TRUE(call.Write(rep)) << name;

    const TagLibView now = ReadWithTagLib(path);
    std::vector<std::string> ids;
    std::multimap<std::string, std::string> texts;
    for (std::size_t i = 0; i < 7; ++i) {
      if (call.in.fieldTexts[i].empty()) continue;
      ids.push_back(TagLibId(kFieldIds[i]));
      if (std::string(kFieldIds[i]) != "TCON") texts.emplace(ids.back(), Utf16ToUtf8(call.in.fieldTexts[i]));
    }
    for (const auto& id : keptIds) ids.push_back(id);
    // Kept frames keep their texts; a v2.4 TDRC is kept, a TYER was the year field.
    for (const auto& [id, text] : old.texts) {
      if (std::find(std::begin(kFieldIds), std::end(kFieldIds), id) != std::end(kFieldIds)) continue;
      if (id == "TDRC" && !call.in.fieldTexts[5].empty()) continue;
      texts.emplace(id, text);
    }
    EXPECT_EQ(now.ids, ids) << name;
    // Genres: TagLib shows "(13)" as "13" in both.
    auto tcon = now.texts.equal_range("TCON");
    for (auto it = tcon.first; it != tcon.second; ++it) EXPECT_EQ(it->second, old.texts.find("TCON")->second) << name;
    auto withoutGenre = now.texts;
    withoutGenre.erase("TCON");
    EXPECT_EQ(withoutGenre, texts) << name;
    EXPECT_EQ(now.pictures, old.pictures) << name;
    ExpectV1Same(now, old, name);
    ExpectSameBehind(before, back.header.present ? back.header.size : 0, path, name);
  }
}

TEST(V2WriterTagLib, BatchFramesReadBackAsWritten) {
  for (const char* name : kFixtures) {
    Copy c(name);
    const std::string& path = c.path;
    const std::string& before = c.before;
    const TagLibView& old = c.old;
    ReadBack& back = c.back;
    // As the pass builds its list: artist, album and title take the derived names, every
    // other frame goes over whole; derived frames without an existing one come last.
    const std::map<std::string, std::u16string> derived = {
        {"TPE1", u"フォルダ名"}, {"TALB", u""}, {"TIT2", u"File Title é"}};
    std::vector<OutFrame> frames;
    std::set<std::string> used;
    for (const auto& e : back.table) {
      if (e.id.empty()) continue;
      std::string id = V23Id(e);
      auto d = derived.find(id);
      if (d != derived.end()) {
        frames.push_back(MakeTextFrame(id, used.insert(id).second ? d->second : u""));
      } else if (auto f = CarryOverFrame(e)) {
        frames.push_back(std::move(*f));
      }
    }
    for (const auto& [id, text] : derived)
      if (!used.count(id) && !text.empty()) frames.push_back(MakeTextFrame(id, text));
    RecordingReporter rep;
    const std::int32_t e = back.header.present ? back.header.size : 0;
    std::int32_t size = WriteBatchV2Tag(path, frames, e, rep);
    EXPECT_EQ(size, e >= FramesSize(frames) && e > 0 ? e : RoundedTagSize(FramesSize(frames))) << name;

    const TagLibView now = ReadWithTagLib(path);
    std::vector<std::string> ids;
    for (const auto& f : frames) ids.push_back(TagLibId(f.id));
    EXPECT_EQ(now.ids, ids) << name;
    std::multimap<std::string, std::string> texts;
    for (const auto& [id, text] : old.texts)
      if (!derived.count(id)) texts.emplace(id, text);
    for (const auto& f : frames) {
      auto d = derived.find(f.id);
      if (d != derived.end()) texts.emplace(f.id, f.body.size() > 1 ? Utf16ToUtf8(d->second) : "");
    }
    EXPECT_EQ(now.texts, texts) << name;
    EXPECT_EQ(now.pictures, old.pictures) << name;
    ExpectV1Same(now, old, name);
    ExpectSameBehind(before, e, path, name);
  }
}
