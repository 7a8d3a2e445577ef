#include "batch/batch_pass.h"

#include <sys/stat.h>

#include <optional>

#include "batch/derive_names.h"
#include "formats/bytesource.h"
#include "formats/frame_ids.h"
#include "formats/id3v1.h"
#include "formats/id3v2_reader.h"
#include "formats/module0.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "session/messages.h"

namespace vq {
namespace {

// Puts a file back as it was before the pass touched it: the old tag bytes at the start
// (when the ID3v2 step wrote in place), the old end (an appended ID3v1 record cut off, a
// replaced one given its old bytes) and its times. Best effort: the failure that made it
// necessary is the one reported.
void Restore(const std::string& path, const std::string& oldTag, const std::uint64_t* length,
             const std::string* tail, const struct timespec* times) {
  if (oldTag.empty() && !length) return;
  try {
    RawFile file(path, RawFile::Mode::ReadWrite);
    if (!oldTag.empty()) file.WriteAt(0, oldTag.data(), oldTag.size());
    if (length) {
      if (file.Length() > *length)
        file.Truncate(*length);
      else if (tail->size() == 128 && *length >= 128)
        file.WriteAt(*length - 128, tail->data(), tail->size());
    }
    SetFileTimes(file, times[0], times[1]);
    file.Close();
  } catch (const std::exception&) {
  }
}

// A failure's message names the file: the update error has its own lines for it; any
// other description gets the folder and name under it.
void ReportFailure(BatchCallbacks& callbacks, const Error& e, const std::u16string& prefix,
                   const std::u16string& name) {
  if (e.kind() == ErrorKind::PathFileAccess)
    callbacks.ReportUpdateError(prefix, name);
  else
    callbacks.ReportError(NamedErrorText(e.description(), prefix, name));
}

}  // namespace

DerivedNames DeriveRowNames(std::u16string_view shownFolder, const ListedFile& row) {
  const std::u16string shownEntry = row.subfolderEntry.empty() ? std::u16string() : kSep + row.subfolderName;
  return DeriveNames(shownFolder, shownEntry, row.displayName);
}

std::vector<OutFrame> BatchFrames(V2FrameTable existing, const DerivedNames& names, TextChoice choice) {
  // The derived value of each role; a value is used once, so a second frame of the
  // same id gets an empty text.
  constexpr BatchRole kRoles[] = {BatchRole::Artist, BatchRole::Album, BatchRole::Title};
  std::optional<std::u16string> values[4];
  values[static_cast<int>(BatchRole::Artist)] = names.FolderName;
  values[static_cast<int>(BatchRole::Album)] = names.SubfolderName;
  values[static_cast<int>(BatchRole::Title)] = names.FileTitle;
  auto take = [&values](BatchRole role) {
    std::optional<std::u16string>& slot = values[static_cast<int>(role)];
    std::u16string value = slot.value_or(u"");
    slot = u"";
    return value;
  };
  std::vector<OutFrame> frames;
  for (V2FrameEntry& e : existing) {
    if (e.id.empty()) continue;
    const FrameIdInfo* info = FrameIdOf(e.id);
    if (info && info->batchRole != BatchRole::None) {
      frames.push_back(MakeTextFrame(info->v23, take(info->batchRole), choice));
      continue;
    }
    if (auto carried = CarryOverFrame(std::move(e))) frames.push_back(std::move(*carried));
  }
  // The derived values no frame took, in the order artist, album, title.
  for (BatchRole role : kRoles) {
    const auto& value = values[static_cast<int>(role)];
    if (value && !value->empty()) frames.push_back(MakeTextFrame(BatchRoleId(role), *value, choice));
  }
  return frames;
}

BatchResult RunBatch(const std::string& folder, const std::vector<ListedFile>& rows, const BatchSettings& settings,
                     BatchCallbacks& callbacks, Session* state) {
  BatchResult result;
  const std::u16string shownFolder = DecodePath(folder);
  const std::size_t count = rows.size();
  for (std::size_t i = 0; i < count; ++i) {
    const ListedFile& row = rows[i];
    const std::string prefix = FolderPrefix(folder, row.subfolderEntry);
    try {
      DerivedNames names = DeriveRowNames(shownFolder, row);
      const std::string path = prefix + row.name;
      bool written = false;
      // What this file looked like where the pass changes it, so that a failure puts
      // it back and no file is left half-tagged: the old end (ID3v1 step), the old
      // tag (an ID3v2 tag rewritten in place) and the times.
      std::optional<ID3v1Undo> v1Undo;
      std::string tagBytes;  // the whole old tag, read once
      bool inPlace = false;  // the ID3v2 step writes over the old tag
      struct timespec times[2] {};
      try {
        // Open for writing, the file is locked: what is read here is what is written over.
        RawFile file(path, RawFile::Mode::ReadWrite);
        {
          struct stat st {};
          if (fstat(file.fd(), &st) == 0) times[0] = st.st_atim, times[1] = st.st_mtim;
        }
        FileSource src(file);
        V2Header header = ReadV2Header(src);
        const bool v2Step = settings.v2 && !(header.present && settings.createNewOnly);
        // The new tag is decided before anything is written: a tag that claims more than
        // lies before the ID3v1 record is refused before the ID3v1 step can move the
        // file's end, and so is a file with other hard links whose tag must grow.
        std::vector<OutFrame> frames;
        std::int32_t existingSize = 0;
        if (settings.v2) {
          V2FrameTable table;
          ResetV2FrameTable(table);
          if (v2Step && header.present) {
            ClaimedTagLength(file);
            existingSize = header.size;
            std::u16string listing;
            // One read instead of two per frame; the same bytes put the file back if
            // the write over them fails.
            tagBytes.resize(10 + static_cast<std::size_t>(header.size));
            file.ReadAt(0, tagBytes.data(), tagBytes.size());
            ReadV2Frames(MemorySource(tagBytes), header, table, listing);
          }
          if (state) {
            state->V2TagSize = existingSize;
            state->V2FrameTable = table;
          }
          if (v2Step) {
            frames = BatchFrames(std::move(table), names, settings.unicode ? TextChoice::Unicode : TextChoice::CodePage);
            if ((existingSize <= 0 || existingSize < FramesSize(frames)) && file.LinkCount() > 1)
              throw Error(ErrorKind::HardLinked);
          }
        }
        if (settings.v1) {
          ID3v1Undo undo;
          if (WriteBatchID3v1(file, names.FileTitle, names.FolderName, names.SubfolderName,
                              settings.createNewOnly, &undo)) {
            written = true;
            v1Undo = std::move(undo);
          }
        }
        if (v2Step) {
          const std::int32_t size = WriteBatchV2Tag(file, frames, existingSize, callbacks, &inPlace);
          if (file.IsOpen()) file.Close();
          if (state) state->V2TagSize = size;
          written = true;
          v1Undo.reset();
          inPlace = false;
        }
        if (file.IsOpen()) file.Close();
        v1Undo.reset();
      } catch (...) {
        Restore(path, inPlace ? tagBytes : std::string(), v1Undo ? &v1Undo->length : nullptr,
                v1Undo ? &v1Undo->tail : nullptr, times);
        throw;
      }
      // Keep the file's date whenever this pass changed the file; a row whose date
      // could not be read has none to put back.
      if (written && settings.keepDate && row.modified != 0) SetFileDate(path, row.modified, row.modifiedNs);
    } catch (const Error& e) {
      ReportFailure(callbacks, e, DecodePath(prefix), row.displayName);
      result.failed = true;
      return result;
    } catch (const std::exception&) {
      ReportFailure(callbacks, Error(ErrorKind::Io), DecodePath(prefix), row.displayName);
      result.failed = true;
      return result;
    }
    result.done = i + 1;
    if (!callbacks.Progress(i + 1, count)) {
      result.stopped = i + 1 < count;
      return result;
    }
  }
  return result;
}

}  // namespace vq
