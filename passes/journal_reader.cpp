#include "passes/journal_reader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "formats/id3v2_writer.h"
#include "passes/journal_format.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/text.h"

namespace vq {

const char16_t kNoJournalText[] = u"処理の記録(ジャーナル)として読めないファイルです。";

namespace {

using namespace journal;

// The longest head a record can hold: a whole tag region with a footer.
constexpr std::uint64_t kLongestHead = 10 + static_cast<std::uint64_t>(kMaxTagSize) + 10;
constexpr std::size_t kRecordLength = 128;  // an ID3v1 record

Error NoJournal() { return Error(ErrorKind::Io, kNoJournalText); }

// A journal's bytes: a regular file only (a link is not followed, a FIFO is never waited
// on); `running` tells whether a living pass holds its lock.
std::string ReadJournalBytes(const std::string& path, bool* running) {
  FaultInjection::CheckPoint(FileOp::Open);
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ELOOP) throw NoJournal();
    ThrowErrno(errno);
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw NoJournal();
  }
  if (running) {
    *running = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (!*running) ::flock(fd, LOCK_UN);
  }
  std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    FaultInjection::CheckPoint(FileOp::Read);
    const ssize_t r = ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<std::size_t>(r);
  }
  ::close(fd);
  bytes.resize(done);
  return bytes;
}

bool ParseTags(std::string_view payload, JournalRecord& r) {
  Reader in(payload);
  r.path = std::string(in.Bytes());
  r.accessed.tv_sec = static_cast<time_t>(in.Get(8));
  r.accessed.tv_nsec = static_cast<long>(in.Get(8));
  r.modified.tv_sec = static_cast<time_t>(in.Get(8));
  r.modified.tv_nsec = static_cast<long>(in.Get(8));
  r.oldLength = in.Get(8);
  r.newLength = in.Get(8);
  r.oldHeadLength = in.Get(8);
  r.newHeadLength = in.Get(8);
  r.oldTail = std::string(in.Bytes());
  r.newTailLength = static_cast<std::uint32_t>(in.Get(4));
  r.oldSum = in.Get(8);
  r.newSum = in.Get(8);
  r.segmentCount = static_cast<std::uint32_t>(in.Get(4));
  r.segments = payload.substr(std::min(in.pos(), payload.size()));
  const auto nanos = [](const struct timespec& t) { return t.tv_nsec >= 0 && t.tv_nsec < 1000000000; };
  return !in.bad() && r.oldHeadLength <= kLongestHead && r.newHeadLength <= kLongestHead &&
         r.oldTail.size() <= kRecordLength && r.newTailLength <= kRecordLength &&
         r.oldHeadLength + r.oldTail.size() <= r.oldLength && r.newHeadLength + r.newTailLength <= r.newLength &&
         r.segmentCount <= r.segments.size() && nanos(r.accessed) && nanos(r.modified);
}

bool ParsePaths(std::string_view payload, JournalRecord& r, bool withTarget) {
  Reader in(payload);
  r.path = std::string(in.Bytes());
  if (withTarget) r.target = std::string(in.Bytes());
  return !in.bad() && in.AtEnd() && !r.path.empty() && (!withTarget || !r.target.empty());
}

bool ParseCreated(std::string_view payload, JournalRecord& r) {
  Reader in(payload);
  r.path = std::string(in.Bytes());
  r.newLength = in.Get(8);
  r.newSum = in.Get(8);
  return !in.bad() && in.AtEnd() && !r.path.empty();
}

