// The one engine under every pass. A pass is a planner: given one item (a file, or a
// folder) as the engine has opened and read it, it says what changes. The engine owns
// everything else, the same way for every pass:
//
//   - one order: the items in the order given (name order), each opened once; a file
//     the pass already holds under another name (a link) is written before it is opened
//     again; a file another process holds fails at once as in use;
//   - the lock: a file is open and locked from its read to its write;
//   - the journal: a change is recorded, and the record flushed, before the change is
//     made; a change given up is withdrawn;
//   - groups: changes wait in groups (bounded by count and by bytes held in memory); one
//     journal flush and one sync of each file system make a group durable, then each
//     change is made in list order;
//   - reports: an item is reported finished only once it is written; a failure is
//     reported once, naming the file; a failed write puts back what it wrote;
//   - the stop: before each item (and before each write of a group) the observer is
//     asked whether to stop (a signal, a closed window); the pass then ends cleanly,
//     each file either as it was or completely written;
//   - the dry run: everything is planned and reported, nothing is opened for writing.
#pragma once

#include <time.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/id3v2_reader.h"
#include "passes/pass_kind.h"
#include "platform/fileio.h"
#include "session/messages.h"

namespace vq {

// One item of a pass: the file (or folder) it concerns, by its bytes and as messages
// show it.
struct PassItem {
  std::string path;
  std::u16string shownFolder;  // the folder as messages show it, ending in "/"
  std::u16string shownName;
};

// The item of a path: its folder and name as shown.
PassItem ItemOfPath(const std::string& path);

// A file as its planner sees it.
class FileAtHand {
 public:
  FileAtHand(const RawFile& file, std::string& tagBuffer) : file(file), tagBuffer_(tagBuffer) {}
  const RawFile& file;  // open: locked for writing in a real run, read only in a dry run
  std::uint64_t length = 0;
  struct timespec accessed {}, modified {};
  V2Header header;        // with Access::Tags: the ID3v2 header the file begins with
  bool writable = true;   // false: a file that may not be written (see PassSettings)
  // The whole ID3v2 tag region [0, ClaimedTagLength) as it is, a v2.4 footer included;
  // empty without a tag. Read on the first call; throws Error(TagTooLong) for a tag that
  // claims more than lies before the ID3v1 record.
  std::string_view Tag() const;
  bool TagRead() const { return tagRead_; }
  // An empty string whose buffer a written file gave back, for the new head: a group of a
  // few hundred files holds tens of megabytes, which would otherwise be given back and
  // faulted in again for each file.
  std::string Buffer() const;

 private:
  friend class PassBuffers;
  std::string& tagBuffer_;
  mutable bool tagRead_ = false;
  std::function<std::string()> lend_;
};

struct FileTimes {
  struct timespec accessed {}, modified {};
};

// What changes in one item.
struct ItemChange {
  enum class Kind : std::uint8_t {
    None,          // the item stays as it is
    Skip,          // the item is left alone for a reason (`why`), which is reported
    Tags,          // the file's first and last bytes
    Rename,        // the item takes the path `target`, never over an existing name
    Create,        // a new file `target` with `bytes`, never over an existing name
    Remove,        // the file `target` goes
    MakeFolder,    // the folder `target` is made
    RemoveFolder,  // the folder `target` goes when it is empty; else the item ends Unchanged
  };
  Kind kind = Kind::None;
  // Tags: the first `oldHeadLength` bytes become `head`, when headChanges; the last
  // `oldTailLength` bytes (0 or an ID3v1 record's 128) become `tail`, when tailChanges.
  // A head of another length rebuilds the file through a temporary copy.
  bool headChanges = false, tailChanges = false;
  std::uint64_t oldHeadLength = 0, oldTailLength = 0;
  std::string head, tail;
  // The bytes they replace as the planner read them from the open file, when it did:
  // the engine then need not read them again.
  std::optional<std::string> headAsRead, tailAsRead;
  // The times the written file gets; none: the write's own time.
  std::optional<FileTimes> times;
  std::string target;
  std::string bytes;
  std::u16string why;

