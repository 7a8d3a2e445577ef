#include "passes/undo.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "passes/journal_format.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/safe_rename.h"
#include "platform/text.h"

namespace vq {
namespace {

constexpr char16_t kChangedSince[] = u"処理の後に変更されているため、元に戻しませんでした。";
constexpr char16_t kOutside[] =
    u"処理したフォルダの外にあるか、MP3ファイルではないため、元に戻しませんでした。";
constexpr char16_t kRunning[] =
    u"この処理はまだ実行中か、ほかで元に戻しているところです。終わってからもう一度試してください。";

// Whether `path` lies below `folder`, without "." or ".." parts that could lead out.
bool IsBelow(const std::string& path, const std::string& folder) {
  if (folder.empty() || folder[0] != '/') return false;
  const std::string prefix = folder == "/" ? folder : folder + "/";
  if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) return false;
  for (std::size_t start = prefix.size(); start <= path.size();) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string_view part(path.data() + start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    start = end + 1;
  }
  return path.find('\0') == std::string::npos;
}

bool IsMp3Name(const std::string& path) {
  if (path.size() < 4) return false;
  std::string end = path.substr(path.size() - 4);
  for (char& c : end) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return end == ".mp3";
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

ItemChange Skip(const std::u16string& why) {
  ItemChange c;
  c.kind = ItemChange::Kind::Skip;
  c.why = why;
  return c;
}

ItemChange Change(ItemChange::Kind kind, std::string target) {
  ItemChange c;
  c.kind = kind;
  c.target = std::move(target);
  return c;
}

}  // namespace

class UndoPlanner final : public Planner {
 public:
  explicit UndoPlanner(JournalContents journal) : journal_(std::move(journal)) {
    // Newest first: a file the pass met twice (under two names) gets its first state
    // back, and a folder the pass removed is there again before its files return.
    for (std::size_t k = journal_.records.size(); k-- > 0;) {
      const JournalRecord& r = journal_.records[k];
      if (r.withdrawn) continue;
      order_.push_back(k);
      items_.push_back(ItemOfPath(r.kind == RecordKind::Rename ? r.target : r.path));
    }
  }

  const std::vector<PassItem>& items() const { return items_; }
  const JournalRecord& RecordOf(std::size_t item) const { return journal_.records[order_[item]]; }
  bool Inside(std::size_t item) const {
    const JournalRecord& r = RecordOf(item);
    const std::string& folder = journal_.info.folder;
    switch (r.kind) {
      case RecordKind::Tags: return IsBelow(r.path, folder) && IsMp3Name(r.path);
      case RecordKind::Rename: return IsBelow(r.path, folder) && IsBelow(r.target, folder);
      default: return IsBelow(r.path, folder);
    }
  }
  // Whether the item is one of the pass's files (not a folder it made or removed).
  bool CountsAsFile(std::size_t item) const {
    const RecordKind k = RecordOf(item).kind;
    return k == RecordKind::Tags || k == RecordKind::Rename || k == RecordKind::Created;
  }

  // A file's tags are opened (only a regular file opens: a FIFO or a device never does);
  // renames, created files and folders are not.
  Access AccessFor(std::size_t item) const override {
    return Inside(item) && RecordOf(item).kind == RecordKind::Tags ? Access::Open : Access::None;
  }

  ItemChange Plan(std::size_t item, const FileAtHand* at) override {
    if (!Inside(item)) return Skip(kOutside);
    const JournalRecord& r = RecordOf(item);
    switch (r.kind) {
      case RecordKind::Tags: return PlanTags(r, *at);
      case RecordKind::Rename: return PlanRename(r);
      case RecordKind::Created: return PlanCreated(r);
      case RecordKind::FolderMade:
        return Exists(r.path) ? Change(ItemChange::Kind::RemoveFolder, r.path) : ItemChange();
      case RecordKind::FolderRemoved:
        return Exists(r.path) ? ItemChange() : Change(ItemChange::Kind::MakeFolder, r.path);
    }
    return {};
  }

 private:
  enum class FileState { AsWritten, AsBefore, Changed };

  static ItemChange PlanTags(const JournalRecord& r, const FileAtHand& at) {
    const RawFile& file = at.file;
    const std::uint64_t length = at.length;
    auto read = [&](std::uint64_t headLength, std::uint64_t tailLength, std::string& head, std::string& tail) {
      head.resize(static_cast<std::size_t>(headLength));
      tail.resize(static_cast<std::size_t>(tailLength));
      file.ReadAt(0, head.data(), head.size());
      file.ReadAt(length - tailLength, tail.data(), tail.size());
    };
    std::string head, tail;
    FileState state = FileState::Changed;
    if (length == r.newLength && length >= r.newHeadLength + r.newTailLength) {
      read(r.newHeadLength, r.newTailLength, head, tail);
      if (JournalChecksum(head, tail) == r.newSum) state = FileState::AsWritten;
    }
    if (state == FileState::Changed && length == r.oldLength && length >= r.oldHeadLength + r.oldTail.size()) {
      std::string oldHead, oldTail;
      read(r.oldHeadLength, r.oldTail.size(), oldHead, oldTail);
      if (JournalChecksum(oldHead, oldTail) == r.oldSum) state = FileState::AsBefore;
    }
    if (state == FileState::AsBefore) return {};
    std::optional<std::string> oldHead;
    if (state == FileState::AsWritten) oldHead = OldHeadFrom(r, head);
    if (!oldHead) return Skip(kChangedSince);
    // The pass's head and tail give way to the old ones.
    ItemChange c;
    c.kind = ItemChange::Kind::Tags;
    c.headChanges = r.newHeadLength > 0 || r.oldHeadLength > 0;
    c.oldHeadLength = r.newHeadLength;
    c.head = std::move(*oldHead);
    c.tailChanges = r.newTailLength > 0 || !r.oldTail.empty();
    c.oldTailLength = r.newTailLength;
    c.tail = r.oldTail;
    c.times = FileTimes{r.accessed, r.modified};
    c.headAsRead = std::move(head);
    c.tailAsRead = std::move(tail);
    return c;
  }

