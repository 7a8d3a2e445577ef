#include "passes/batch_pass.h"

#include <sys/stat.h>

#include <algorithm>
#include <optional>

#include "passes/derive_names.h"
#include "passes/journal.h"
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

// With a journal, the files of a pass wait in groups before they are written: one flush
// of the journal records what puts the whole group back, then one sync of each file
// system makes its rebuilt copies durable, and each file is written or takes its name in
// list order and is counted done. A flush per file would cost a journal commit and a
// sync each. Rebuilt copies are bounded by count and bytes; files written in place by
// count (each holds its file open and locked, and its new tag, until it is written).
// Without a journal a file written in place is written at once.
constexpr std::size_t kGroupRebuilds = 64;
constexpr std::uint64_t kGroupBytes = 128u << 20;
constexpr std::size_t kGroupFiles = 256;
constexpr std::size_t kNoRecord = static_cast<std::size_t>(-1);

class Pass {
 public:
  Pass(const std::string& folder, const std::vector<ListedFile>& rows, const BatchSettings& settings,
       BatchCallbacks& callbacks, Session* state)
      : folder_(folder), shownFolder_(DecodePath(folder)), rows_(rows), settings_(settings), callbacks_(callbacks),
        state_(state) {
    if (!settings.dryRun && !settings.journalFolder.empty())
      journal_.emplace(settings.journalFolder, PassKind::Batch, folder);
  }

  BatchResult Run() {
    for (std::size_t i = 0; i < rows_.size() && !ended_; ++i) {
      if (callbacks_.StopRequested()) {
        Commit();
        result_.stopped = true;
        break;
      }
      TagRow(i);
    }
    if (!ended_) Commit();
    if (journal_) {
      // Only withdrawals can be left; without them undo finds those files as they were.
      try {
        journal_->Flush();
      } catch (const Error&) {
      }
      result_.journal = journal_->path();
    }
    return result_;
  }

 private:
  // A file planned and waiting for its group's turn.
  struct Waiting {
    std::size_t row = 0;
    std::size_t record = kNoRecord;          // its journal record
    std::optional<PendingRebuild> rebuild;   // a rebuilt copy waiting for its name
    // Else written in place through the open file (nothing to write: not open).
    RawFile file;
    FileIdentity identity;
    std::optional<BatchID3v1Change> v1;
    bool v2 = false;
    std::vector<OutFrame> frames;
    std::string newTag;      // the new tag region, when made beforehand for the journal
    std::int32_t existingSize = 0;
    std::string oldTag;      // the tag region as read, which a failed write puts back
    std::string oldTail;     // the last 128 bytes as read
    std::uint64_t length = 0;
    struct timespec times[2] {};
  };

  // Tag buffers of written files, kept for the next ones: a group of a few hundred files
  // holds tens of megabytes, which would otherwise be given back and faulted in again.
  std::string SpareBuffer() {
    if (spare_.empty()) return {};
    std::string b = std::move(spare_.back());
    spare_.pop_back();
    return b;
  }
  void KeepBuffer(std::string&& b) {
    if (b.capacity() == 0) return;
    b.clear();
    spare_.push_back(std::move(b));
  }

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

  // Writes a file planned in place: the ID3v1 step, then the tag over the old one. A
  // failure puts back what was written.
  void WriteInPlace(Waiting& w) {
    bool v1Written = false, inPlace = false;
    try {
      if (w.v1) {
        ApplyBatchID3v1(w.file, *w.v1);
        v1Written = true;
      }
      if (w.v2) {
        const std::int32_t size =
            w.newTag.empty() ? WriteBatchV2Tag(w.file, w.frames, w.existingSize, callbacks_, &inPlace)
                             : (inPlace = true, WriteTagRegionInPlace(w.file, w.newTag, w.existingSize, callbacks_));
        if (state_) state_->v2TagSize = size;
      }
      w.file.Close();
    } catch (...) {
      w.file = RawFile();
      std::string oldTag;
      if (inPlace) {
        // A file journalled kept only its new tag; the journal has what was there.
        try {
          oldTag = w.oldTag.empty() && journal_ ? journal_->OldHeadOf(w.record, w.newTag) : w.oldTag;
        } catch (const Error&) {
        }
      }
      Restore(Prefix(w.row) + rows_[w.row].name, oldTag, v1Written ? &w.length : nullptr, &w.oldTail, w.times);
      throw;
    }
  }

