#include "passes/journal.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "passes/journal_format.h"
#include "passes/journal_reader.h"
#include "platform/app_paths.h"
#include "platform/safe_rename.h"

namespace vq {

namespace journal {

std::uint64_t Checksum(std::string_view s) { return XXH3_64bits(s.data(), s.size()); }
std::uint64_t Checksum(std::string_view head, std::string_view tail) {
  return Checksum(head) * 11400714785074694791ULL + Checksum(tail);
}

void Put(std::string& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void PutBytes(std::string& out, std::string_view bytes) {
  Put(out, bytes.size(), 4);
  out.append(bytes);
}
void AppendRecord(std::string& out, char type, std::string_view payload) {
  out.push_back(type);
  PutBytes(out, payload);
  Put(out, Checksum(payload), 8);
}

bool IsJournalName(std::string_view name) {
  const std::size_t n = std::strlen(kJournalEnd);
  return name.size() > n && name[0] != '.' && name.substr(name.size() - n) == kJournalEnd;
}

}  // namespace journal

namespace {

using namespace journal;

constexpr char16_t kNotWritten[] = u"元に戻すための記録(ジャーナル)を書き込めませんでした。ファイルは変更されていません。";

// Literal bytes, with long runs of zero bytes recorded as their length.
void PutLiteral(std::string& segments, std::uint32_t& count, std::string_view bytes) {
  std::size_t start = 0, i = 0;
  while (i < bytes.size()) {
    if (bytes[i] != '\0') {
      ++i;
      continue;
    }
    std::size_t run = i;
    while (run < bytes.size() && bytes[run] == '\0') ++run;
    if (run - i >= kZeroRunMin) {
      if (i > start) {
        segments.push_back(kLiteral), PutBytes(segments, bytes.substr(start, i - start));
        ++count;
      }
      segments.push_back(kZeros), Put(segments, run - i, 4);
      ++count;
      start = run;
    }
    i = run;
  }
  if (start < bytes.size()) {
    segments.push_back(kLiteral), PutBytes(segments, bytes.substr(start));
    ++count;
  }
}

// The old head as segments: the bodies of the new head's frames (a v2.3 tag, as the
// writer makes it) that the old head holds too, in order, are recorded by their place
// in the new head.
std::string HeadSegments(std::string_view oldHead, std::string_view newHead, std::uint32_t& count) {
  std::string segments;
  count = 0;
  std::size_t oldPos = 0;
  std::size_t at = 10;
  while (newHead.size() >= 10 && at + 10 <= newHead.size() && newHead[at] != '\0') {
    const auto* h = reinterpret_cast<const unsigned char*>(newHead.data() + at);
    const std::size_t size = (std::size_t{h[4]} << 24) | (std::size_t{h[5]} << 16) | (std::size_t{h[6]} << 8) | h[7];
    const std::size_t body = at + 10;
    if (size > newHead.size() - body) break;
    if (size >= kSharedMin && oldPos < oldHead.size()) {
      // Looked for by its first bytes, then compared whole: a search for the whole body
      // would first digest all of it.
      const char* const end = oldHead.data() + oldHead.size();
      const char* from = oldHead.data() + oldPos;
      const char* found = nullptr;
      while (!found && static_cast<std::size_t>(end - from) >= size) {
        const auto* hit =
            static_cast<const char*>(::memmem(from, static_cast<std::size_t>(end - from), newHead.data() + body, 32));
        if (!hit || static_cast<std::size_t>(end - hit) < size) break;
        if (std::memcmp(hit, newHead.data() + body, size) == 0) found = hit;
        from = hit + 1;
      }
      if (found) {
        const std::size_t oldAt = static_cast<std::size_t>(found - oldHead.data());
        PutLiteral(segments, count, oldHead.substr(oldPos, oldAt - oldPos));
        segments.push_back(kFromNewHead), Put(segments, body, 8), Put(segments, size, 4);
        ++count;
        oldPos = oldAt + size;
      }
    }
    at = body + size;
  }
  PutLiteral(segments, count, oldHead.substr(std::min(oldPos, oldHead.size())));
  return segments;
}

std::string TwoDigits(int v) { return std::string(1, static_cast<char>('0' + v / 10)) + static_cast<char>('0' + v % 10); }

}  // namespace

std::string JournalFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return std::string(state) + "/velquist";
  const char* home = std::getenv("HOME");
  return std::string(home && home[0] ? home : "") + "/.local/state/velquist";
}

PassJournal::PassJournal(std::string journalFolder, PassKind kind, std::string folder)
    : folderOfJournals_(std::move(journalFolder)), kind_(kind), folder_(std::move(folder)) {}

std::size_t PassJournal::Append(char type, std::string_view payload) {
  AppendRecord(pending_, type, payload);
  return records_++;
}

std::size_t PassJournal::Record(const FileChange& c) {
  std::string p;
  PutBytes(p, c.path);
  Put(p, static_cast<std::uint64_t>(c.accessed.tv_sec), 8);
  Put(p, static_cast<std::uint64_t>(c.accessed.tv_nsec), 8);
  Put(p, static_cast<std::uint64_t>(c.modified.tv_sec), 8);
  Put(p, static_cast<std::uint64_t>(c.modified.tv_nsec), 8);
  const std::uint64_t newLength = c.oldLength - c.oldHead.size() - c.oldTail.size() + c.newHead.size() + c.newTail.size();
  Put(p, c.oldLength, 8);
  Put(p, newLength, 8);
  Put(p, c.oldHead.size(), 8);
  Put(p, c.newHead.size(), 8);
  PutBytes(p, c.oldTail);
  Put(p, c.newTail.size(), 4);
  Put(p, Checksum(c.oldHead, c.oldTail), 8);
  Put(p, Checksum(c.newHead, c.newTail), 8);
  std::uint32_t count = 0;
  const std::string segments = HeadSegments(c.oldHead, c.newHead, count);
  Put(p, count, 4);
  p += segments;
  return Append(kTags, p);
}

std::size_t PassJournal::RecordRename(const std::string& from, const std::string& to) {
  std::string p;
  PutBytes(p, from);
  PutBytes(p, to);
  return Append(kRename, p);
}

std::size_t PassJournal::RecordCreated(const std::string& path, std::string_view bytes) {
  std::string p;
  PutBytes(p, path);
  Put(p, bytes.size(), 8);
  Put(p, Checksum(bytes), 8);
  return Append(kCreated, p);
}

std::size_t PassJournal::RecordFolderMade(const std::string& path) {
  std::string p;
  PutBytes(p, path);
  return Append(kFolderMade, p);
}

std::size_t PassJournal::RecordFolderRemoved(const std::string& path) {
  std::string p;
  PutBytes(p, path);
  return Append(kFolderRemoved, p);
}

void PassJournal::Withdraw(std::size_t number) {
  std::string p;
  Put(p, number, 4);
  AppendRecord(pending_, kWithdrawn, p);
}

// The journal is made under a hidden name of its own, given its header and first records,
// flushed, and only then takes its name: a journal is never seen empty or without its
// header, even when its pass is stopped or killed while creating it.
void PassJournal::Create() {
  MakeUserFolders(folderOfJournals_);
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  struct tm t {};
  ::localtime_r(&now.tv_sec, &t);
  const std::string stamp = std::to_string(t.tm_year + 1900) + TwoDigits(t.tm_mon + 1) + TwoDigits(t.tm_mday) + "-" +
                            TwoDigits(t.tm_hour) + TwoDigits(t.tm_min) + TwoDigits(t.tm_sec) + "-" +
                            std::to_string(::getpid());
  // A new file of its own: a name that exists (even as a dangling link) is never taken.
  std::string hidden;
  for (int k = 0;; ++k) {
    hidden = folderOfJournals_ + "/." + stamp + "-" + std::to_string(k) + kNewJournalEnd;
    try {
      file_ = CreateNewFile(hidden, 0600);  // it holds the user's tags and paths
      break;
    } catch (const Error& e) {
      if (e.kind() != ErrorKind::AlreadyExists || k > 100) throw;
    }
  }
  try {
    std::string head(kMagic, 4);
    Put(head, static_cast<std::uint8_t>(kind_), 1);
    Put(head, static_cast<std::uint64_t>(now.tv_sec), 8);
    Put(head, static_cast<std::uint64_t>(now.tv_nsec), 8);
    PutBytes(head, folder_);
    pending_.insert(0, head);
    file_.WriteAt(0, pending_.data(), pending_.size());
    file_.Sync();
    std::string name = stamp;
    for (int k = 2;; ++k) {
      path_ = folderOfJournals_ + "/" + name + kJournalEnd;
      try {
        RenameNoReplace(hidden, path_);
        break;
      } catch (const Error& e) {
        if (e.kind() != ErrorKind::NameTaken || k > 100) throw;
      }
      name = stamp + "-" + std::to_string(k);
    }
  } catch (...) {
    file_ = RawFile();
    ::unlink(hidden.c_str());
    path_.clear();
    throw;
  }
  SyncFolder(folderOfJournals_);
  PruneJournals(folderOfJournals_, kKeptJournals, path_);
}

void PassJournal::Flush() {
  if (pending_.empty()) return;
  try {
    if (!file_.IsOpen()) {
      Create();
    } else {
      file_.WriteAt(length_, pending_.data(), pending_.size());
      file_.Sync();
    }
    length_ += pending_.size();
    pending_.clear();
  } catch (const Error& e) {
    throw Error(ErrorKind::Io, std::u16string(kNotWritten) + u"\r\n" + e.description());
  }
}

std::string PassJournal::OldHeadOf(std::size_t number, std::string_view newHead) const {
  const JournalContents j = ReadJournal(path_);
  std::optional<std::string> head;
  if (number < j.records.size() && j.records[number].kind == RecordKind::Tags)
    head = OldHeadFrom(j.records[number], newHead);
  if (!head) throw Error(ErrorKind::Io, kNoJournalText);
  return *head;
}

}  // namespace vq
