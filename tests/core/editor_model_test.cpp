// The ID3v2 editor's model without its window: loading from the frame table, the two
// fills, and the write with the frame table and listing rebuilt from what was written.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "formats/file_summary.h"
#include "id3v2_writer_support.h"
#include "session/editor_model.h"

using namespace vq;
using namespace h3test;
using vqtest::ReadBytes;
using vqtest::TempDir;
using vqtest::WriteBytes;

namespace {

V2FrameEntry Entry(std::u16string id, std::u16string text, std::string body = {}) {
  V2FrameEntry e;
  e.id = std::move(id);
  e.text = std::move(text);
  e.body = std::move(body);
  e.major = static_cast<std::uint8_t>(e.id.size() == 3 ? 2 : 3);
  e.fromFile = !e.body.empty();
  return e;
}

// A session whose selected file is `bytes`, read as the main window reads it.
struct Selected {
  TempDir dir;
  Session session;
  explicit Selected(const std::string& bytes) {
    WriteBytes(dir / "Band/a.mp3", bytes);
    session.folder = dir / "Band";
    session.rows = {MakeRow("", "a.mp3", 981173106)};
    session.selectedRow = 0;
    FileSummary s = ReadFileSummary(session.FilePath(0), std::nullopt);
    session.TakeSummary(s);
  }
  std::string Bytes() const { return ReadBytes(session.FilePath(0)); }
};

std::vector<std::pair<std::u16string, std::u16string>> Pairs(const V2FrameTable& table) {
  std::vector<std::pair<std::u16string, std::u16string>> out;
  for (const auto& e : table)
    if (!e.id.empty()) out.emplace_back(e.id, e.text);
  return out;
}

}  // namespace

TEST(EditorModel, LoadsFieldsByEitherVersionsIdAndKeepsTheOtherFrames) {
  V2FrameTable table{Entry(u"TT2", u"old title"), Entry(u"TP1", u"artist"), Entry(u"TRK", u"3"),
                     Entry(u"TIT2", u"new title"), Entry(u"APIC", u"", "\0image/png\0\x03\0x")};
  EditorModel m = LoadEditorModel(table);
  EXPECT_EQ(m.loaded[0], u"new title");  // a later frame of a field replaces an earlier one
  EXPECT_EQ(m.loaded[2], u"artist");
  EXPECT_EQ(m.loaded[1], u"");
  ASSERT_EQ(m.kept.size(), 1u);
  EXPECT_EQ(m.kept[0].ListText(), u"APIC:");
  EXPECT_EQ(m.extraLoaded[static_cast<int>(ExtraField::Track)], u"3");
  ASSERT_TRUE(m.fieldFrames[0]);
  EXPECT_EQ(m.fieldFrames[0]->id, u"TIT2");
}

TEST(EditorModel, FillsOnlyEmptyFields) {
  MainWindowTexts main;
  main.names = {u"Band", u"Disc 1", u"01 Song.mp3"};
  main.v1Fields = {u"v1 title  ", u"v1 artist", u"v1 album", u"v1 comment ", u"1999", u"13"};
  EditorFields fields;
  fields[2] = u"kept artist";
  FillFromNames(fields, main);
  EXPECT_EQ(fields, (EditorFields{u"01 Song", u"Disc 1", u"kept artist", u"", u"v1 comment ", u"1999", u"13"}));

  main.fileNameMode = true;
  EditorFields byName;
  FillFromNames(byName, main);
  EXPECT_EQ(byName[0], u"01 Song");
  EXPECT_EQ(byName[1], u"01 Song");
  EXPECT_EQ(byName[2], u"01 Song");
  EXPECT_EQ(byName[3], u"");  // the composer is never filled
  main.names[2] = u"abc";     // no file name: nothing from it
  EditorFields none;
  FillFromNames(none, main);
  EXPECT_EQ(none[0], u"");

  EditorFields fromV1;
  FillFromV1(fromV1, main);
  EXPECT_EQ(fromV1, (EditorFields{u"v1 title", u"v1 album", u"v1 artist", u"", u"v1 comment", u"1999", u"13"}));
}