  // The waiting files' turn: the journal flushed, each file system synced once, then each
  // file written or renamed in list order. The first failure ends the pass there; the
  // files behind it are given up and stay as they were.
  void Commit() {
    std::size_t k = 0;
    try {
      if (journal_ && journal_->HasUnflushed()) journal_->Flush();
      GroupSync syncs;
      for (Waiting& w : waiting_)
        if (w.rebuild) syncs.Sync(*w.rebuild);
      for (; k < waiting_.size() && !ended_; ++k) {
        Waiting& w = waiting_[k];
        const bool writes = w.rebuild || w.file.IsOpen();
        if (w.rebuild)
          CommitRebuild(*w.rebuild, callbacks_, false);
        else if (writes)
          WriteInPlace(w);
        Done(w.row, writes);
      }
    } catch (const Error& e) {
      Fail(waiting_[k].row, e);
    } catch (const std::exception&) {
      Fail(waiting_[k].row, Error(ErrorKind::Io));
    }
    // Given up: the failing file (a failed write has already put itself back) and the
    // ones behind it, or the rest after the callbacks ended the pass.
    for (; k < waiting_.size(); ++k) {
      Waiting& w = waiting_[k];
      if (w.rebuild) DiscardRebuild(*w.rebuild);
      w.file = RawFile();
      if (journal_ && w.record != kNoRecord) journal_->Withdraw(w.record);
    }
    for (Waiting& w : waiting_) {
      KeepBuffer(std::move(w.oldTag));
      KeepBuffer(std::move(w.newTag));
    }
    waiting_.clear();
    waitingRebuilds_ = 0;
    waitingBytes_ = 0;
  }

  void Wait(Waiting&& w) {
    if (w.rebuild) {
      ++waitingRebuilds_;
      waitingBytes_ += w.rebuild->read.size;
    }
    waiting_.push_back(std::move(w));
    if (waiting_.size() >= kGroupFiles || waitingRebuilds_ >= kGroupRebuilds || waitingBytes_ >= kGroupBytes) Commit();
  }

  bool Waits(const std::string& path) const {
    if (waiting_.empty()) return false;
    const std::optional<FileIdentity> id = IdentityOf(path);
    if (!id) return false;
    for (const Waiting& w : waiting_) {
      const FileIdentity& held = w.rebuild ? w.rebuild->read : w.identity;
      if (held.device == id->device && held.inode == id->inode) return true;
    }
    return false;
  }

