#include "passes/journal.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "platform/file_names.h"
#include "platform/text.h"

namespace vq {
namespace {

// Journal layout, little-endian: "VQJ1", kind (1 byte), start time (8), the folder
// (4-byte length, bytes); then records: type (1 byte), payload length (4), payload,
// checksum of the payload (8). Types: a file's record, the withdrawal of record k (4
// bytes), the mark that undo ran over the journal (no payload).
constexpr char kMagic[4] = {'V', 'Q', 'J', '1'};
constexpr char kFileRecord = 'F', kWithdrawn = 'W', kUndone = 'U';
constexpr char kJournalEnd[] = ".journal";
constexpr std::size_t kKeptJournals = 10;

// Bytes the old head takes over from the new one (a carried picture) are recorded as
// where they lie in it when they are at least this long; runs of zero bytes (padding) at
// least this long are recorded as their length.
constexpr std::size_t kSharedMin = 256, kZeroRunMin = 32;
enum Segment : std::uint8_t { kLiteral = 0, kZeros = 1, kFromNewHead = 2 };

constexpr char16_t kNotWritten[] = u"元に戻すための記録(ジャーナル)を書き込めませんでした。ファイルは変更されていません。";
constexpr char16_t kChangedSince[] = u"処理の後に変更されているため、元に戻しませんでした。";
constexpr char16_t kNoJournal[] = u"処理の記録(ジャーナル)として読めないファイルです。";

// Whether a tag is still the one a pass wrote: a 64-bit checksum (XXH3), fast enough to
// run over every tag and picture of a pass.
std::uint64_t Checksum(std::string_view s) { return XXH3_64bits(s.data(), s.size()); }
// A head and a tail together.
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

// Reads what Put wrote; running past the end marks the reader bad and reads zeros.
class Reader {
 public:
  explicit Reader(std::string_view data) : data_(data) {}
  std::uint64_t Get(int bytes) {
    if (data_.size() - pos_ < static_cast<std::size_t>(bytes)) {
      bad_ = true;
      pos_ = data_.size();
      return 0;
    }
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint64_t>(static_cast<unsigned char>(data_[pos_ + i])) << (8 * i);
    pos_ += static_cast<std::size_t>(bytes);
    return v;
  }
  std::string_view Bytes(std::uint64_t n) {
    if (data_.size() - pos_ < n) {
      bad_ = true;
      pos_ = data_.size();
      return {};
    }
    std::string_view v = data_.substr(pos_, static_cast<std::size_t>(n));
    pos_ += static_cast<std::size_t>(n);
    return v;
  }
  std::string_view Bytes() { return Bytes(Get(4)); }
  bool bad() const { return bad_; }
  bool AtEnd() const { return pos_ == data_.size(); }
  std::size_t pos() const { return pos_; }