// Parses a journal's bytes; `withRecords` false counts the changes only.
JournalContents Parse(std::string bytes, const std::string& path, bool withRecords) {
  JournalContents j;
  j.bytes = std::move(bytes);
  Reader in(j.bytes);
  const std::string_view magic = in.Bytes(4);
  const bool v1 = magic == std::string_view(kMagicV1, 4);
  if (!v1 && magic != std::string_view(kMagic, 4)) throw NoJournal();
  const auto kind = in.Get(1);
  if (kind < static_cast<int>(PassKind::Batch) || kind > static_cast<int>(PassKind::Readings)) throw NoJournal();
  j.info.kind = static_cast<PassKind>(kind);
  j.info.started.tv_sec = static_cast<time_t>(in.Get(8));
  j.info.started.tv_nsec = v1 ? 0 : static_cast<long>(in.Get(8) % 1000000000);
  j.info.folder = std::string(in.Bytes());
  if (in.bad()) throw NoJournal();
  j.info.path = path;
  j.info.name = LastComponent(path);
  if (IsJournalName(j.info.name)) j.info.name.resize(j.info.name.size() - std::strlen(kJournalEnd));

  // Files changed, renamed or created count; folders made or removed do not.
  const auto counts = [](RecordKind k) {
    return k == RecordKind::Tags || k == RecordKind::Rename || k == RecordKind::Created;
  };
  std::size_t changes = 0, withdrawn = 0;
  std::vector<bool> gone;
  std::vector<RecordKind> kinds;
  // A torn or damaged record ends the journal: everything behind it was never flushed.
  while (!in.AtEnd()) {
    const char type = static_cast<char>(in.Get(1));
    const std::string_view payload = in.Bytes();
    const std::uint64_t sum = in.Get(8);
    if (in.bad() || sum != Checksum(payload)) break;
    if (type == kWithdrawn) {
      Reader w(payload);
      const std::uint64_t k = w.Get(4);
      if (!w.bad() && k < gone.size() && !gone[k]) {
        gone[k] = true;
        if (withRecords) j.records[k].withdrawn = true;
        if (counts(kinds[k])) ++withdrawn;
      }
      continue;
    }
    if (type == kUndone) {
      j.info.undone = true;
      continue;
    }
    JournalRecord r;
    bool ok = false;
    switch (type) {
      case kTags: r.kind = RecordKind::Tags, ok = ParseTags(payload, r); break;
      case kRename: r.kind = RecordKind::Rename, ok = ParsePaths(payload, r, true); break;
      case kCreated: r.kind = RecordKind::Created, ok = ParseCreated(payload, r); break;
      case kFolderMade: r.kind = RecordKind::FolderMade, ok = ParsePaths(payload, r, false); break;
      case kFolderRemoved: r.kind = RecordKind::FolderRemoved, ok = ParsePaths(payload, r, false); break;
      default: ok = false;
    }
    if (!ok) break;
    gone.push_back(false);
    kinds.push_back(r.kind);
    if (counts(r.kind)) ++changes;
    if (withRecords) j.records.push_back(std::move(r));
  }
  j.info.files = changes - std::min(changes, withdrawn);
  return j;
}

JournalContents Read(const std::string& path, bool withRecords) {
  bool running = false;
  std::string bytes = ReadJournalBytes(path, &running);
  JournalContents j = Parse(std::move(bytes), path, withRecords);
  j.info.running = running;
  return j;
}

std::vector<std::string> JournalNames(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(folder.c_str())) {
    while (const dirent* e = ::readdir(d)) {
      if (!IsJournalName(e->d_name)) continue;
      struct stat st {};
      // Only regular files: a FIFO would hang the read, a link may point anywhere.
      if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
        names.emplace_back(e->d_name);
    }
    ::closedir(d);
  }
  return names;
}

// Journals a killed pass left half made (hidden, never named): removed unless a living
// pass is making them.
void RemoveUnfinishedJournals(const std::string& folder) {
  DIR* d = ::opendir(folder.c_str());
  if (!d) return;
  const std::size_t n = std::strlen(kNewJournalEnd);
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name = e->d_name;
    if (name.size() <= n + 1 || name[0] != '.' || name.substr(name.size() - n) != kNewJournalEnd) continue;
    const int fd = ::openat(::dirfd(d), e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
      ::unlinkat(::dirfd(d), e->d_name, 0);
    ::close(fd);
  }
  ::closedir(d);
}

