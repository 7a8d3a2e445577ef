#include "session/editor_model.h"

#include <algorithm>
#include <limits>

#include "formats/sort_fields.h"

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

// The sort field an extra field shows, if it shows one.
std::optional<SortedField> SortedFieldOf(int extraField) {
  switch (static_cast<ExtraField>(extraField)) {
    case ExtraField::TitleSort: return SortedField::Title;
    case ExtraField::ArtistSort: return SortedField::Artist;
    case ExtraField::AlbumSort: return SortedField::Album;
    default: return std::nullopt;
  }
}

// The line an extra field hands the writer: the frame it was loaded from while it
// holds the loaded text and that frame is written under the field's id, else its text
// under the field's id.
EditorLine ExtraLine(const EditorModel& m, int k, const std::u16string& text) {
  const auto idx = static_cast<std::size_t>(k);
  const std::optional<V2FrameEntry>& src = m.extraFrames[idx];
  const std::string_view id = ExtraFieldId(k);
  if (src && src->fromFile && text == m.extraLoaded[idx]) {
    const FrameIdInfo* info = FrameIdOf(src->id);
    if (src->id == WidenId(id) || (info && info->v23 == id)) return {src->id, text, &*src};
  }
  return {WidenId(id), text, nullptr};
}

// What goes to the writer after the fields, in order: the kept lines and the extra
// fields in the order their frames stood in the table, then the extra fields that were
// not loaded from a frame, in field order.
struct WriteSlot {
  bool extra = false;
  std::size_t index = 0;  // into model.kept, or the extra field
};
std::vector<WriteSlot> WriteSlots(const EditorModel& m, const ExtraFields& extras) {
  std::vector<std::pair<std::pair<int, int>, WriteSlot>> order;
  constexpr int kNew = std::numeric_limits<int>::max();
  for (std::size_t i = 0; i < m.kept.size(); ++i) {
    const int place = i < m.keptPlaces.size() ? m.keptPlaces[i] : kNew;
    order.push_back({{place, static_cast<int>(i)}, {false, i}});
  }
  for (std::size_t k = 0; k < static_cast<std::size_t>(kExtraFieldCount); ++k) {
    // An emptied field writes nothing; an untouched one goes over even without text.
    const bool writes = !extras[k].empty() || (extras[k] == m.extraLoaded[k] && m.extraFrames[k]);
    if (!writes) continue;
    const int place = m.extraPlaces[k] >= 0 ? m.extraPlaces[k] : kNew;
    order.push_back({{place, static_cast<int>(m.kept.size() + k)}, {true, k}});
  }
  std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<WriteSlot> slots;
  slots.reserve(order.size());
  for (const auto& o : order) slots.push_back(o.second);
  return slots;
}

}  // namespace

std::u16string KeptLine::ListText() const { return id.empty() ? std::u16string() : id + u":" + text; }

EditorModel LoadEditorModel(const V2FrameTable& table) {
  EditorModel m;
  std::array<int, kExtraFieldCount> ranks{};
  // A sort reading's field shows the frame the readings pass reads it from too.
  const SortedFields sorted = SortedFieldsOf(table);
  for (std::size_t i = 0; i < table.size(); ++i) {
    const V2FrameEntry& e = table[i];
    const int k = EditorFieldOf(e.id);
    const ExtraFieldClaim extra = k < 0 ? ExtraFieldOf(e.id) : ExtraFieldClaim{};
    if (k >= 0) {
      m.loaded[static_cast<std::size_t>(k)] = e.text;
      m.fieldFrames[static_cast<std::size_t>(k)] = e;
    } else if (extra.field >= 0) {
      const auto x = static_cast<std::size_t>(extra.field);
      if (const std::optional<SortedField> f = SortedFieldOf(extra.field)) {
        if (sorted[static_cast<std::size_t>(*f)].sortFrame != static_cast<int>(i)) continue;
      } else if (extra.rank < ranks[x]) {
        continue;
      }
      ranks[x] = extra.rank;
      m.extraLoaded[x] = SortFrameText(e);
      m.extraFrames[x] = e;
      m.extraPlaces[x] = static_cast<int>(i);
    } else {
      m.kept.push_back({e.id, e.text, e});
      m.keptPlaces.push_back(static_cast<int>(i));
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
  const ExtraFields extras = model.extraLoaded;
  return WriteEditorTag(model, fields, extras, session, reporter);
}

bool WriteEditorTag(EditorModel& model, const EditorFields& fields, const ExtraFields& extras, Session& session,
                    WriteReporter& reporter) {
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
  const std::vector<WriteSlot> slots = WriteSlots(model, extras);
  for (const WriteSlot& slot : slots) {
    if (slot.extra) {
      in.keptLines.push_back(ExtraLine(model, static_cast<int>(slot.index), extras[slot.index]));
    } else {
      const KeptLine& line = model.kept[slot.index];
      in.keptLines.push_back({line.id, line.text, line.frame ? &*line.frame : nullptr});
    }
  }
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
  for (std::size_t s = 0; s < slots.size(); ++s) {
    if (slots[s].extra) {
      const std::size_t k = slots[s].index;
      V2FrameEntry e;
      if (result.written) {
        // Listed under the id it has in the file now.
        const OutFrame* f = frameOf(plan.kept[s].frame);
        if (!f) continue;
        e.id = WidenId(f->id);
        CarryFrame(e, *f);
      } else {
        // The file still holds the frame it was loaded from.
        const std::optional<V2FrameEntry>& src = model.extraFrames[k];
        if (src && src->fromFile && extras[k] == model.extraLoaded[k])
          e = *src;
        else
          e.id = WidenId(ExtraFieldId(static_cast<int>(k)));
      }
      e.text = extras[k];
      out.Append(std::move(e));
      continue;
    }
    KeptLine& line = model.kept[slots[s].index];
    V2FrameEntry e;
    if (result.written) {
      const WrittenLine& w = plan.kept[s];
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
