// The readings pass on the engine: what it writes and keeps, the dry run, the files it
// leaves alone, undo; and the readings a pass over a tree writes on its own.
#include <gtest/gtest.h>

#include <map>

#include "id3v2_writer_support.h"
#include "passes/journal.h"
#include "passes/pass_items.h"
#include "passes/reading_sources.h"
#include "passes/readings_pass.h"
#include "passes/undo.h"
#include "pass_recorder.h"

using namespace vq;
using namespace h3test;
using vqtest::ReadBytes;
using vqtest::TempDir;
using vqtest::WriteBytes;

namespace {

std::string U8(const std::u16string& s) { return Utf16ToUtf8(s); }

// A text frame's body: encoding 1, FF FE and UTF-16LE.
std::string Utf16(std::u16string_view text) {
  std::string b = "\x01\xFF\xFE";
  for (char16_t c : text) b += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return b;
}

const std::map<std::u16string, std::u16string, std::less<>> kReadings = {
    {u"故郷", u"フルサト"}, {u"山下達郎", u"ヤマシタタツロウ"}, {u"夕立", u"ユウダチ"}, {u"夏の旅", u"ナツノタビ"}};

std::optional<std::u16string> FromTable(SortedField, std::u16string_view text) {
  const auto it = kReadings.find(text);
  return it == kReadings.end() ? std::nullopt : std::optional<std::u16string>(it->second);
}

struct PassRun {
  PassResult result;
  std::vector<std::u16string> lines;  // FileReadingsText of each file
};

PassRun RunReadings(const std::string& folder, bool dryRun, const std::string& journals) {
  ReadingsSettings settings;
  settings.dryRun = dryRun;
  settings.journalFolder = journals;
  settings.folder = folder;
  ReadingsPass pass(ListMp3FilesBelow(folder), FromTable, settings);
  vqtest::PassRecorder recorder;
  PassRun run{pass.Run(recorder), {}};
  for (std::size_t i = 0; i < pass.items().size(); ++i) run.lines.push_back(FileReadingsText(pass.items()[i], pass.PlanOf(i)));
  return run;
}

}  // namespace