 private:
  std::string_view data_;
  std::size_t pos_ = 0;
  bool bad_ = false;
};

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
        const auto* at = static_cast<const char*>(::memmem(from, static_cast<std::size_t>(end - from), newHead.data() + body, 32));
        if (!at || static_cast<std::size_t>(end - at) < size) break;
        if (std::memcmp(at, newHead.data() + body, size) == 0) found = at;
        from = at + 1;
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

// One file's record as read back.
struct FileRecord {
  std::string path;
  struct timespec accessed {}, modified {};
  std::uint64_t oldLength = 0, newLength = 0, oldHeadLength = 0, newHeadLength = 0;
  std::string oldTail;
  std::uint32_t newTailLength = 0;
  std::uint64_t oldSum = 0, newSum = 0;
  std::string_view segments;
  std::uint32_t segmentCount = 0;
};

// The old head from its segments and the new head as it is in the file; nullopt when
// the segments do not fit it.
std::optional<std::string> OldHead(const FileRecord& r, std::string_view newHead) {
  std::string out;
  out.reserve(static_cast<std::size_t>(r.oldHeadLength));
  Reader in(r.segments);
  for (std::uint32_t i = 0; i < r.segmentCount && !in.bad(); ++i) {
    const auto kind = in.Get(1);
    if (kind == kLiteral) {
      out.append(in.Bytes());
    } else if (kind == kZeros) {
      const std::uint64_t n = in.Get(4);
      if (out.size() + n > r.oldHeadLength) return std::nullopt;
      out.append(static_cast<std::size_t>(n), '\0');
    } else if (kind == kFromNewHead) {
      const std::uint64_t at = in.Get(8), n = in.Get(4);
      if (at > newHead.size() || n > newHead.size() - at) return std::nullopt;
      out.append(newHead.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(n)));
    } else {
      return std::nullopt;
    }
  }
  if (in.bad() || out.size() != r.oldHeadLength) return std::nullopt;
  return out;
}

struct Journal {
  PassInfo info;
  std::vector<FileRecord> files;
  std::vector<bool> withdrawn;
  std::string bytes;  // the records' payloads point into it
};

std::string ReadWhole(const std::string& path) {
  RawFile file(path, RawFile::Mode::Read);
  std::string bytes(static_cast<std::size_t>(file.Length()), '\0');
  file.ReadAt(0, bytes.data(), bytes.size());
  return bytes;
}

FileRecord ParseFileRecord(std::string_view payload) {
  Reader in(payload);
  FileRecord r;
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
  r.segments = payload.substr(in.pos());
  if (in.bad()) throw Error(ErrorKind::Io, kNoJournal);
  return r;
}

// Reads a journal; `withRecords` false counts the files only.
Journal ReadJournal(const std::string& path, bool withRecords) {
  Journal j;
  j.bytes = ReadWhole(path);
  Reader in(j.bytes);
  if (in.Bytes(4) != std::string_view(kMagic, 4)) throw Error(ErrorKind::Io, kNoJournal);
  j.info.kind = static_cast<PassKind>(in.Get(1));
  j.info.started = static_cast<std::time_t>(in.Get(8));
  j.info.folder = std::string(in.Bytes());
  if (in.bad()) throw Error(ErrorKind::Io, kNoJournal);
  j.info.path = path;
  const auto slash = path.rfind('/');
  j.info.name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  if (j.info.name.size() > std::strlen(kJournalEnd) &&
      j.info.name.compare(j.info.name.size() - std::strlen(kJournalEnd), std::string::npos, kJournalEnd) == 0)
    j.info.name.resize(j.info.name.size() - std::strlen(kJournalEnd));
  std::size_t withdrawn = 0;
  // A torn or damaged record ends the journal: everything behind it was never flushed.
  while (!in.AtEnd()) {
    const char type = static_cast<char>(in.Get(1));
    const std::string_view payload = in.Bytes();
    const std::uint64_t sum = in.Get(8);
    if (in.bad() || sum != Checksum(payload)) break;
    if (type == kFileRecord) {
      ++j.info.files;
      if (withRecords) j.files.push_back(ParseFileRecord(payload));
      j.withdrawn.push_back(false);
    } else if (type == kWithdrawn) {
      Reader w(payload);
      const std::uint64_t k = w.Get(4);
      if (k < j.withdrawn.size() && !j.withdrawn[k]) {
        j.withdrawn[k] = true;
        ++withdrawn;
      }
    } else if (type == kUndone) {
      j.info.undone = true;
    }
  }
  j.info.files -= withdrawn;
  return j;
}

void AppendRecord(std::string& out, char type, std::string_view payload) {
  out.push_back(type);
  PutBytes(out, payload);
  Put(out, Checksum(payload), 8);
}

std::string TwoDigits(int v) { return std::string(1, static_cast<char>('0' + v / 10)) + static_cast<char>('0' + v % 10); }

bool IsJournalName(const std::string& name) {
  const std::size_t n = std::strlen(kJournalEnd);
  return name.size() > n && name[0] != '.' && name.compare(name.size() - n, n, kJournalEnd) == 0;
}

std::vector<std::string> JournalNames(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(folder.c_str())) {
    while (const dirent* e = ::readdir(d))
      if (IsJournalName(e->d_name)) names.emplace_back(e->d_name);
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void MakeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1); ; slash = folder.find('/', slash + 1)) {
    ::mkdir(folder.substr(0, slash).c_str(), 0700);
    if (slash == std::string::npos) break;
  }
}

}  // namespace

std::string JournalFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return std::string(state) + "/velquist";
  const char* home = std::getenv("HOME");
  return std::string(home && home[0] ? home : "") + "/.local/state/velquist";
}

void PutNewHead(std::string& out, const std::vector<OutFrame>& frames, std::int32_t E, std::uint64_t oldRegion) {
  const std::int64_t n = FramesSize(frames);
  PutTagRegion(out, frames, E <= 0 || E < n ? RoundedTagSize(n) : static_cast<std::int32_t>(oldRegion - 10));
}

std::string NewHeadBytes(const std::vector<OutFrame>& frames, std::int32_t E, std::uint64_t oldRegion) {
  std::string out;
  PutNewHead(out, frames, E, oldRegion);
  return out;
}

PassJournal::PassJournal(std::string journalFolder, PassKind kind, std::string folder)
    : folderOfJournals_(std::move(journalFolder)), kind_(kind), folder_(std::move(folder)) {}

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
  AppendRecord(pending_, kFileRecord, p);
  return records_++;
}

