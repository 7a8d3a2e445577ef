#include "session/editor_model.h"

namespace vq {

namespace {

std::u16string WithoutTrailingSpaces(std::u16string_view s) {
  std::size_t n = s.size();
  while (n > 0 && s[n - 1] == u' ') --n;
  return std::u16string(s.substr(0, n));
}

void FillIfEmpty(EditorFields& fields, EditorField field, const std::u16string& text) {
  std::u16string& f = fields[static_cast<std::size_t>(field)];
  if (f.empty()) f = text;
}

const std::u16string& V1(const MainWindowTexts& main, MainField field) {
  return main.v1Fields[static_cast<std::size_t>(field)];
}

// The entry of a frame as it is written: v2.3 layout, with the frame's flags and body.
void CarryFrame(V2FrameEntry& e, const OutFrame& f) {
  e.major = 3;
  e.flags[0] = f.flags[0];
  e.flags[1] = f.flags[1];
  e.body = f.body;
  e.fromFile = true;
}

// The rebuilt table lists each frame with encoding 0 and the text as the field or line
// held it.
class TableBuilder {
 public:
  explicit TableBuilder(V2FrameTable& table) : table_(table) { table_.clear(); }
  void Append(V2FrameEntry e) {
    e.shownEncoding = 0;
    e.fullText = e.text;
    table_.push_back(std::move(e));
  }

 private:
  V2FrameTable& table_;
};

}  // namespace

std::u16string KeptLine::ListText() const { return id.empty() ? std::u16string() : id + u":" + text; }

EditorModel LoadEditorModel(const V2FrameTable& table) {
  EditorModel m;
  for (const auto& e : table) {
    const int k = EditorFieldOf(e.id);
    if (k >= 0) {
      m.loaded[static_cast<std::size_t>(k)] = e.text;
      m.fieldFrames[static_cast<std::size_t>(k)] = e;
    } else {
      m.kept.push_back({e.id, e.text, e});
    }
  }
  return m;
}

void FillFromNames(EditorFields& fields, const MainWindowTexts& main) {
  const std::u16string& name = main.names[2];
  const bool haveName = name.size() >= 4;
  const std::u16string stem = haveName ? name.substr(0, name.size() - 4) : std::u16string();
  if (main.fileNameMode) {
    if (haveName) {
      FillIfEmpty(fields, EditorField::Title, stem);
      FillIfEmpty(fields, EditorField::Album, stem);
      FillIfEmpty(fields, EditorField::Artist, stem);
    }
  } else {
    if (haveName) FillIfEmpty(fields, EditorField::Title, stem);
    FillIfEmpty(fields, EditorField::Album, main.names[1]);   // subfolder
    FillIfEmpty(fields, EditorField::Artist, main.names[0]);  // folder
  }
  FillIfEmpty(fields, EditorField::Comment, V1(main, MainField::Comment));
  FillIfEmpty(fields, EditorField::Year, V1(main, MainField::Year));
  FillIfEmpty(fields, EditorField::Genre, V1(main, MainField::Genre));
}

void FillFromV1(EditorFields& fields, const MainWindowTexts& main) {
  const struct {
    EditorField to;
    MainField from;
  } kFills[] = {{EditorField::Title, MainField::Title},     {EditorField::Album, MainField::Album},
                {EditorField::Artist, MainField::Artist},   {EditorField::Comment, MainField::Comment},
                {EditorField::Year, MainField::Year},       {EditorField::Genre, MainField::Genre}};
  for (const auto& f : kFills) FillIfEmpty(fields, f.to, WithoutTrailingSpaces(V1(main, f.from)));
}

bool WriteEditorTag(EditorModel& model, const EditorFields& fields, Session& session, WriteReporter& reporter) {
  const int row = session.selectedRow;
  EditorWriteInput in;
  in.fieldTexts = fields;
  in.fieldIds = EditorFieldIds();
  for (int k = 0; k < kEditorFieldCount; ++k) {
    const auto idx = static_cast<std::size_t>(k);
    const auto& frame = model.fieldFrames[idx];
    if (frame && frame->fromFile && EditorFieldOf(frame->id) == k && fields[idx] == model.loaded[idx])
      in.fieldSources[idx] = &*frame;
  }
  for (const KeptLine& line : model.kept)
    in.keptLines.push_back({line.id, line.text, line.frame ? &*line.frame : nullptr});
  in.path = session.FilePath(row);
  in.folderPrefix = session.ShownFolderPrefix(row);
  in.fileName = session.ShownFileName(row);
  in.v2TagSize = &session.v2TagSize;
  in.frameTableEmpty = session.v2Frames.empty();
  in.textChoice = session.unicodeV2 ? TextChoice::Unicode : TextChoice::CodePage;
  in.recordedDate = session.DateToKeep(row);
  if (const ListedFile* r = session.Row(row)) in.recordedDateNs = r->modifiedNs;
  in.keepDate = in.recordedDate != 0;  // a row whose date could not be read has none to put back

  const EditorWriteResult result = WriteV2Tag(in, reporter);
  const EditorFrames& plan = result.plan;
  auto frameOf = [&plan](int index) { return index >= 0 ? &plan.frames[static_cast<std::size_t>(index)] : nullptr; };

  TableBuilder out(session.v2Frames);
  for (int k = 0; k < kEditorFieldCount; ++k) {
    const auto idx = static_cast<std::size_t>(k);
    if (fields[idx].empty()) continue;
    V2FrameEntry e;
    e.id = WidenId(EditorFieldId(k));
    e.text = fields[idx];
    if (const OutFrame* f = frameOf(plan.fields[idx])) CarryFrame(e, *f);
    out.Append(std::move(e));
  }
  for (std::size_t i = 0; i < model.kept.size(); ++i) {
    KeptLine& line = model.kept[i];
    V2FrameEntry e;
    if (result.written) {
      const WrittenLine& w = plan.kept[i];
      line.id = w.id;
      if (line.id.empty()) continue;  // dropped: no v2.3 form
      const OutFrame* f = frameOf(w.frame);
      if (line.text.empty()) {
        // A frame without text (a picture): listed under the id it has in the file now.
        if (!f) continue;
        e.id = WidenId(f->id);
      } else {
        e.id = line.id;
      }
      e.text = line.text;
      if (f && WidenId(f->id) == e.id) CarryFrame(e, *f);
    } else {
      if (line.id.empty()) continue;
      // Nothing was written: the file still holds the frames as they were read.
      const bool inFile = line.frame && line.frame->fromFile && line.frame->id == line.id;
      if (line.text.empty() && !inFile) continue;
      if (inFile) e = *line.frame;
      e.id = line.id;
      e.text = line.text;
    }
    out.Append(std::move(e));
  }
  return result.written;
}

}  // namespace vq
