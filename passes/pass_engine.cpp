#include "passes/pass_engine.h"

#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <new>
#include <optional>
#include <set>

#include "formats/bytesource.h"
#include "formats/id3v2_writer.h"
#include "passes/journal.h"
#include "passes/path_changes.h"
#include "platform/file_names.h"
#include "platform/text.h"

namespace vq {

PassItem ItemOfPath(const std::string& path) {
  const auto slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  return {path, DecodePath(folder), DecodeName(path.substr(slash == std::string::npos ? 0 : slash + 1))};
}

std::string_view FileAtHand::Tag() const {
  if (!tagRead_) {
    tagBuffer_.resize(static_cast<std::size_t>(header.present ? ClaimedTagLength(file) : 0));
    if (!tagBuffer_.empty()) file.ReadAt(0, tagBuffer_.data(), tagBuffer_.size());
    tagRead_ = true;
  }
  return tagBuffer_;
}

std::string FileAtHand::Buffer() const { return lend_ ? lend_() : std::string(); }

// Lends the engine's spare buffers to a file at hand.
class PassBuffers {
 public:
  static void Lend(FileAtHand& at, std::function<std::string()> lend) { at.lend_ = std::move(lend); }
};

namespace {

// Changes wait in groups: one journal flush records what puts the whole group back, then
// one sync of each file system makes its rebuilt copies durable, then each change is made
// in list order. A flush per file would cost a journal commit and a sync each. A group is
// bounded by its count, by the bytes of the rebuilt copies waiting for the sync, and by
// the bytes held in memory (the new tags of files written in place, each file held open
// and locked until then). Without a journal a file written in place is written at once.
constexpr std::size_t kGroupFiles = 256;
constexpr std::size_t kGroupRebuilds = 64;
constexpr std::uint64_t kGroupCopiedBytes = 128u << 20;
constexpr std::uint64_t kGroupHeldBytes = 64u << 20;
constexpr std::size_t kNoRecord = static_cast<std::size_t>(-1);

// The writer's reports go to the observer; failures are the engine's to report.
class WriterReports final : public WriteReporter {
 public:
  explicit WriterReports(PassObserver& observer) : observer_(observer) {}
  void HeaderWriting() override { observer_.HeaderWriting(); }
  void ReportUpdateError(const std::u16string&, const std::u16string&) override {}
  void ReportError(const std::u16string&) override {}
  void Yield() override { observer_.Yield(); }

 private:
  PassObserver& observer_;
};

class Engine {
 public:
  Engine(const std::vector<PassItem>& items, Planner& planner, const PassSettings& settings, PassObserver& observer)
      : items_(items), planner_(planner), settings_(settings), observer_(observer), reports_(observer) {
    if (!settings.dryRun && !settings.journalFolder.empty())
      journal_.emplace(settings.journalFolder, settings.kind, settings.folder);
  }

