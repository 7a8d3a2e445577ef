#include "v2editor/editor_tag.h"

#include "platform/fileio.h"

namespace vq {

namespace {

std::u16string Line(std::u16string_view id, std::u16string_view text) {
  std::u16string line(id);
  line += u':';
  line += text;
  return line;
}

std::u16string WidenId(const std::string& id) {
  std::u16string out;
  for (char c : id) out.push_back(static_cast<unsigned char>(c));
  return out;
}

// What the writer gets: the fields as lines ahead of the kept lines, so that a field can
// name the frame it came from like a kept line does. The frames come out in the same
// order and form as from the writer's field texts.
struct WriterLines {
  std::vector<std::u16string> lines;
  std::vector<const V2FrameEntry*> sources;
  std::array<int, kEditorFieldCount> fieldLine{};  // index in lines, -1 for an empty field
  std::size_t fieldCount = 0;
};

WriterLines MakeWriterLines(const EditorWriteState& s) {
  WriterLines w;
  for (int k = 0; k < kEditorFieldCount; ++k) {
    const std::u16string& text = s.fields[k];
    if (text.empty()) {
      w.fieldLine[k] = -1;
      continue;
    }
    w.fieldLine[k] = static_cast<int>(w.lines.size());
    const auto& frame = s.fieldFrames[k];
    if (frame && frame->fromFile && EditorFieldOf(frame->id) == k && text == s.loaded[k]) {
      w.lines.push_back(Line(frame->id, text));
      w.sources.push_back(&*frame);
    } else {
      w.lines.push_back(Line(WidenId(EditorFieldId(k)), text));
      w.sources.push_back(nullptr);
    }
  }
  w.fieldCount = w.lines.size();
  for (std::size_t i = 0; i < s.keptLines.size(); ++i) {
    w.lines.push_back(s.keptLines[i]);
    w.sources.push_back(i < s.keptFrames.size() ? &s.keptFrames[i] : nullptr);
  }
  return w;
}

// The frame the writer makes from one line, by the writer's own rules.
std::optional<OutFrame> FrameOfLine(const std::u16string& line, const V2FrameEntry* source) {
  std::vector<std::u16string> lines{line};
  EditorWriteInput in;
  in.KeptFrameLines = &lines;
  in.keptSources = {source};
  try {
    EditorFrames built = BuildEditorFrames(in);
    if (built.frames.size() == 1) return std::move(built.frames[0]);
  } catch (const Error&) {
    // Too long to be written: there is no frame to carry.
  }
  return std::nullopt;
}

void CarryFrame(V2FrameEntry& e, const OutFrame& f) {
  e.major = 3;
  e.flags[0] = f.flags[0];
  e.flags[1] = f.flags[1];
  e.body = f.body;
  e.fromFile = true;
}

class TableBuilder {
 public:
  TableBuilder(V2FrameTable& table, std::u16string& listing) : table_(table), listing_(listing) {
    ResetV2FrameTable(table_);
    listing_.clear();
  }
  // The reset table's single empty entry is replaced by the first one.
  void Append(V2FrameEntry e) {
    listing_ += e.id;
    listing_ += u"(0) ";
    listing_ += e.text;
    listing_ += u"\r\n";
    if (!replaced_) {
      table_[0] = std::move(e);
      replaced_ = true;
    } else {
      table_.push_back(std::move(e));
    }
  }

 private:
  V2FrameTable& table_;
  std::u16string& listing_;
  bool replaced_ = false;
};

}  // namespace

EditorContent LoadEditorContent(const V2FrameTable& table) {
  EditorContent c;
  for (const auto& e : table) {
    if (e.id.empty()) continue;
    int k = EditorFieldOf(e.id);
    if (k >= 0) {
      c.fields[k] = e.text;
      c.fieldFrames[k] = e;
    } else {
      c.keptLines.push_back(Line(e.id, e.text));
      c.keptFrames.push_back(e);
    }
  }
  return c;
}

EditorWriteResult WriteEditorTag(const EditorWriteState& state, const EditorTarget& target, WriteReporter& reporter) {
  WriterLines w = MakeWriterLines(state);
  EditorWriteInput in;
  in.KeptFrameLines = &w.lines;
  in.keptSources = w.sources;
  in.path = target.path;
  in.folderPrefix = target.folderPrefix;
  in.fileName = target.fileName;
  in.V2TagSize = target.V2TagSize;
  in.frameListingEmpty = target.frameListingEmpty;
  in.keepDate = target.keepDate;
  in.recordedDate = target.recordedDate;

  EditorWriteResult result;
  result.written = WriteV2Tag(in, reporter);
  if (result.written) {
    result.keptLines.assign(w.lines.begin() + static_cast<std::ptrdiff_t>(w.fieldCount), w.lines.end());
  } else {
    result.keptLines = state.keptLines;
  }
  return result;
}

void RebuildFrameTable(const EditorWriteState& state, const EditorWriteResult& result, V2FrameTable& table,
                       std::u16string& listing) {
  const WriterLines w = MakeWriterLines(state);
  TableBuilder out(table, listing);

  for (int k = 0; k < kEditorFieldCount; ++k) {
    if (w.fieldLine[k] < 0) continue;
    V2FrameEntry e;
    e.id = WidenId(EditorFieldId(k));
    e.text = state.fields[k];
    const auto line = static_cast<std::size_t>(w.fieldLine[k]);
    if (auto f = FrameOfLine(w.lines[line], w.sources[line])) CarryFrame(e, *f);
    out.Append(std::move(e));
  }

  for (std::size_t i = 0; i < result.keptLines.size(); ++i) {
    const std::u16string& after = result.keptLines[i];
    const auto colon = after.find(u':');
    if (colon == std::u16string::npos) continue;  // dropped by the writer
    const std::u16string id = after.substr(0, colon);
    const std::u16string text = after.substr(colon + 1);
    const V2FrameEntry* source = i < state.keptFrames.size() ? &state.keptFrames[i] : nullptr;

    V2FrameEntry e;
    if (result.written) {
      const std::u16string& before = i < state.keptLines.size() ? state.keptLines[i] : after;
      std::optional<OutFrame> f = FrameOfLine(before, source);
      if (text.empty()) {
        // A frame without text (a picture): listed under the id it has in the file now.
        if (!f) continue;
        e.id = WidenId(f->id);
      } else {
        e.id = id;
      }
      e.text = text;
      if (f && WidenId(f->id) == e.id) CarryFrame(e, *f);
    } else {
      // Nothing was written: the file still holds the frames as they were read.
      const bool inFile = source && source->fromFile && source->id == id;
      if (text.empty() && !inFile) continue;
      if (inFile) e = *source;
      e.id = id;
      e.text = text;
    }
    out.Append(std::move(e));
  }
}

}  // namespace vq