// The writer answers for every kept line: the id it went under and the frame it
// wrote, from which the table is rebuilt. A picture goes over whole, a v2.2 id is
// converted, a frame without a v2.3 form is dropped.
TEST(EditorModel, TheTableIsRebuiltFromWhatWasWritten) {
  const std::string pic = std::string("\0PNG\x03\0\x89PNG", 10);
  std::string tag = "ID3\x02" + std::string(2, '\0') + Synchsafe(200);
  auto frame22 = [](const std::string& id, const std::string& body) { return Frame22(id, body); };
  std::string frames = frame22("TT2", std::string("\0Title", 6)) + frame22("TT1", std::string("\0Group", 6)) +
                       frame22("CRM", std::string("\0x", 2)) + frame22("TXY", std::string("\0odd", 4)) +
                       frame22("PIC", pic);
  tag += frames;
  tag.resize(210, '\0');
  Selected sel(tag + Audio(2000));
  EditorModel m = LoadEditorModel(sel.session.v2Frames);
  EditorFields fields = m.loaded;
  fields[2] = u"新しい歌手";
  RecordingReporter rep;
  ASSERT_TRUE(WriteEditorTag(m, fields, sel.session, rep));
  EXPECT_TRUE(rep.errors.empty() && rep.updateErrors.empty());

  EXPECT_EQ(m.kept[0].ListText(), u"TIT1:Group");
  EXPECT_EQ(m.kept[1].ListText(), u"CRM:");  // no text, no v2.3 form: not written, the line stays
  EXPECT_EQ(m.kept[2].ListText(), u"");      // a text frame without a v2.3 form: dropped
  EXPECT_EQ(m.kept[3].ListText(), u"PIC:");
  EXPECT_EQ(Pairs(sel.session.v2Frames),
            (std::vector<std::pair<std::u16string, std::u16string>>{
                {u"TIT2", u"Title"}, {u"TPE1", u"新しい歌手"}, {u"TIT1", u"Group"}, {u"APIC", u""}}));
  EXPECT_EQ(sel.session.FrameListing(), u"TIT2(0) Title\r\nTPE1(0) 新しい歌手\r\nTIT1(0) Group\r\nAPIC(0) \r\n");
  // The table's entries hold the frames as written, so another write carries them again.
  ASSERT_EQ(sel.session.v2Frames.size(), 4u);
  EXPECT_EQ(sel.session.v2Frames[3].body, std::string("\0image/png\0\x03\0\x89PNG", 17));
  const ReadBack back = ReadTag(sel.session.FilePath(0));
  EXPECT_EQ(back.listing, sel.session.FrameListing());
}

// Not written (a read-only file): the lines keep their ids and the table describes
// the fields and the frames the file still holds.
TEST(EditorModel, AFailedWriteKeepsTheLinesAndTheFramesInTheFile) {
  std::string tag = "ID3\x03" + std::string(2, '\0') + Synchsafe(100) +
                    Frame("TIT2", std::string("\0T", 2)) + Frame("TIT1", std::string("\0" "7", 2));
  tag.resize(110, '\0');
  Selected sel(tag + Audio(1000));
  ASSERT_EQ(::chmod(sel.session.FilePath(0).c_str(), 0444), 0);
  const std::string before = sel.Bytes();
  EditorModel m = LoadEditorModel(sel.session.v2Frames);
  EditorFields fields = m.loaded;
  fields[0] = u"changed";
  RecordingReporter rep;
  EXPECT_FALSE(WriteEditorTag(m, fields, sel.session, rep));
  ASSERT_EQ(rep.updateErrors.size(), 1u);
  EXPECT_EQ(sel.Bytes(), before);
  EXPECT_EQ(m.kept[0].ListText(), u"TIT1:7");
  EXPECT_EQ(Pairs(sel.session.v2Frames),
            (std::vector<std::pair<std::u16string, std::u16string>>{{u"TIT2", u"changed"}, {u"TIT1", u"7"}}));
  EXPECT_TRUE(sel.session.v2Frames[1].fromFile);
}

// A sort reading is read under any id other programs write; the standard id wins over
// the v2.2 id and the draft's wherever they stand, and the losers are not kept.
TEST(EditorModel, ExtraFieldsTakeTheFrameOfTheHighestRank) {
  const std::pair<std::vector<std::u16string>, std::u16string> cases[] = {
      {{u"XSOT", u"TSOT"}, u"TSOT"},
      {{u"TSOT", u"XSOT"}, u"TSOT"},
      {{u"XSOT", std::u16string(u"TST\0", 4)}, std::u16string(u"TST\0", 4)},
      {{u"TST", u"XSOT"}, u"TST"},
      {{u"XSOT"}, u"XSOT"},
  };
  for (const auto& [ids, shown] : cases) {
    V2FrameTable table;
    for (const auto& id : ids) table.push_back(Entry(id, id));
    const EditorModel m = LoadEditorModel(table);
    EXPECT_EQ(m.extraLoaded[static_cast<int>(ExtraField::TitleSort)], shown);
    EXPECT_TRUE(m.kept.empty());
  }
}

// Not written: the unchanged extra field's entry is still the frame in the file; a
// changed one holds its new text under the id it would be written under.
TEST(EditorModel, AFailedWriteListsTheExtraFieldsAsTheFileStillHoldsThem) {
  std::string tag = "ID3\x03" + std::string(2, '\0') + Synchsafe(100) + Frame("TRCK", std::string("\0" "7", 2)) +
                    Frame("XSOP", std::string("\0abc", 4));
  tag.resize(110, '\0');
  Selected sel(tag + Audio(1000));
  ASSERT_EQ(::chmod(sel.session.FilePath(0).c_str(), 0444), 0);
  EditorModel m = LoadEditorModel(sel.session.v2Frames);
  ExtraFields extras = m.extraLoaded;
  EXPECT_EQ(extras[static_cast<int>(ExtraField::ArtistSort)], u"abc");  // decoded from the draft's frame
  extras[static_cast<int>(ExtraField::ArtistSort)] = u"ABC";
  RecordingReporter rep;
  EXPECT_FALSE(WriteEditorTag(m, m.loaded, extras, sel.session, rep));
  EXPECT_EQ(Pairs(sel.session.v2Frames),
            (std::vector<std::pair<std::u16string, std::u16string>>{{u"TRCK", u"7"}, {u"TSOP", u"ABC"}}));
  EXPECT_TRUE(sel.session.v2Frames[0].fromFile);
  EXPECT_FALSE(sel.session.v2Frames[1].fromFile);
}
