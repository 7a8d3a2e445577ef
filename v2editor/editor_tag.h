// What the ID3v2 editor holds, without its window: the seven fields and the other
// frames taken from V2FrameTable, the writer's input made from them, and the frame
// table and listing rebuilt after a write.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/frame_ids.h"
#include "formats/id3v2_reader.h"
#include "formats/id3v2_writer.h"

namespace vq {

struct EditorContent {
  // Field texts; when loaded, also the values shown above the fields.
  std::array<std::u16string, kEditorFieldCount> fields;
  // The frame each field was loaded from (the last one of its ids).
  std::array<std::optional<V2FrameEntry>, kEditorFieldCount> fieldFrames;
  // Every other frame: "id:text", and the frame it came from (parallel).
  std::vector<std::u16string> keptLines;
  std::vector<V2FrameEntry> keptFrames;
};

// Fields and kept lines from the table, in table order; a later frame of a field
// replaces an earlier one, entries with an empty id are skipped.
EditorContent LoadEditorContent(const V2FrameTable& table);

// The selected file and the shared state the write uses.
struct EditorTarget {
  std::string path;             // the file's path (its bytes)
  std::u16string folderPrefix;  // as messages show it, ends in "/"
  std::u16string fileName;      // as messages show it
  std::int32_t* V2TagSize = nullptr;
  bool frameListingEmpty = true;
  bool keepDate = false;
  std::time_t recordedDate = 0;
};

// The editor's state at the write.
struct EditorWriteState {
  std::array<std::u16string, kEditorFieldCount> fields;  // current texts
  std::array<std::u16string, kEditorFieldCount> loaded;  // the values as loaded
  std::array<std::optional<V2FrameEntry>, kEditorFieldCount> fieldFrames;
  std::vector<std::u16string> keptLines;  // rewritten as the writer leaves them
  std::vector<V2FrameEntry> keptFrames;   // parallel to keptLines
};

struct EditorWriteResult {
  bool written = false;
  // The kept lines as the writer leaves them: a v2.2 id converted ("TT1:x" becomes
  // "TIT1:x"), a line without a v2.3 form emptied; unchanged when nothing was written.
  std::vector<std::u16string> keptLines;
};

// Writes the tag through WriteV2Tag: the fields in field order, then the kept lines. A
// field whose text is still the loaded one goes over as the frame it came from (a
// comment keeps its language and description, a frame another program wrote keeps its
// bytes); the others are written from their texts.
EditorWriteResult WriteEditorTag(const EditorWriteState& state, const EditorTarget& target, WriteReporter& reporter);

// The table and listing that describe the editor's frames after a write: the fields in
// field order, then the kept lines as the write left them. Each entry carries the frame
// as it is in the file now (written) or still is (not written), so that another write
// without a new read carries pictures and other frames over again; for the same reason
// a kept line without text that stands for a frame in the file is listed ("APIC(0) ")
// and kept in the table.
void RebuildFrameTable(const EditorWriteState& state, const EditorWriteResult& result, V2FrameTable& table,
                       std::u16string& listing);

}  // namespace vq
