#include "batch/batch_pass.h"

#include <sys/stat.h>

#include <algorithm>
#include <optional>

#include "batch/derive_names.h"
#include "formats/bytesource.h"
#include "formats/frame_ids.h"
#include "formats/id3v1.h"
#include "formats/id3v2_reader.h"
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

namespace {

// Rebuilt files wait, written but not flushed, until one sync of their file system makes
// a group of them durable; then each takes its name in list order and is counted done.
// One flush per file would cost a journal commit each.
constexpr std::size_t kGroupFiles = 64;
constexpr std::uint64_t kGroupBytes = 128u << 20;

class Pass {
 public:
  Pass(const std::string& folder, const std::vector<ListedFile>& rows, const BatchSettings& settings,
       BatchCallbacks& callbacks, Session* state)
      : folder_(folder), shownFolder_(DecodePath(folder)), rows_(rows), settings_(settings), callbacks_(callbacks),
        state_(state) {}

  BatchResult Run() {
    for (std::size_t i = 0; i < rows_.size() && !ended_; ++i) {
      if (callbacks_.StopRequested()) {
        Commit();
        result_.stopped = true;
        return result_;
      }
      TagRow(i);
    }
    if (!ended_) Commit();
    return result_;
  }

 private:
  struct Waiting {
    std::size_t row;
    PendingRebuild rebuild;
  };

  std::string Prefix(std::size_t i) const { return FolderPrefix(folder_, rows_[i].subfolderEntry); }

  void Fail(std::size_t i, const Error& e) {
    ReportFailure(callbacks_, e, DecodePath(Prefix(i)), rows_[i].displayName);
    result_.failed = true;
    ended_ = true;
  }

  // After file i was completed: its date, then the count.
  void Done(std::size_t i, bool written) {
    const ListedFile& row = rows_[i];
    // Keep the file's date whenever this pass changed the file; a row whose date could
    // not be read has none to put back.
    if (written && settings_.keepDate && row.modified != 0)
      SetFileTimes(Prefix(i) + row.name, row.modified, row.modifiedNs);
    result_.done = i + 1;
    if (!callbacks_.Progress(i + 1, rows_.size())) {
      result_.stopped = i + 1 < rows_.size();
      ended_ = true;
    }
  }

  // The waiting rebuilds take their names in list order: one sync of each file system
  // they are on first. The first failure ends the pass there; the rebuilds behind it are
  // given up and their files stay as they were.
  void Commit() {
    std::size_t k = 0;
    try {
      std::vector<dev_t> synced;
      for (Waiting& w : waiting_) {
        if (std::find(synced.begin(), synced.end(), w.rebuild.read.device) != synced.end()) continue;
        w.rebuild.temp.SyncFileSystem();
        synced.push_back(w.rebuild.read.device);
      }
      for (; k < waiting_.size() && !ended_; ++k) {
        CommitRebuild(waiting_[k].rebuild, callbacks_, false);
        Done(waiting_[k].row, true);
      }
    } catch (const Error& e) {
      Fail(waiting_[k].row, e);
    } catch (const std::exception&) {
      Fail(waiting_[k].row, Error(ErrorKind::Io));
    }
    // Given up: the failing file (a failed commit has already given itself up) and the
    // ones behind it, or the rest after the callbacks ended the pass.
    for (; k < waiting_.size(); ++k) DiscardRebuild(waiting_[k].rebuild);
    waiting_.clear();
    waitingBytes_ = 0;
  }

  bool Waits(const std::string& path) const {
    if (waiting_.empty()) return false;
    const std::optional<FileIdentity> id = IdentityOf(path);
    for (const Waiting& w : waiting_)
      if (id && w.rebuild.read.device == id->device && w.rebuild.read.inode == id->inode) return true;
    return false;
  }

  void TagRow(std::size_t i) {
    const ListedFile& row = rows_[i];
    const std::string path = Prefix(i) + row.name;
    // A file already waiting under another name (a link) is committed before it is
    // opened again: it holds the lock.
    if (Waits(path)) {
      Commit();
      if (ended_) return;
    }
    try {
      TagFile(i, path);
    } catch (const Error& e) {
      Commit();  // the files before this one first
      if (!ended_) Fail(i, e);
    } catch (const std::exception&) {
      Commit();
      if (!ended_) Fail(i, Error(ErrorKind::Io));
    }
  }