bool Newer(const PassInfo& a, const PassInfo& b) {
  if (a.started.tv_sec != b.started.tv_sec) return a.started.tv_sec > b.started.tv_sec;
  if (a.started.tv_nsec != b.started.tv_nsec) return a.started.tv_nsec > b.started.tv_nsec;
  return a.name > b.name;
}

}  // namespace

JournalContents ReadJournal(const std::string& journalPath) { return Read(journalPath, true); }

JournalContents ParseJournal(std::string bytes, const std::string& path) { return Parse(std::move(bytes), path, true); }

PassInfo ReadPassInfo(const std::string& journalPath) { return Read(journalPath, false).info; }

namespace {

// The journals of the folder but `except`, newest first.
std::vector<PassInfo> PassesBut(const std::string& journalFolder, const std::string& except) {
  std::vector<PassInfo> passes;
  for (const std::string& name : JournalNames(journalFolder)) {
    const std::string path = journalFolder + "/" + name;
    if (path == except) continue;
    try {
      passes.push_back(ReadPassInfo(path));
    } catch (const std::exception&) {
    }
  }
  std::sort(passes.begin(), passes.end(), Newer);
  return passes;
}

}  // namespace

std::vector<PassInfo> ListPasses(const std::string& journalFolder) { return PassesBut(journalFolder, {}); }

std::optional<PassInfo> LastPass(const std::string& journalFolder) {
  std::vector<PassInfo> passes = ListPasses(journalFolder);
  if (passes.empty()) return std::nullopt;
  return passes.front();
}

void PruneJournals(const std::string& journalFolder, std::size_t keep, const std::string& except) {
  RemoveUnfinishedJournals(journalFolder);
  const std::vector<PassInfo> passes = PassesBut(journalFolder, except);
  // The new journal is one of those kept.
  for (std::size_t i = keep > 0 ? keep - 1 : 0; i < passes.size(); ++i)
    if (!passes[i].running) ::unlink(passes[i].path.c_str());
}

std::optional<std::string> OldHeadFrom(const JournalRecord& r, std::string_view newHead) {
  std::string out;
  Reader in(r.segments);
  for (std::uint32_t i = 0; i < r.segmentCount && !in.bad(); ++i) {
    const auto kind = in.Get(1);
    std::uint64_t n = 0;
    if (kind == kLiteral) {
      const std::string_view bytes = in.Bytes();
      n = bytes.size();
      if (out.size() + n > r.oldHeadLength) return std::nullopt;
      out.append(bytes);
    } else if (kind == kZeros) {
      n = in.Get(4);
      if (out.size() + n > r.oldHeadLength) return std::nullopt;
      out.append(static_cast<std::size_t>(n), '\0');
    } else if (kind == kFromNewHead) {
      const std::uint64_t at = in.Get(8);
      n = in.Get(4);
      if (at > newHead.size() || n > newHead.size() - at || out.size() + n > r.oldHeadLength) return std::nullopt;
      out.append(newHead.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(n)));
    } else {
      return std::nullopt;
    }
  }
  if (in.bad() || out.size() != r.oldHeadLength) return std::nullopt;
  return out;
}

std::uint64_t JournalChecksum(std::string_view head, std::string_view tail) { return Checksum(head, tail); }
std::uint64_t JournalChecksum(std::string_view bytes) { return Checksum(bytes); }

std::u16string PassText(const PassInfo& pass) {
  struct tm t {};
  ::localtime_r(&pass.started.tv_sec, &t);
  char when[32];
  std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d", t.tm_year + 1900, (t.tm_mon + 1) % 100,
                t.tm_mday % 100, t.tm_hour % 100, t.tm_min % 100);
  std::u16string folder = DecodePath(pass.folder);
  if (folder.empty() || folder.back() != u'/') folder += u'/';
  return std::u16string(when, when + std::strlen(when)) + u"  " + PassName(pass.kind) + u"  " + folder + u"  " +
         FormatThousands(static_cast<std::int64_t>(pass.files)) + u" 曲";
}

}  // namespace vq
