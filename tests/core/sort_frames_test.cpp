// Sort fields as other programs wrote them, and the sort frames a file gets.
#include <gtest/gtest.h>

#include "formats/bytesource.h"
#include "formats/synchsafe.h"
#include "passes/collection_tally.h"
#include "passes/sort_frame_plan.h"
#include "platform/text.h"
#include "session/editor_model.h"

using namespace vq;

namespace {

std::string U8(const std::u16string& s) { return Utf16ToUtf8(s); }

// A frame body: encoding 1, FF FE and UTF-16LE.
std::string Utf16Body(std::u16string_view text) {
  std::string b = "\x01\xFF\xFE";
  for (char16_t c : text) {
    b.push_back(static_cast<char>(c & 0xFF));
    b.push_back(static_cast<char>(c >> 8));
  }
  return b;
}

// A tag of the given major version with (id, body) frames, read back into a table.
V2FrameTable Table(std::uint8_t major, const std::vector<std::pair<std::string, std::string>>& frames) {
  std::string body;
  for (const auto& [id, data] : frames) {
    body += id;
    const std::size_t n = data.size();
    if (major == 2) {
      body += {static_cast<char>(n >> 16), static_cast<char>(n >> 8), static_cast<char>(n)};
    } else {
      body += {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8), static_cast<char>(n)};
      body += std::string(2, '\0');
    }
    body += data;
  }
  std::string tag = std::string("ID3") + static_cast<char>(major) + std::string(2, '\0');
  AppendSynchsafe(tag, static_cast<std::uint32_t>(body.size()));
  tag += body;
  const MemorySource src(tag);
  V2FrameTable table;
  ReadV2Frames(src, ReadV2Header(src), table);
  return table;
}

std::vector<std::string> Ids(const std::vector<OutFrame>& frames) {
  std::vector<std::string> ids;
  for (const OutFrame& f : frames) ids.push_back(f.id);
  return ids;
}

}  // namespace

// TSO* in v2.3 and v2.4, the three-letter ids in a v2.2 tag and inside a v2.3 tag (a
// zero or a space for the fourth letter), XSO* of v2.3: TSO* counts first, then TS*.
TEST(SortFields, EveryProgramsIdsAreRead) {
  const V2FrameTable v23 = Table(3, {{"TIT2", Utf16Body(u"故郷")},
                                     {std::string("TST\0", 4), Utf16Body(u"フルサト")},
                                     {"TPE1", Utf16Body(u"山下達郎")},
                                     {"XSOP", Utf16Body(u"ヤマシタタツロウ")},
                                     {"TALB", Utf16Body(u"夏の旅")},
                                     {"XSOA", Utf16Body(u"ナツノ")},
                                     {"TSOA", Utf16Body(u"ナツノタビ")},
                                     {"TPE2", Utf16Body(u"山下達郎")},
                                     {"TS2 ", Utf16Body(u" ヤマシタ ")},
                                     {"TCOM", Utf16Body(u"作曲")},
                                     {"TSOC", Utf16Body(u"サッキョク")}});
  const SortedFields f = SortedFieldsOf(v23);
  const char* expected[][2] = {{"故郷", "フルサト"}, {"山下達郎", "ヤマシタタツロウ"}, {"夏の旅", "ナツノタビ"},
                               {"山下達郎", "ヤマシタ"}, {"作曲", "サッキョク"}};
  for (std::size_t i = 0; i < kSortedFieldCount; ++i) {
    EXPECT_EQ(U8(f[i].text), expected[i][0]) << i;
    EXPECT_EQ(U8(f[i].sort), expected[i][1]) << i;
  }
  EXPECT_EQ(f[2].sortFrames, (std::vector<std::size_t>{5, 6}));

  const V2FrameTable v22 = Table(2, {{"TT2", Utf16Body(u"夕立")}, {"TST", Utf16Body(u"ユウダチ")},
                                     {"TP1", Utf16Body(u"歌手")}, {"TSP", Utf16Body(u"カシュ")},
                                     {"TAL", Utf16Body(u"旅")}, {"TSA", Utf16Body(u"タビ")}});
  const SortedFields g = SortedFieldsOf(v22);
  EXPECT_EQ(U8(g[0].sort), "ユウダチ");
  EXPECT_EQ(U8(g[1].sort), "カシュ");
  EXPECT_EQ(U8(g[2].sort), "タビ");

  const SortedFields h = SortedFieldsOf(Table(4, {{"TPE1", Utf16Body(u"歌手")}, {"TSOP", Utf16Body(u"カシュ")}}));
  EXPECT_EQ(U8(h[1].sort), "カシュ");

  CollectionTally tally;
  tally.AddTable(v23);
  tally.AddTable(v22);
  EXPECT_EQ(U8(*tally.MostCommon(u"故郷")), "フルサト");
  EXPECT_EQ(U8(*tally.MostCommon(u"夕立")), "ユウダチ");
  EXPECT_FALSE(tally.MostCommon(u"東京"));
}