  bool Changes() const { return kind != Kind::None && kind != Kind::Skip; }
};

class Planner {
 public:
  virtual ~Planner() = default;
  enum class Access : std::uint8_t {
    Tags,  // opened, and its ID3v2 tag region read
    Open,  // opened, nothing read
    None,  // not opened (a rename, a folder)
  };
  virtual Access AccessFor(std::size_t item) const { return Access::Tags; }
  // What changes in item `item`; `file` is nullptr with Access::None. Throws Error: the
  // item fails (reported with its name).
  virtual ItemChange Plan(std::size_t item, const FileAtHand* file) = 0;
};

// How an item ended, as the observer hears it.
enum class ItemOutcome : std::uint8_t {
  Changed,    // written (in a dry run: would be)
  Unchanged,  // nothing to change
  Skipped,    // left alone for the planner's reason
  Failed,     // a failure, reported
};

// A failure of one item, as the observer hears it.
struct ItemFailure {
  std::size_t item;
  const PassItem& file;
  const Error& error;
  UserMessage message;  // the failure's message, naming the file
};

class PassObserver {
 public:
  virtual ~PassObserver() = default;
  // Once, before the first item: the items the pass goes over (they outlive the pass).
  virtual void Started(const std::vector<PassItem>& items) {}
  // Asked before each item and before each write: true ends the pass there.
  virtual bool StopRequested() { return false; }
  // Each item once, in list order, once it is final: in a real run after it is written.
  virtual void Finished(std::size_t item, ItemOutcome outcome) {}
  // A skipped item's reason, just before its Finished.
  virtual void Skipped(std::size_t item, const std::u16string& why) {}
  // A failure, once, in list order.
  virtual void Failed(const ItemFailure& failure) = 0;
  // After each finished item: `done` of `count`.
  virtual void Progress(std::size_t done, std::size_t count) {}
  // Once before a new ID3v2 header is written.
  virtual void HeaderWriting() {}
  // Lets window events run (once between a rebuilt copy's flush and its rename).
  virtual void Yield() {}
};

// An observer that passes everything on to another; a pass's own observer derives from
// it to count what it needs and leave the rest to its caller's.
class RelayObserver : public PassObserver {
 public:
  explicit RelayObserver(PassObserver& to) : to_(to) {}
  void Started(const std::vector<PassItem>& items) override { to_.Started(items); }
  bool StopRequested() override { return to_.StopRequested(); }
  void Finished(std::size_t item, ItemOutcome outcome) override { to_.Finished(item, outcome); }
  void Skipped(std::size_t item, const std::u16string& why) override { to_.Skipped(item, why); }
  void Failed(const ItemFailure& failure) override { to_.Failed(failure); }
  void Progress(std::size_t done, std::size_t count) override { to_.Progress(done, count); }
  void HeaderWriting() override { to_.HeaderWriting(); }
  void Yield() override { to_.Yield(); }

 private:
  PassObserver& to_;
};

enum class FailurePolicy : std::uint8_t {
  StopAtFirst,          // the first failing item ends the pass; the items after it stay as they are
  GoOnAfterUnreadable,  // an item that cannot be read or planned is reported and the pass goes on;
                        // a failing write ends it
  GoOnAlways,           // every failure is reported and the pass goes on
};

struct PassSettings {
  PassKind kind = PassKind::Batch;
  bool dryRun = false;
  std::string journalFolder;  // where the journal goes; empty: no journal
  std::string folder;         // the folder the pass runs over, as its journal names it
  FailurePolicy onFailure = FailurePolicy::StopAtFirst;
  // A file that may not be written fails as soon as it is opened, even when nothing of
  // it would change; else it is read, and fails only when it would change.
  bool unwritableFailsAtOnce = true;
};

struct PassResult {
  std::size_t done = 0;      // items finished (changed, unchanged, skipped, failed and gone past)
  std::size_t changed = 0;   // items written (in a dry run: that would be)
  std::size_t skipped = 0;
  std::size_t failures = 0;  // items that failed (each reported)
  bool stopped = false;      // the observer ended the pass before its last item
  std::string journal;       // the pass's journal; empty when it changed nothing
  bool failed() const { return failures > 0; }
};

PassResult RunPass(const std::vector<PassItem>& items, Planner& planner, const PassSettings& settings,
                   PassObserver& observer);

}  // namespace vq