void PassJournal::Withdraw(std::size_t number) {
  std::string p;
  Put(p, number, 4);
  AppendRecord(pending_, kWithdrawn, p);
}

void PassJournal::Create() {
  MakeFolders(folderOfJournals_);
  const std::time_t now = std::time(nullptr);
  struct tm t {};
  ::localtime_r(&now, &t);
  const std::string stamp = std::to_string(t.tm_year + 1900) + TwoDigits(t.tm_mon + 1) + TwoDigits(t.tm_mday) + "-" +
                            TwoDigits(t.tm_hour) + TwoDigits(t.tm_min) + TwoDigits(t.tm_sec) + "-" +
                            std::to_string(::getpid());
  std::string name = stamp;
  for (int k = 2; FileExists(folderOfJournals_ + "/" + name + kJournalEnd); ++k) name = stamp + "-" + std::to_string(k);
  path_ = folderOfJournals_ + "/" + name + kJournalEnd;
  file_ = RawFile(path_, RawFile::Mode::Create);
  ::fchmod(file_.fd(), 0600);  // it holds the user's tags and paths
  std::string head(kMagic, 4);
  Put(head, static_cast<std::uint8_t>(kind_), 1);
  Put(head, static_cast<std::uint64_t>(now), 8);
  PutBytes(head, folder_);
  pending_.insert(0, head);
  // The older journals beyond the last ten go.
  std::vector<std::string> names = JournalNames(folderOfJournals_);
  names.erase(std::remove(names.begin(), names.end(), name + kJournalEnd), names.end());
  for (std::size_t i = 0; i + kKeptJournals < names.size() + 1; ++i) ::unlink((folderOfJournals_ + "/" + names[i]).c_str());
}

void PassJournal::Flush() {
  if (pending_.empty()) return;
  try {
    const bool first = !file_.IsOpen();
    if (first) Create();
    file_.WriteAt(length_, pending_.data(), pending_.size());
    file_.Sync();
    if (first) SyncFolder(folderOfJournals_);
    length_ += pending_.size();
    pending_.clear();
  } catch (const Error& e) {
    throw Error(ErrorKind::Io, std::u16string(kNotWritten) + u"\r\n" + e.description());
  }
}

std::string PassJournal::OldHeadOf(std::size_t number, std::string_view newHead) const {
  const Journal j = ReadJournal(path_, true);
  std::optional<std::string> head;
  if (number < j.files.size()) head = OldHead(j.files[number], newHead);
  if (!head) throw Error(ErrorKind::Io, kNoJournal);
  return *head;
}

PassInfo ReadPassInfo(const std::string& journalPath) { return ReadJournal(journalPath, false).info; }

std::vector<PassInfo> ListPasses(const std::string& journalFolder) {
  std::vector<PassInfo> passes;
  for (const std::string& name : JournalNames(journalFolder)) {
    try {
      passes.push_back(ReadPassInfo(journalFolder + "/" + name));
    } catch (const std::exception&) {
    }
  }
  std::stable_sort(passes.begin(), passes.end(),
                   [](const PassInfo& a, const PassInfo& b) { return a.started > b.started; });
  return passes;
}