// Only empty sort fields are filled: the new frames come after the others, which go
// over whole; an empty old sort frame gives its place to the new one.
TEST(SortFramePlan, FillsEmptySortFieldsAndCarriesEveryOtherFrame) {
  const V2FrameTable table = Table(3, {{"TIT2", Utf16Body(u"故郷")},
                                       {"TPE1", Utf16Body(u"山下達郎")},
                                       {"TSOP", Utf16Body(u"ヤマシタ")},
                                       {"APIC", std::string("\0image/png\0\x03\0PNGDATA", 20)},
                                       {"TALB", Utf16Body(u"夏の旅")},
                                       {"XSOA", Utf16Body(u"")},
                                       {"TPE2", Utf16Body(u"B'z")}});
  std::vector<std::u16string> asked;
  const ReadingFor reading = [&](SortedField, std::u16string_view text) -> std::optional<std::u16string> {
    asked.emplace_back(text);
    if (text == u"故郷") return u"フルサト";
    if (text == u"山下達郎") return u"ヤマシタタツロウ";
    if (text == u"夏の旅") return u"ナツノタビ";
    return std::u16string(text);  // B'z reads as it is written: no frame
  };
  const SortFramePlan plan = PlanSortFrames(table, reading, {});
  ASSERT_EQ(plan.changes.size(), 2u);
  EXPECT_EQ(U8(plan.changes[0].reading), "フルサト");
  EXPECT_EQ(plan.changes[1].field, SortedField::Album);
  EXPECT_EQ(Ids(plan.frames), (std::vector<std::string>{"TIT2", "TPE1", "TSOP", "APIC", "TALB", "TSOA", "TPE2", "TSOT"}));
  for (std::size_t i : {0, 1, 2, 3, 4, 6}) EXPECT_EQ(plan.frames[i].body, table[i].body) << i;
  // Code page 932 where the user writes it: encoding 0.
  EXPECT_EQ(plan.frames[7].body, std::string("\0", 1) + "\x83\x74\x83\x8B\x83\x54\x83\x67");
  EXPECT_EQ(plan.notCarried, 0u);

  // replace: a sort field that differs is replaced in its place; Unicode writes UTF-16.
  const SortFramePlan replaced = PlanSortFrames(table, reading, {true, TextChoice::Unicode});
  EXPECT_EQ(replaced.changes.size(), 3u);
  EXPECT_EQ(Ids(replaced.frames), (std::vector<std::string>{"TIT2", "TPE1", "TSOP", "APIC", "TALB", "TSOA", "TPE2", "TSOT"}));
  EXPECT_EQ(replaced.frames[2].body, Utf16Body(u"ヤマシタタツロウ"));
  EXPECT_EQ(replaced.frames[7].body, Utf16Body(u"フルサト"));

  // Nothing to do: no frames at all.
  const SortFramePlan nothing = PlanSortFrames(table, [](SortedField, std::u16string_view) { return std::nullopt; }, {});
  EXPECT_TRUE(nothing.changes.empty());
  EXPECT_TRUE(nothing.frames.empty());
}

// A v2.2 tag's sort frames, which the frame table of formats does not map, keep their
// readings under the v2.3 ids.
TEST(SortFramePlan, AV22TagKeepsItsSortFramesUnderTheirV23Ids) {
  const V2FrameTable table = Table(2, {{"TT2", Utf16Body(u"夕立")}, {"TP1", Utf16Body(u"歌手")},
                                       {"TSP", Utf16Body(u"カシュ")}});
  const SortFramePlan plan = PlanSortFrames(
      table, [](SortedField, std::u16string_view) -> std::optional<std::u16string> { return u"ユウダチ"; }, {});
  ASSERT_EQ(plan.changes.size(), 1u);
  EXPECT_EQ(Ids(plan.frames), (std::vector<std::string>{"TIT2", "TPE1", "TSOP", "TSOT"}));
  EXPECT_EQ(plan.frames[2].body, Utf16Body(u"カシュ"));
}

// The editor's reading fields show the frame the pass reads: the highest rank with a
// text, the last among equals.
TEST(SortFields, TheEditorAndThePassReadTheSameFrame) {
  const std::string tst("TST\0", 4);
  const std::pair<std::vector<std::pair<std::string, std::u16string>>, const char*> cases[] = {
      {{{"XSOT", u"ロ"}, {"TSOT", u"イ"}}, "イ"},
      {{{tst, u"ハ"}, {"XSOT", u"ロ"}}, "ハ"},
      {{{"TSOT", u""}, {"XSOT", u"ロ"}}, "ロ"},
      {{{"TSOT", u"イ"}, {"TSOT", u"ニ"}}, "ニ"},
  };
  for (const auto& [frames, shown] : cases) {
    std::vector<std::pair<std::string, std::string>> tag{{"TIT2", Utf16Body(u"曲")}};
    for (const auto& [id, text] : frames) tag.emplace_back(id, Utf16Body(text));
    const V2FrameTable table = Table(3, tag);
    EXPECT_EQ(U8(SortedFieldsOf(table)[0].sort), shown);
    EXPECT_EQ(U8(LoadEditorModel(table).extraLoaded[static_cast<int>(ExtraField::TitleSort)]), shown);
  }
}