// A tag with room takes the readings in place, a full one is rebuilt; a sort reading a
// file has stays, every other frame goes over byte for byte and the audio is kept. A
// v2.2 tag with a frame v2.3 has no form for is left alone. The dry run plans the same
// and writes nothing; undo puts every byte and date back.
TEST(ReadingsPass, FillsEmptySortFieldsKeepsEverythingElseAndUndoesWhole) {
  TempDir dir;
  const std::string picture = Frame("APIC", std::string("\0image/png\0\x03\0PNGDATA", 20));
  const std::string txxx = Frame("TXXX", std::string("\0note\0kept", 10));
  const std::map<std::string, std::string> before = {
      {"a/01.mp3", Tag(3, Frame("TIT2", Utf16(u"故郷")) + Frame("TPE1", Utf16(u"山下達郎")) + picture +
                              Frame("TSOP", Utf16(u"ヤマシタ")) + txxx, 400) + Audio(3000)},
      {"b/02.mp3", Tag(4, Frame("TIT2", Utf16(u"夕立"), 4) + Frame("TALB", Utf16(u"夏の旅"), 4), 36) + Audio(3000)},
      {"c/03.mp3", Audio(3000)},
      {"d/04.mp3", Tag(2, Frame22("TT2", Utf16(u"故郷")) + Frame22("CRM", std::string("owner\0xxxx", 10)), 100) + Audio(3000)},
  };
  const std::time_t date = vqtest::LocalTime(2020, 5, 6, 7, 8, 9);
  for (const auto& [rel, bytes] : before) {
    WriteBytes(dir / ("music/" + rel), bytes);
    SetFileTimes(dir / ("music/" + rel), date);
  }
  const std::string journals = dir / "journals";

  const PassRun dry = RunReadings(dir / "music", true, journals);
  EXPECT_EQ(dry.result.changed, 2u);
  for (const auto& [rel, bytes] : before) EXPECT_EQ(ReadBytes(dir / ("music/" + rel)), bytes) << rel;

  const PassRun run = RunReadings(dir / "music", false, journals);
  EXPECT_EQ(run.lines, dry.lines);
  EXPECT_EQ(run.result.changed, 2u);
  EXPECT_EQ(run.result.skipped, 1u);
  EXPECT_FALSE(run.result.failed());
  EXPECT_EQ(U8(run.lines[0]), dir / "music/a/01.mp3\n  曲名  故郷 → フルサト\n");
  EXPECT_EQ(U8(run.lines[1]), dir / "music/b/02.mp3\n  曲名  夕立 → ユウダチ\n  アルバム名  夏の旅 → ナツノタビ\n");

  const std::string a = ReadBytes(dir / "music/a/01.mp3");
  ASSERT_EQ(a.size(), before.at("a/01.mp3").size());  // in place
  const auto frames = FramesOf(ReadTag(dir / "music/a/01.mp3"));
  std::vector<std::string> ids;
  for (const auto& [id, body] : frames) ids.push_back(id);
  EXPECT_EQ(ids, (std::vector<std::string>{"TIT2", "TPE1", "APIC", "TSOP", "TXXX", "TSOT"}));
  EXPECT_EQ(Frame(frames[2].first, frames[2].second) + Frame(frames[3].first, frames[3].second) +
                Frame(frames[4].first, frames[4].second),
            picture + Frame("TSOP", Utf16(u"ヤマシタ")) + txxx);
  EXPECT_EQ(frames[5].second, std::string("\0", 1) + "\x83\x74\x83\x8B\x83\x54\x83\x67");  // code page 932

  const std::string b = ReadBytes(dir / "music/b/02.mp3");
  EXPECT_GT(b.size(), before.at("b/02.mp3").size());  // rebuilt
  EXPECT_EQ(vqtest::AudioOf(b), vqtest::AudioOf(before.at("b/02.mp3")));
  EXPECT_EQ(ReadBytes(dir / "music/d/04.mp3"), before.at("d/04.mp3"));

  vqtest::UndoRecorder undone;
  const UndoResult u = UndoPass(run.result.journal, undone);
  EXPECT_EQ(u.restored, 2u);
  for (const auto& [rel, bytes] : before) {
    EXPECT_EQ(ReadBytes(dir / ("music/" + rel)), bytes) << rel;
    EXPECT_EQ(ModifiedTime(dir / ("music/" + rel)), date) << rel;
  }
}

// A tree's own readings: a confirmed reading (the user's file, the collection, kana,
// both dictionaries) is written; a suggestion only when accepted, else listed once; a
// text that reads as it is written is no reading and is not counted.
TEST(DecidedReadings, ConfirmedOnesAreWrittenSuggestionsOnlyWhenAccepted) {
  TempDir dir;
  WriteBytes(dir / "readings.tsv", "故郷\tフルサト\n");
  ReadingsSetup setup;
  setup.userFile = dir / "readings.tsv";
  for (bool accept : {false, true}) {
    SCOPED_TRACE(accept);
    ReadingSources sources(setup);
    ASSERT_TRUE(sources.notices().empty()) << U8(sources.notices().front());
    V2FrameTable collection(2);
    collection[0].id = u"TPE1";
    collection[0].text = u"椎名林檎";
    collection[1].id = u"TSOP";
    collection[1].text = u"シイナリンゴ";
    sources.AddToCollection(collection);
    DecidedReadings decided(sources, accept);
    const std::pair<const char16_t*, const char16_t*> asked[] = {
        {u"故郷", u"フルサト"}, {u"椎名林檎", u"シイナリンゴ"}, {u"ゆず", u"ユズ"}, {u"B'z", nullptr},
        {u"山下達郎", accept ? u"ヤマシタタツロウ" : nullptr}, {u"故郷", u"フルサト"}};
    for (const auto& [text, reading] : asked) {
      const std::optional<std::u16string> got = decided(SortedField::Title, text);
      EXPECT_EQ(got.value_or(u"-"), reading ? reading : u"-") << U8(text);
    }
    EXPECT_EQ(U8(CountsText(decided.counts())), "確定 3 件、候補 1 件、読みなし 0 件");
    ASSERT_EQ(decided.undecided().size(), accept ? 0u : 1u);
    if (!accept) EXPECT_EQ(U8(decided.undecided()[0]->text), "山下達郎");
  }
}