namespace {

enum class FileState { AsWritten, AsBefore, Changed };

enum class Undone { Restored, AlreadyAsBefore, Changed };

// Puts one file back when it is as the pass left it.
Undone UndoFile(const FileRecord& r, WriteReporter& reporter) {
  RawFile file(r.path, RawFile::Mode::ReadWrite);
  const std::uint64_t length = file.Length();
  auto headAndTail = [&](std::uint64_t headLength, std::uint64_t tailLength, std::string& head, std::string& tail) {
    head.resize(static_cast<std::size_t>(headLength));
    tail.resize(static_cast<std::size_t>(tailLength));
    file.ReadAt(0, head.data(), head.size());
    file.ReadAt(length - tailLength, tail.data(), tail.size());
  };
  std::string head, tail;
  FileState state = FileState::Changed;
  if (length == r.newLength && length >= r.newHeadLength + r.newTailLength) {
    headAndTail(r.newHeadLength, r.newTailLength, head, tail);
    if (Checksum(head, tail) == r.newSum) state = FileState::AsWritten;
  }
  if (state == FileState::Changed && length == r.oldLength && length >= r.oldHeadLength + r.oldTail.size()) {
    std::string oldHead, oldTail;
    headAndTail(r.oldHeadLength, r.oldTail.size(), oldHead, oldTail);
    if (Checksum(oldHead, oldTail) == r.oldSum) state = FileState::AsBefore;
  }
  if (state == FileState::AsBefore) return Undone::AlreadyAsBefore;
  const std::optional<std::string> oldHead = state == FileState::AsWritten ? OldHead(r, head) : std::nullopt;
  if (!oldHead) return Undone::Changed;
  const std::uint64_t audioEnd = length - r.newTailLength;
  if (oldHead->size() == r.newHeadLength) {
    // In place: the head keeps its length; the tail is written over or cut off. A
    // failure puts the pass's bytes and the times back, so that undo can run again.
    struct stat now {};
    if (fstat(file.fd(), &now) != 0) ThrowErrno(errno);
    try {
      if (!oldHead->empty()) {
        reporter.ShowV2Marks();
        file.WriteAt(0, oldHead->data(), oldHead->size());
      }
      if (r.oldTail.size() != r.newTailLength) file.Truncate(audioEnd);
      if (!r.oldTail.empty()) file.WriteAt(audioEnd, r.oldTail.data(), r.oldTail.size());
      SetFileTimes(file, r.accessed, r.modified);
      file.Close();
    } catch (...) {
      try {
        if (file.IsOpen()) {
          file.WriteAt(0, head.data(), head.size());
          if (r.oldTail.size() != r.newTailLength) file.Truncate(audioEnd);
          file.WriteAt(audioEnd, tail.data(), tail.size());
          SetFileTimes(file, now.st_atim, now.st_mtim);
        }
      } catch (...) {
      }
      throw;
    }
    return Undone::Restored;
  }
  reporter.ShowV2Marks();
  PendingRebuild pending = PrepareRebuildWith(file, *oldHead, r.newHeadLength, audioEnd, r.oldTail);
  try {
    SetFileTimes(pending.temp, r.accessed, r.modified);
  } catch (...) {
    DiscardRebuild(pending);
    throw;
  }
  CommitRebuild(pending, reporter, true);
  return Undone::Restored;
}

}  // namespace

UndoResult UndoPass(const std::string& journalPath, UndoReporter& reporter) {
  const Journal j = ReadJournal(journalPath, true);
  UndoResult result;
  auto skip = [&](const FileRecord& r, const std::u16string& why) {
    reporter.Skipped(r.path, why);
    ++result.skipped;
  };
  // Newest first: a file the pass met twice (under two names) gets its first state back.
  for (std::size_t k = j.files.size(); k-- > 0;) {
    if (j.withdrawn[k]) continue;
    const FileRecord& r = j.files[k];
    try {
      const Undone undone = UndoFile(r, reporter);
      if (undone == Undone::Restored) ++result.restored;
      if (undone == Undone::Changed) skip(r, kChangedSince);
    } catch (const Error& e) {
      skip(r, e.description());
    } catch (const std::exception&) {
      skip(r, ErrorDescription(ErrorKind::Io));
    }
    reporter.Yield();
  }
  // The mark is best effort: without it the journal is listed as not undone, and undo
  // run again finds its files as they were.
  try {
    RawFile file(journalPath, RawFile::Mode::ReadWrite);
    std::string mark;
    AppendRecord(mark, kUndone, {});
    file.WriteAt(file.Length(), mark.data(), mark.size());
    file.Sync();
    file.Close();
  } catch (const std::exception&) {
  }
  return result;
}

std::optional<PassInfo> LastPass(const std::string& journalFolder) {
  std::vector<PassInfo> passes = ListPasses(journalFolder);
  if (passes.empty()) return std::nullopt;
  return passes.front();
}

std::u16string PassText(const PassInfo& pass) {
  struct tm t {};
  ::localtime_r(&pass.started, &t);
  char when[32];
  std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                t.tm_min);
  std::u16string folder = DecodePath(pass.folder);
  if (folder.empty() || folder.back() != u'/') folder += u'/';
  return std::u16string(when, when + std::strlen(when)) + u"  " +
         (pass.kind == PassKind::Unicode ? u"Unicodeへの変換" : u"自動処理") + u"  " + folder + u"  " +
         FormatThousands(static_cast<std::int64_t>(pass.files)) + u" 曲";
}

std::u16string UndoResultText(const UndoResult& result) {
  std::u16string text = FormatThousands(static_cast<std::int64_t>(result.restored)) + u" 曲を元に戻しました。\r\n" +
                        u"そのままにした曲: " + FormatThousands(static_cast<std::int64_t>(result.skipped)) + u" 曲";
  if (result.skipped > 0) text += u"(処理の後に変更されていたか、書き込めなかった曲)";
  return text;
}

}  // namespace vq