  void TagFile(std::size_t i, const std::string& path) {
    const ListedFile& row = rows_[i];
    DerivedNames names = DeriveRowNames(shownFolder_, row);
    // What this file looked like where the pass changes it, so that a failure puts it
    // back and no file is left half-tagged: the old end (ID3v1 step), the old tag (an
    // ID3v2 tag rewritten in place) and the times.
    std::optional<ID3v1Undo> v1Undo;
    std::string tagBytes;  // the whole old tag, read once
    bool inPlace = false;  // the ID3v2 step writes over the old tag
    struct timespec times[2] {};
    bool written = false;
    try {
      // Open for writing, the file is locked: what is read here is what is written over.
      // A dry run only reads, but a file the pass could not write fails as it would.
      if (settings_.dryRun && IsReadOnly(path)) throw Error(ErrorKind::PathFileAccess);
      RawFile file(path, settings_.dryRun ? RawFile::Mode::Read : RawFile::Mode::ReadWrite);
      {
        struct stat st {};
        if (fstat(file.fd(), &st) == 0) times[0] = st.st_atim, times[1] = st.st_mtim;
      }
      FileSource src(file);
      V2Header header = ReadV2Header(src);
      const bool v2Step = settings_.v2 && !(header.present && settings_.createNewOnly);
      // The new tag is decided before anything is written: a tag that claims more than
      // lies before the ID3v1 record is refused before the ID3v1 step can move the
      // file's end, and so is a file with other hard links whose tag must grow.
      std::vector<OutFrame> frames;
      std::int32_t existingSize = 0;
      if (settings_.v2) {
        V2FrameTable table;
        if (v2Step && header.present) {
          ClaimedTagLength(file);
          existingSize = header.size;
          std::u16string listing;
          // One read instead of two per frame; the same bytes put the file back if the
          // write over them fails.
          tagBytes.resize(10 + static_cast<std::size_t>(header.size));
          file.ReadAt(0, tagBytes.data(), tagBytes.size());
          ReadV2Frames(MemorySource(tagBytes), header, table, listing);
        }
        if (state_) {
          state_->v2TagSize = existingSize;
          state_->v2Frames = table;
        }
        if (v2Step) {
          frames = BatchFrames(std::move(table), names, settings_.unicode ? TextChoice::Unicode : TextChoice::CodePage);
          if ((existingSize <= 0 || existingSize < FramesSize(frames)) && file.LinkCount() > 1)
            throw Error(ErrorKind::HardLinked);
        }
      }
      const bool rebuild = v2Step && (existingSize <= 0 || existingSize < FramesSize(frames));
      if (settings_.dryRun) {
        PlannedFile plan{i, names.FileTitle, names.FolderName, names.SubfolderName, false, v2Step};
        if (settings_.v1)
          plan.v1 = PlanBatchID3v1(file, names.FileTitle, names.FolderName, names.SubfolderName,
                                   settings_.createNewOnly).has_value();
        callbacks_.Planned(plan);
        Done(i, false);
        return;
      }
      if (rebuild && !(settings_.v1 && file.Length() < 128)) {
        // The file itself is only read: its ID3v1 step goes into the copy, which waits
        // for the group's flush before it takes the file's name.
        std::optional<BatchID3v1Change> v1;
        if (settings_.v1)
          v1 = PlanBatchID3v1(file, names.FileTitle, names.FolderName, names.SubfolderName, settings_.createNewOnly);
        const std::int32_t size = RoundedTagSize(FramesSize(frames));
        PendingRebuild pending = PrepareRebuild(file, frames, size, std::max(existingSize, 0), callbacks_);
        try {
          if (v1) ApplyBatchID3v1(pending.temp, *v1);
        } catch (...) {
          DiscardRebuild(pending);
          throw;
        }
        if (state_) state_->v2TagSize = size;
        waitingBytes_ += pending.read.size;
        waiting_.push_back({i, std::move(pending)});
        if (waiting_.size() >= kGroupFiles || waitingBytes_ >= kGroupBytes) Commit();
        return;
      }
      // Written in place: the files waiting before it take their names first.
      Commit();
      if (ended_) return;
      if (settings_.v1) {
        ID3v1Undo undo;
        if (WriteBatchID3v1(file, names.FileTitle, names.FolderName, names.SubfolderName, settings_.createNewOnly,
                            &undo)) {
          written = true;
          v1Undo = std::move(undo);
        }
      }
      if (v2Step) {
        const std::int32_t size = WriteBatchV2Tag(file, frames, existingSize, callbacks_, &inPlace);
        if (file.IsOpen()) file.Close();
        if (state_) state_->v2TagSize = size;
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
    Done(i, written);
  }

  const std::string& folder_;
  const std::u16string shownFolder_;
  const std::vector<ListedFile>& rows_;
  const BatchSettings& settings_;
  BatchCallbacks& callbacks_;
  Session* state_;
  BatchResult result_;
  bool ended_ = false;
  std::vector<Waiting> waiting_;
  std::uint64_t waitingBytes_ = 0;
};

}  // namespace

BatchResult RunBatch(const std::string& folder, const std::vector<ListedFile>& rows, const BatchSettings& settings,
                     BatchCallbacks& callbacks, Session* state) {
  return Pass(folder, rows, settings, callbacks, state).Run();
}

}  // namespace vq
