// What the ID3v2 editor holds and does, without its window: the seven fields and the
// list of other frames taken from the session's frame table, the fills of
// "ﾌｧｲﾙ参照(F7)" and "v1参照(F8)", and the write, after which the session's frame table
// and listing describe what the editor wrote.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/frame_ids.h"
#include "formats/id3v2_reader.h"
#include "formats/id3v2_writer.h"
#include "session/frame_roles.h"
#include "session/session.h"

namespace vq {

using EditorFields = std::array<std::u16string, kEditorFieldCount>;
// The track, disc and sort reading fields' texts (ExtraField order).
using ExtraFields = std::array<std::u16string, kExtraFieldCount>;

// One line of the editor's list: a frame without a field.
struct KeptLine {
  std::u16string id;    // as read ("TT1"), as written ("TIT1"), or empty when a write dropped it
  std::u16string text;  // the decoded text, empty for a frame without one (a picture)
  std::optional<V2FrameEntry> frame;  // the frame it came from
  // What the list shows: id, ":" and the text; "" for a dropped line.
  std::u16string ListText() const;
};

struct EditorModel {
  // The fields' values as loaded (shown above the fields; "やり直し(F4)" goes back to them).
  EditorFields loaded;
  // The frame each field was loaded from (the last one of its ids).
  std::array<std::optional<V2FrameEntry>, kEditorFieldCount> fieldFrames;
  std::vector<KeptLine> kept;
  // The extra fields as loaded, the frame each was loaded from (ExtraFieldOf's claims:
  // see there; the frames a field passed over are not kept), and that frame's index in the
  // table, so that a frame written again stays where it was among the kept lines (-1: none).
  ExtraFields extraLoaded;
  std::array<std::optional<V2FrameEntry>, kExtraFieldCount> extraFrames;
  std::array<int, kExtraFieldCount> extraPlaces{-1, -1, -1, -1, -1};
  // Each kept line's index in the table it was loaded from (parallel to `kept`).
  std::vector<int> keptPlaces;
};

// Fields, extra fields and kept lines from the table, in table order; a later frame of a
// field replaces an earlier one.
EditorModel LoadEditorModel(const V2FrameTable& table);

// What the main window showed when it opened the editor.
struct MainWindowTexts {
  std::array<std::u16string, 3> names;     // folder, subfolder and file name
  std::array<std::u16string, 6> v1Fields;  // title, artist, album, comment, year, genre
  bool fileNameMode = false;
};

// "ﾌｧｲﾙ参照(F7)": fills the empty fields from the names (the file name without its last
// four characters; a name shorter than that fills nothing) and comment, year and genre
// from the main window's fields. The composer is never filled.
void FillFromNames(EditorFields& fields, const MainWindowTexts& main);
// "v1参照(F8)": fills the empty fields from the main window's ID3v1 fields, trailing
// spaces removed. The composer is never filled.
void FillFromV1(EditorFields& fields, const MainWindowTexts& main);

// "v2更新(F9)": writes the fields and the kept lines into the session's selected file
// through WriteV2Tag. A field whose text is still the loaded one goes over as the frame
// it came from. On success the kept lines take the ids they were written under (a
// v2.2 id converted, a line without a v2.3 form emptied). Written or not, the session's
// frame table and listing are rebuilt from the fields and the lines, each entry with the
// frame as it is in the file now (written) or still is (not written), so that another
// write without a new read carries pictures and other frames over again. Returns
// whether the tag was written; failures reach the reporter.
//
// The extra fields are written with the kept lines: one still holding its loaded text
// goes over as the frame it came from, in that frame's place (a v2.2 id converted); one
// with a new text becomes a new TRCK, TPOS, TSOT, TSOP or TSOA frame, in the place of
// the frame it replaces (a sort reading read under TST or XSOT is written as TSOT), or
// after the kept lines; an emptied one writes nothing.
bool WriteEditorTag(EditorModel& model, const EditorFields& fields, const ExtraFields& extras, Session& session,
                    WriteReporter& reporter);
// The same with the extra fields as loaded.
bool WriteEditorTag(EditorModel& model, const EditorFields& fields, Session& session, WriteReporter& reporter);

}  // namespace vq