  void TagRow(std::size_t i) {
    const ListedFile& row = rows_[i];
    const std::string path = Prefix(i) + row.name;
    // A file already waiting under another name (a link) is written before it is opened
    // again: it holds the lock.
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

  // Reads file i and decides what it gets; the file waits for its group.
  void TagFile(std::size_t i, const std::string& path) {
    const ListedFile& row = rows_[i];
    DerivedNames names = DeriveRowNames(shownFolder_, row);
    Waiting w;
    w.row = i;
    w.oldTag = SpareBuffer();
    // Open for writing, the file is locked: what is read here is what is written over.
    // A dry run only reads, but a file the pass could not write fails as it would.
    if (settings_.dryRun && IsReadOnly(path)) throw Error(ErrorKind::PathFileAccess);
    RawFile file(path, settings_.dryRun ? RawFile::Mode::Read : RawFile::Mode::ReadWrite);
    {
      struct stat st {};
      if (fstat(file.fd(), &st) == 0) w.times[0] = st.st_atim, w.times[1] = st.st_mtim;
    }
    w.length = file.Length();
    FileSource src(file);
    V2Header header = ReadV2Header(src);
    const bool v2Step = settings_.v2 && !(header.present && settings_.createNewOnly);
    // The new tag is decided before anything is written: a tag that claims more than
    // lies before the ID3v1 record is refused before the ID3v1 step can move the file's
    // end, and so is a file with other hard links whose tag must grow.
    std::int32_t existingSize = 0;
    if (settings_.v2) {
      V2FrameTable table;
      if (v2Step && header.present) {
        existingSize = header.size;
        std::u16string listing;
        // One read instead of two per frame; the same bytes (a footer's too) put the
        // file back if the write over them fails.
        w.oldTag.resize(static_cast<std::size_t>(ClaimedTagLength(file)));
        file.ReadAt(0, w.oldTag.data(), w.oldTag.size());
        ReadV2Frames(MemorySource(w.oldTag), header, table, listing);
      }
      if (state_) {
        state_->v2TagSize = existingSize;
        state_->v2Frames = table;
      }
      if (v2Step) {
        w.frames = BatchFrames(std::move(table), names, settings_.unicode ? TextChoice::Unicode : TextChoice::CodePage);
        if ((existingSize <= 0 || existingSize < FramesSize(w.frames)) && file.LinkCount() > 1)
          throw Error(ErrorKind::HardLinked);
      }
    }
    const bool rebuild = v2Step && (existingSize <= 0 || existingSize < FramesSize(w.frames));
    // The ID3v1 step's record; a file shorter than a record fails here, before anything
    // is written.
    if (settings_.v1)
      w.v1 = PlanBatchID3v1(file, names.FileTitle, names.FolderName, names.SubfolderName, settings_.createNewOnly);
    if (settings_.dryRun) {
      callbacks_.Planned({i, names.FileTitle, names.FolderName, names.SubfolderName, w.v1.has_value(), v2Step});
      Done(i, false);
      return;
    }
    if (w.v1 && w.v1->replace) {
      w.oldTail.resize(128);
      file.ReadAt(w.length - 128, w.oldTail.data(), w.oldTail.size());
    }
    const bool writes = v2Step || w.v1;
    if (writes && journal_) {
      std::string& newHead = w.newTag;
      if (v2Step) {
        newHead = SpareBuffer();
        PutNewHead(newHead, w.frames, existingSize, w.oldTag.size());
      }
      FileChange change;
      change.path = path;
      if (v2Step) change.oldHead = w.oldTag, change.newHead = newHead;
      if (w.v1) {
        change.oldTail = w.oldTail;
        change.newTail = std::string_view(reinterpret_cast<const char*>(&w.v1->record), sizeof w.v1->record);
      }
      change.oldLength = w.length;
      change.accessed = w.times[0];
      change.modified = w.times[1];
      w.record = journal_->Record(change);
    }
    if (rebuild) {
      // The file itself is only read: its ID3v1 step goes into the copy, which waits for
      // the group's flush before it takes the file's name.
      const std::int32_t size = RoundedTagSize(FramesSize(w.frames));
      PendingRebuild pending = PrepareRebuild(file, w.frames, size, std::max(existingSize, 0), callbacks_);
      try {
        if (w.v1) ApplyBatchID3v1(pending.temp, *w.v1);
      } catch (...) {
        DiscardRebuild(pending);
        throw;
      }
      if (state_) state_->v2TagSize = size;
      pending.temp.StartWriteback();
      w.rebuild.emplace(std::move(pending));
      w.frames.clear();
      KeepBuffer(std::move(w.oldTag));
      KeepBuffer(std::move(w.newTag));
    } else if (writes) {
      w.v2 = v2Step;
      w.existingSize = existingSize;
      w.identity = file.Identity();
      w.file = std::move(file);
      // The tag written is the one the journal recorded, and the journal has the old one:
      // a group holds only the new tags.
      if (!w.newTag.empty() || !v2Step) w.frames.clear();
      if (journal_) KeepBuffer(std::move(w.oldTag));
    }
    if (!rebuild && !journal_) {
      // Without a journal a file is written at once, after the rebuilt files before it
      // have taken their names.
      Commit();
      if (ended_) return;
      waiting_.push_back(std::move(w));
      Commit();
      return;
    }
    Wait(std::move(w));
  }

  const std::string& folder_;
  const std::u16string shownFolder_;
  const std::vector<ListedFile>& rows_;
  const BatchSettings& settings_;
  BatchCallbacks& callbacks_;
  Session* state_;
  BatchResult result_;
  bool ended_ = false;
  std::optional<PassJournal> journal_;
  std::vector<Waiting> waiting_;
  std::vector<std::string> spare_;
  std::size_t waitingRebuilds_ = 0;
  std::uint64_t waitingBytes_ = 0;
};

}  // namespace

BatchResult RunBatch(const std::string& folder, const std::vector<ListedFile>& rows, const BatchSettings& settings,
                     BatchCallbacks& callbacks, Session* state) {
  return Pass(folder, rows, settings, callbacks, state).Run();
}

}  // namespace vq