  // The file back under its old name when it still has the new one.
  static ItemChange PlanRename(const JournalRecord& r) {
    const bool atNew = Exists(r.target), atOld = Exists(r.path);
    if (atNew && atOld) {
      // Where the file system ignores letter case, a rename that changed only the case
      // finds the file under both spellings; the folder's own spelling tells which one
      // it has.
      if (SameEntryIgnoringCase(r.target, r.path)) return Change(ItemChange::Kind::Rename, r.path);
      if (SameEntryIgnoringCase(r.path, r.target)) return {};
      return Skip(kChangedSince);
    }
    if (atNew) return Change(ItemChange::Kind::Rename, r.path);
    if (atOld) return {};
    return Skip(kChangedSince);
  }

  static ItemChange PlanCreated(const JournalRecord& r) {
    struct stat st {};
    if (::lstat(r.path.c_str(), &st) != 0) return {};
    if (!S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) != r.newLength) return Skip(kChangedSince);
    RawFile file(r.path, RawFile::Mode::Read);
    std::string bytes(static_cast<std::size_t>(r.newLength), '\0');
    file.ReadAt(0, bytes.data(), bytes.size());
    if (JournalChecksum(bytes) != r.newSum) return Skip(kChangedSince);
    return Change(ItemChange::Kind::Remove, r.path);
  }

  JournalContents journal_;
  std::vector<std::size_t> order_;  // record numbers, newest first
  std::vector<PassItem> items_;
};

namespace {

// Counts what became of the pass's files, and passes everything on.
class Counting final : public RelayObserver {
 public:
  Counting(PassObserver& to, const UndoPlanner& planner, UndoResult& result)
      : RelayObserver(to), planner_(planner), result_(result) {}
  void Finished(std::size_t item, ItemOutcome outcome) override {
    if (planner_.CountsAsFile(item) && outcome == ItemOutcome::Changed) ++result_.restored;
    if (outcome == ItemOutcome::Skipped || outcome == ItemOutcome::Failed) ++result_.skipped;
    RelayObserver::Finished(item, outcome);
  }

 private:
  const UndoPlanner& planner_;
  UndoResult& result_;
};

}  // namespace

// The journal, locked for the undo: a running pass holds its journal, and so does
// another undo of it.
class PassUndo::Held {
 public:
  explicit Held(const std::string& path) {
    FaultInjection::CheckPoint(FileOp::Open);
    fd_ = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
      if (errno == ELOOP) throw Error(ErrorKind::Io, kNoJournalText);
      ThrowErrno(errno);
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd_);
      throw Error(ErrorKind::Io, kNoJournalText);
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd_);
      throw Error(ErrorKind::InUse, kRunning);
    }
  }
  ~Held() { ::close(fd_); }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;

  // The mark that undo ran over the journal. Best effort: without it the journal is
  // listed as not undone, and undo run again finds its files as they were.
  void MarkUndone() {
    std::string mark;
    journal::AppendRecord(mark, journal::kUndone, {});
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return;
    if (::pwrite(fd_, mark.data(), mark.size(), st.st_size) == static_cast<ssize_t>(mark.size())) ::fsync(fd_);
  }

 private:
  int fd_ = -1;
};

PassUndo::PassUndo(const std::string& journalPath)
    : held_(std::make_unique<Held>(journalPath)), planner_(std::make_unique<UndoPlanner>(ReadJournal(journalPath))) {}

PassUndo::~PassUndo() = default;

const std::vector<PassItem>& PassUndo::items() const { return planner_->items(); }

UndoResult PassUndo::Run(PassObserver& observer, bool dryRun) {
  PassSettings settings;
  settings.kind = PassKind::Undo;
  settings.dryRun = dryRun;
  settings.onFailure = FailurePolicy::GoOnAlways;
  settings.unwritableFailsAtOnce = true;
  UndoResult result;
  Counting counting(observer, *planner_, result);
  const PassResult pass = RunPass(planner_->items(), *planner_, settings, counting);
  result.stopped = pass.stopped;
  result.done = pass.done;
  if (!dryRun && (result.restored > 0 || (result.skipped == 0 && !pass.stopped))) held_->MarkUndone();
  return result;
}

std::u16string UndoResultText(const UndoResult& result) {
  std::u16string text = FormatThousands(static_cast<std::int64_t>(result.restored)) + u" 曲を元に戻しました。\r\n" +
                        u"そのままにした曲: " + FormatThousands(static_cast<std::int64_t>(result.skipped)) + u" 曲";
  if (result.skipped > 0) text += u"(処理の後に変更されていたか、書き込めなかった曲)";
  return text;
}

}  // namespace vq