  PassResult Run() {
    observer_.Started(items_);
    for (std::size_t i = 0; i < items_.size() && !ended_; ++i) {
      if (observer_.StopRequested()) {
        Commit();
        result_.stopped = true;
        break;
      }
      Take(i);
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
  // An item planned and waiting for its group's turn.
  struct Waiting {
    std::size_t item = 0;
    ItemChange change;
    std::optional<Error> failure;           // it could not be read or planned (reported in turn)
    std::size_t record = kNoRecord;         // its journal record
    RawFile file;                           // written in place: open and locked until then
    std::optional<PendingRebuild> rebuild;  // rebuilt: the copy waiting for its name
    FileIdentity identity;                  // the file held
    std::uint64_t length = 0;               // its length as read
    std::string oldHead;                    // without a journal: what a failed write puts back
    std::string oldTail;
    FileTimes before;
  };

  // ------------------------------------------------------------ buffers
  // Tag buffers of written files, kept for the next ones: a group of a few hundred files
  // holds tens of megabytes, which would otherwise be given back and faulted in again.
  std::string SpareBuffer() {
    if (spare_.empty()) return {};
    std::string b = std::move(spare_.back());
    spare_.pop_back();
    spareBytes_ -= b.capacity();
    return b;
  }
  void KeepBuffer(std::string&& b) {
    // The spare buffers stay a fraction of what a group may hold: a group of huge tags
    // must not leave as much again behind it.
    if (b.capacity() == 0 || spareBytes_ + b.capacity() > kGroupHeldBytes / 4) return;
    spareBytes_ += b.capacity();
    b.clear();
    spare_.push_back(std::move(b));
  }

  // ------------------------------------------------------------ reports
  void Finish(std::size_t item, ItemOutcome outcome) {
    ++result_.done;
    if (outcome == ItemOutcome::Changed) ++result_.changed;
    if (outcome == ItemOutcome::Skipped) ++result_.skipped;
    observer_.Finished(item, outcome);
    observer_.Progress(result_.done, items_.size());
  }

  // Reports a failure of `item`; `goesOn` counts it among the items done.
  void ReportFailure(std::size_t item, const Error& e, bool goesOn) {
    const PassItem& it = items_[item];
    ++result_.failures;
    observer_.Failed({item, it, e, PassFileMessage(e, it.shownFolder, it.shownName)});
    if (goesOn) {
      Finish(item, ItemOutcome::Failed);
    } else {
      ended_ = true;
    }
  }

  // ------------------------------------------------------------ planning
  bool Holds(const std::string& path) const {
    if (held_.empty()) return false;
    const std::optional<FileIdentity> id = IdentityOf(path);
    return id && held_.count({id->device, id->inode}) != 0;
  }

  // Opens the file of an item as the planner needs it.
  RawFile Open(const std::string& path, bool& writable) {
    writable = true;
    if (settings_.dryRun) {
      // A dry run only reads; a file the pass could not write is told as it would be.
      RawFile file(path, RawFile::Mode::Read);
      writable = !IsReadOnly(path);
      if (!writable && settings_.unwritableFailsAtOnce) throw Error(ErrorKind::PathFileAccess);
      return file;
    }
    try {
      return RawFile(path, RawFile::Mode::ReadWrite);
    } catch (const Error& e) {
      if (e.kind() != ErrorKind::PathFileAccess || settings_.unwritableFailsAtOnce) throw;
    }
    writable = false;
    return RawFile(path, RawFile::Mode::Read);
  }

  void Take(std::size_t i) {
    const PassItem& item = items_[i];
    const Planner::Access access = planner_.AccessFor(i);
    // A file already waiting under another name (a link) is written before it is opened
    // again: the pass holds its lock.
    if (access != Planner::Access::None && Holds(item.path)) {
      Commit();
      if (ended_) return;
    }
    Waiting w;
    w.item = i;
    std::string tag = SpareBuffer();
    RawFile file;
    bool writable = true, tagRead = false;
    try {
      if (access == Planner::Access::None) {
        w.change = planner_.Plan(i, nullptr);
      } else {
        file = Open(item.path, writable);
        FileAtHand at(file, tag);
        PassBuffers::Lend(at, [this] { return SpareBuffer(); });
        at.writable = writable;
        const struct stat& st = file.OpenedState();
        at.accessed = st.st_atim, at.modified = st.st_mtim;
        at.length = static_cast<std::uint64_t>(st.st_size);
        if (access == Planner::Access::Tags) at.header = ReadV2Header(FileSource(file));
        w.change = planner_.Plan(i, &at);
        w.before = {at.accessed, at.modified};
        w.length = at.length;
        tagRead = at.TagRead();
      }
    } catch (const std::exception& e) {
      KeepBuffer(std::move(tag));
      Failed(std::move(w), AsError(e), false);
      return;
    }
    // Making ready to write: a failure here is a failing write.
    try {
      if (w.change.Changes() && !writable) throw Error(ErrorKind::PathFileAccess);
      if (!settings_.dryRun && w.change.kind == ItemChange::Kind::Tags)
        Prepare(w, file, tagRead ? std::string_view(tag) : std::string_view());
    } catch (const std::exception& e) {
      KeepBuffer(std::move(tag));
      Failed(std::move(w), AsError(e), true);
      return;
    }
    KeepBuffer(std::move(tag));
    if (settings_.dryRun) {
      // Nothing waits: the item is final once planned.
      if (w.change.kind == ItemChange::Kind::Skip) observer_.Skipped(i, w.change.why);
      Finish(i, Outcome(w.change));
      return;
    }
    if (!w.file.IsOpen() && !w.rebuild) RecordPathChange(w);
    Wait(std::move(w));
  }

  static Error AsError(const std::exception& ex) {
    if (const auto* e = dynamic_cast<const Error*>(&ex)) return *e;
    if (dynamic_cast<const std::bad_alloc*>(&ex)) return Error(ErrorKind::Io, u"メモリが不足しています。");
    return Error(ErrorKind::Io);
  }

  static ItemOutcome Outcome(const ItemChange& c) {
    if (c.kind == ItemChange::Kind::Skip) return ItemOutcome::Skipped;
    return c.Changes() ? ItemOutcome::Changed : ItemOutcome::Unchanged;
  }

  // Item `w` failed before its group's turn: while it was read or planned, or (`writing`)
  // while its write was made ready.
  void Failed(Waiting&& w, const Error& e, bool writing) {
    if (w.rebuild) DiscardRebuild(*w.rebuild);
    if (journal_ && w.record != kNoRecord) journal_->Withdraw(w.record);
    w.rebuild.reset();
    w.file = RawFile();
    const bool goesOn = settings_.onFailure == FailurePolicy::GoOnAlways ||
                        (settings_.onFailure == FailurePolicy::GoOnAfterUnreadable && !writing);
    if (!goesOn) {
      Commit();  // the items before this one first
      if (!ended_) ReportFailure(w.item, e, false);
      return;
    }
    if (settings_.dryRun || waiting_.empty()) {
      ReportFailure(w.item, e, true);
      return;
    }
    w.change = ItemChange();
    w.failure.emplace(e);
    Wait(std::move(w));
  }

  // A tags change before its group's turn: recorded in the journal, then either a rebuilt
  // copy made (the file itself only read) or the file kept open with its new bytes.
  void Prepare(Waiting& w, RawFile& file, std::string_view tagAsRead) {
    ItemChange& c = w.change;
    const std::string& path = items_[w.item].path;
    const std::uint64_t oldHead = c.headChanges ? c.oldHeadLength : 0;
    const std::uint64_t oldTail = c.tailChanges ? c.oldTailLength : 0;
    if (oldHead + oldTail > w.length) throw Error(ErrorKind::TagTooLong);
    std::string oldHeadBytes;
    std::string_view oldHeadView;
    if (c.headChanges) {
      if (tagAsRead.size() == oldHead && tagAsRead.data()) {
        oldHeadView = tagAsRead;
      } else if (c.headAsRead && c.headAsRead->size() == oldHead) {
        oldHeadView = *c.headAsRead;
      } else {
        oldHeadBytes.resize(static_cast<std::size_t>(oldHead));
        file.ReadAt(0, oldHeadBytes.data(), oldHeadBytes.size());
        oldHeadView = oldHeadBytes;
      }
    }
    if (oldTail > 0 && c.tailAsRead && c.tailAsRead->size() == oldTail) {
      w.oldTail = std::move(*c.tailAsRead);
    } else if (oldTail > 0) {
      w.oldTail.resize(static_cast<std::size_t>(oldTail));
      file.ReadAt(w.length - oldTail, w.oldTail.data(), w.oldTail.size());
    }
    if (journal_) {
      FileChange change;
      change.path = path;
      if (c.headChanges) change.oldHead = oldHeadView, change.newHead = c.head;
      if (c.tailChanges) change.oldTail = w.oldTail, change.newTail = c.tail;
      change.oldLength = w.length;
      change.accessed = w.before.accessed;
      change.modified = w.before.modified;
      w.record = journal_->Record(change);
    }
    if (c.headChanges && c.head.size() != oldHead) {
      // The file itself is only read: the copy waits for the group's sync before it takes
      // the file's name.
      observer_.HeaderWriting();
      PendingRebuild pending = PrepareRebuildWith(file, c.head, oldHead, w.length - oldTail,
                                                  c.tailChanges ? std::string_view(c.tail) : std::string_view());
      try {
        if (c.times) SetFileTimes(pending.temp, c.times->accessed, c.times->modified);
        pending.temp.StartWriteback();
      } catch (...) {
        DiscardRebuild(pending);
        throw;
      }
      w.rebuild.emplace(std::move(pending));
      KeepBuffer(std::move(c.head));
      KeepBuffer(std::move(c.tail));
      return;
    }
    // Written in place through the open file. Without a journal, the old head is what a
    // failed write puts back; with one, the journal has it.
    const struct stat& st = file.OpenedState();
    w.identity = {st.st_dev, st.st_ino, static_cast<std::uint64_t>(st.st_size), st.st_mtim};
    w.file = std::move(file);
    if (!journal_ && c.headChanges) w.oldHead = std::string(oldHeadView);
  }

  // Records a change that is not a file's tags before it waits.
  void RecordPathChange(Waiting& w) {
    if (!journal_) return;
    const ItemChange& c = w.change;
    const std::string& path = items_[w.item].path;
    switch (c.kind) {
      case ItemChange::Kind::Rename:
        for (const std::string& folder : FoldersToMake(c.target))
          if (madeFolders_.insert(folder).second) journal_->RecordFolderMade(folder);
        w.record = journal_->RecordRename(path, c.target);
        break;
      case ItemChange::Kind::Create: w.record = journal_->RecordCreated(c.target, c.bytes); break;
      case ItemChange::Kind::RemoveFolder: w.record = journal_->RecordFolderRemoved(c.target); break;
      default: break;
    }
  }

  std::uint64_t HeldBytes(const Waiting& w) const {
    if (w.rebuild) return 0;
    return w.change.head.size() + w.change.tail.size() + w.oldHead.size() + w.change.bytes.size();
  }

  void Wait(Waiting&& w) {
    const bool inPlaceNow = w.file.IsOpen() && !journal_;
    if (w.rebuild) {
      ++waitingRebuilds_;
      waitingCopied_ += w.rebuild->read.size;
    }
    waitingHeld_ += HeldBytes(w);
    if (w.rebuild || w.file.IsOpen()) {
      const FileIdentity& held = w.rebuild ? w.rebuild->read : w.identity;
      held_.insert({held.device, held.inode});
    }
    waiting_.push_back(std::move(w));
    if (inPlaceNow || waiting_.size() >= kGroupFiles || waitingRebuilds_ >= kGroupRebuilds ||
        waitingCopied_ >= kGroupCopiedBytes || waitingHeld_ >= kGroupHeldBytes)
      Commit();
  }

  // ------------------------------------------------------------ the group's turn
  void Commit() {
    if (waiting_.empty()) return;
    std::size_t k = 0;
    try {
      if (journal_ && journal_->HasUnflushed()) journal_->Flush();
      GroupSync syncs;
      for (Waiting& w : waiting_)
        if (w.rebuild) syncs.Sync(*w.rebuild);
    } catch (const Error& e) {
      // Nothing of the group was changed: the first change is named, the rest given up.
      while (k < waiting_.size() && !waiting_[k].change.Changes()) ++k;
      ReportFailure(waiting_[std::min(k, waiting_.size() - 1)].item, e, false);
      k = 0;
    }
    PathChanges folders;
    for (; k < waiting_.size() && !ended_; ++k) {
      Waiting& w = waiting_[k];
      if (w.failure) {
        ReportFailure(w.item, *w.failure, true);
        continue;
      }
      if (!w.change.Changes()) {
        if (w.change.kind == ItemChange::Kind::Skip) observer_.Skipped(w.item, w.change.why);
        Finish(w.item, Outcome(w.change));
        continue;
      }
      if (observer_.StopRequested()) {
        result_.stopped = true;
        ended_ = true;
        break;
      }
      try {
        Finish(w.item, Make(w, folders));
      } catch (const std::exception& ex) {
        const Error error = AsError(ex);
        if (w.rebuild) DiscardRebuild(*w.rebuild);
        w.file = RawFile();
        if (journal_ && w.record != kNoRecord) journal_->Withdraw(w.record);
        w.record = kNoRecord;
        const bool goesOn = settings_.onFailure == FailurePolicy::GoOnAlways;
        ReportFailure(w.item, error, goesOn);
        if (!goesOn) {
          ++k;
          break;
        }
      }
    }
    folders.SyncFolders();
    // Given up: the changes behind a failure or a stop stay unmade.
    for (; k < waiting_.size(); ++k) {
      Waiting& w = waiting_[k];
      if (w.rebuild) DiscardRebuild(*w.rebuild);
      w.file = RawFile();
      if (journal_ && w.record != kNoRecord) journal_->Withdraw(w.record);
    }
    for (Waiting& w : waiting_) {
      KeepBuffer(std::move(w.change.head));
      KeepBuffer(std::move(w.change.tail));
      KeepBuffer(std::move(w.oldHead));
    }
    waiting_.clear();
    held_.clear();
    waitingRebuilds_ = 0;
    waitingCopied_ = 0;
    waitingHeld_ = 0;
  }

  // Makes the change; Unchanged when there was nothing to do after all (a folder to be
  // removed that is not empty).
  ItemOutcome Make(Waiting& w, PathChanges& folders) {
    const ItemChange& c = w.change;
    const std::string& path = items_[w.item].path;
    switch (c.kind) {
      case ItemChange::Kind::Tags:
        if (w.rebuild)
          CommitRebuild(*w.rebuild, reports_, false);
        else
          WriteInPlace(w);
        break;
      case ItemChange::Kind::Rename: folders.Rename(path, c.target); break;
      case ItemChange::Kind::Create: folders.Create(c.target, c.bytes); break;
      case ItemChange::Kind::Remove: folders.Remove(c.target); break;
      case ItemChange::Kind::MakeFolder: folders.MakeFolder(c.target); break;
      case ItemChange::Kind::RemoveFolder:
        // A folder that is no longer empty stays; its record is withdrawn.
        if (!folders.RemoveFolderIfEmpty(c.target)) {
          if (journal_ && w.record != kNoRecord) journal_->Withdraw(w.record);
          w.record = kNoRecord;
          return ItemOutcome::Unchanged;
        }
        break;
      default: break;
    }
    return ItemOutcome::Changed;
  }

  // Writes a file planned in place: its head, then its tail, then its times. A failure
  // puts back what was written.
  void WriteInPlace(Waiting& w) {
    const ItemChange& c = w.change;
    const std::uint64_t audioEnd = w.length - (c.tailChanges ? c.oldTailLength : 0);
    bool headWritten = false, tailWritten = false;
    try {
      if (w.file.Length() != w.length) throw Error(ErrorKind::ChangedMeanwhile);
      if (c.headChanges) {
        observer_.HeaderWriting();
        headWritten = true;
        w.file.WriteAt(0, c.head.data(), c.head.size());
      }
      if (c.tailChanges) {
        tailWritten = true;
        if (!c.tail.empty()) w.file.WriteAt(audioEnd, c.tail.data(), c.tail.size());
        if (c.tail.size() < c.oldTailLength) w.file.Truncate(audioEnd + c.tail.size());
      }
      if (c.times) SetFileTimes(w.file, c.times->accessed, c.times->modified);
      w.file.Close();
    } catch (...) {
      PutBack(w, headWritten, tailWritten, audioEnd);
      throw;
    }
  }

  // Best effort: the failure that made it necessary is the one reported.
  void PutBack(Waiting& w, bool headWritten, bool tailWritten, std::uint64_t audioEnd) {
    try {
      std::string oldHead;
      if (headWritten) oldHead = journal_ ? journal_->OldHeadOf(w.record, w.change.head) : w.oldHead;
      if (!w.file.IsOpen()) w.file = RawFile(items_[w.item].path, RawFile::Mode::ReadWrite);
      if (headWritten) w.file.WriteAt(0, oldHead.data(), oldHead.size());
      if (tailWritten) {
        if (!w.oldTail.empty()) w.file.WriteAt(audioEnd, w.oldTail.data(), w.oldTail.size());
        if (w.file.Length() > w.length) w.file.Truncate(w.length);
      }
      SetFileTimes(w.file, w.before.accessed, w.before.modified);
      w.file.Close();
    } catch (const std::exception&) {
    }
    w.file = RawFile();
  }

  const std::vector<PassItem>& items_;
  Planner& planner_;
  const PassSettings& settings_;
  PassObserver& observer_;
  WriterReports reports_;
  PassResult result_;
  bool ended_ = false;
  std::optional<PassJournal> journal_;
  std::vector<Waiting> waiting_;
  std::set<std::pair<dev_t, ino_t>> held_;  // the files the waiting items hold open or copied
  std::vector<std::string> spare_;
  std::uint64_t spareBytes_ = 0;
  std::size_t waitingRebuilds_ = 0;
  std::uint64_t waitingCopied_ = 0, waitingHeld_ = 0;
  std::set<std::string> madeFolders_;
};

}  // namespace

PassResult RunPass(const std::vector<PassItem>& items, Planner& planner, const PassSettings& settings,
                   PassObserver& observer) {
  return Engine(items, planner, settings, observer).Run();
}

}  // namespace vq
