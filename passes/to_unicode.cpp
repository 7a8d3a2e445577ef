#include "passes/to_unicode.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <optional>

#include "passes/journal.h"
#include "formats/bytesource.h"
#include "formats/frame_ids.h"
#include "formats/id3v2_reader.h"
#include "formats/synchsafe.h"
#include "platform/codepage.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/name_order.h"
#include "platform/text.h"
#include "session/listing.h"
#include "session/messages.h"

namespace vq {
namespace {

bool IsAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// What a player that follows the standard shows: ISO-8859-1, whose bytes 7F-9F are
// control characters that show as nothing sensible (U+FFFD here).
std::u16string StandardReading(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out.push_back(b >= 0x7F && b <= 0x9F ? cp932::kReplacement : static_cast<char16_t>(b));
  }
  return out;
}

void AppendUtf16Le(std::string& out, std::u16string_view text) {
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
}

// One single-byte string of a frame that is not plain ASCII.
struct Slot {
  std::size_t frame;
  std::string_view bytes;
  TextReading own;
  TextReading used;
  bool byOtherTexts = false;
};

// A v2.4 frame's encoding byte, behind the extra bytes its flags announce; -1 when the
// body is compressed or encrypted.
int V24Encoding(const V2FrameEntry& e) {
  if (e.flags[1] & 0x0C) return -1;
  const std::size_t skip = (e.flags[1] & 0x40 ? 1 : 0) + (e.flags[1] & 0x01 ? 4 : 0);
  return skip < e.body.size() ? static_cast<unsigned char>(e.body[skip]) : -1;
}

// Where the frame walk stopped: the bytes from there to the tag's end must be zero
// padding, else a rewrite would lose what the walk could not read.
bool OnlyPaddingAfterFrames(std::string_view tag, const V2FrameTable& table, std::uint8_t major) {
  std::size_t pos = 10;
  const std::size_t header = major <= 2 ? 6 : 10;
  for (const V2FrameEntry& e : table) pos += header + e.body.size();
  if (pos > tag.size()) return false;
  return std::all_of(tag.begin() + static_cast<std::ptrdiff_t>(pos), tag.end(), [](char c) { return c == '\0'; });
}

}  // namespace

UnicodeTagResult PlanUnicodeTag(std::string_view tag, const ReadingTally* folder) {
  UnicodeTagResult result;
  UnicodeFilePlan& plan = result.plan;
  const MemorySource src(tag);
  const V2Header header = ReadV2Header(src);
  if (!header.present || header.size <= 0) return result;
  // An extended header (v2.2: compression) is not read by the frame walk: such a tag is
  // left as it is.
  if (header.flags & 0x40) {
    plan.unreadableTag = true;
    return result;
  }

  V2FrameTable table;
  std::u16string listing;
  ReadV2Frames(src, header, table, listing);
  // The tag as the walk saw it: a tag-wide unsynchronisation (before v2.4) undone, the
  // footer left out.
  std::string_view walked = tag.substr(0, std::min<std::size_t>(tag.size(), 10 + static_cast<std::size_t>(header.size)));
  std::string real;
  if (header.major <= 3 && (header.flags & 0x80) && walked.size() >= 10) {
    real = std::string(walked.substr(0, 10)) + Resynchronise(walked.substr(10));
    walked = real;
  }
  if (!OnlyPaddingAfterFrames(walked, table, header.major)) {
    plan.unreadableTag = true;
    return result;
  }

  std::vector<OutFrame> frames;
  std::vector<std::vector<BodyPiece>> pieces;  // per frame: its pieces when it has single-byte text to convert
  std::vector<Slot> slots;
  std::vector<bool> reencoded;             // per frame: a v2.4 UTF-8 or UTF-16BE text, now UTF-16
  frames.reserve(table.size());
  for (V2FrameEntry& entry : table) {
    const int v24Encoding = entry.major == 4 ? V24Encoding(entry) : -1;
    std::optional<OutFrame> carried = CarryOverFrame(std::move(entry));
    if (!carried) {
      // A frame with no v2.3 form would be lost by a rewrite.
      plan.unreadableTag = true;
      return result;
    }
    frames.push_back(std::move(*carried));
    const OutFrame& f = frames.back();
    const std::size_t k = frames.size() - 1;
    pieces.emplace_back();
    reencoded.push_back(false);
    const BodyLayout layout = ConvertedToUnicode(f.id) ? BodyLayoutOf(f.id) : BodyLayout();
    if (layout.empty() || f.body.empty() || (f.flags[1] & 0xE0)) continue;
    if ((v24Encoding == 2 || v24Encoding == 3) && f.body[0] == '\x01') {
      reencoded[k] = true;
      continue;
    }
    if (f.body[0] != '\0') continue;
    std::vector<BodyPiece> split = SplitFrameBody(std::string_view(f.body).substr(1), layout, /*wide=*/false);
    bool any = false;
    for (const BodyPiece& p : split) {
      if (!p.text || IsAscii(p.bytes)) continue;
      any = true;
      const TextReading own = DecideTextReading(p.bytes);
      slots.push_back({k, p.bytes, own, own});
      plan.own.Add(own);
    }
    if (any) pieces[k] = std::move(split);
  }

  // Texts the bytes leave undecided: the file's other texts, then the folder's.
  for (Slot& s : slots) {
    if (s.own != TextReading::Undecided) continue;
    s.used = ChooseByMajority(s.bytes, plan.own);
    if (s.used == TextReading::Undecided && folder) s.used = ChooseByMajority(s.bytes, *folder);
    if (s.used == TextReading::Undecided && !folder) plan.waitsForFolder = true;
    s.byOtherTexts = s.used != TextReading::Undecided;
  }

  // A frame is converted when every text in it is decided.
  std::vector<bool> convert(frames.size(), false);
  for (std::size_t k = 0; k < frames.size(); ++k) convert[k] = !pieces[k].empty();
  for (const Slot& s : slots)
    if (s.used == TextReading::Undecided) convert[s.frame] = false;
  for (const Slot& s : slots) {
    UnicodeText t{frames[s.frame].id, StandardReading(s.bytes), {}, s.used, false, s.byOtherTexts};
    if (convert[s.frame]) {
      t.becomes = ReadAs(s.bytes, s.used);
      plan.changes.push_back(std::move(t));
    } else {
      t.becomes = cp932::Decode(s.bytes);
      plan.undecided.push_back(std::move(t));
    }
  }
  for (std::size_t k = 0; k < frames.size(); ++k) {
    if (!reencoded[k]) continue;
    // The frame's strings as they read now (a picture's or an object's frame: none).
    const std::string& id = frames[k].id;
    std::u16string text;
    std::string_view data = std::string_view(frames[k].body).substr(1);
    if (id == "COMM" || id == "USLT") data = data.substr(std::min<std::size_t>(3, data.size()));
    if (id[0] == 'T' || id == "COMM" || id == "USLT" || id == "WXXX")
      text = DecodeV23FrameText(data, 1, id == "WXXX" ? "WXXX" : "TXXX").full;
    // The spaces an empty description or a terminator leaves.
    while (!text.empty() && text.back() == u' ') text.pop_back();
    text.erase(0, std::min(text.find_first_not_of(u' '), text.size()));
    plan.changes.push_back({id, text, text, TextReading::Undecided, true, false});
  }

  plan.rewrite = std::find(convert.begin(), convert.end(), true) != convert.end() ||
                 std::find(reencoded.begin(), reencoded.end(), true) != reencoded.end();
  if (!plan.rewrite) return result;

  // The new bodies: encoding 1; each string FF FE and UTF-16LE (an empty one its
  // terminator alone), every other piece as it was.
  std::size_t next = 0;  // the next slot
  for (std::size_t k = 0; k < frames.size(); ++k) {
    if (!convert[k]) continue;
    std::string body(1, '\x01');
    for (const BodyPiece& p : pieces[k]) {
      if (!p.text) {
        body.append(p.bytes);
        continue;
      }
      if (!p.bytes.empty()) {
        TextReading reading = TextReading::CodePage932;  // ASCII reads the same either way
        while (next < slots.size() && slots[next].frame < k) ++next;
        if (next < slots.size() && slots[next].frame == k && slots[next].bytes.data() == p.bytes.data())
          reading = slots[next++].used;
        body.append("\xFF\xFE", 2);
        AppendUtf16Le(body, ReadAs(p.bytes, reading));
      }
      if (p.terminated) body.append("\0\0", 2);
    }
    frames[k].body = std::move(body);
  }
  result.frames = std::move(frames);
  return result;
}

// ---------------------------------------------------------------- the files

namespace {

// Direct subfolders that are real folders, not links to folders; hidden ones left out.
std::vector<std::string> RealSubfolders(const std::string& folder) {
  FaultInjection::CheckPoint(FileOp::List);
  DIR* d = opendir(folder.c_str());
  if (!d) ThrowErrno(errno);
  std::vector<std::string> out;
  const int dfd = dirfd(d);
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    bool dir = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN) {
      struct stat st {};
      dir = fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    }
    if (dir) out.emplace_back(e->d_name);
  }
  closedir(d);
  SortNames(out);
  return out;
}

void CollectBelow(const std::string& folder, std::vector<UnicodeFile>& out, bool top) {
  std::vector<Mp3FileInfo> files;
  std::vector<std::string> subfolders;
  try {
    files = ListMp3Files(folder);
    subfolders = RealSubfolders(folder);
  } catch (const Error&) {
    if (top) throw;
    return;
  }
  std::vector<std::string> names;
  names.reserve(files.size());
  for (const Mp3FileInfo& f : files) names.push_back(f.name);
  SortNames(names);
  const std::u16string shownFolder = DecodePath(folder == "/" ? folder : folder + "/");
  for (const std::string& name : names) out.push_back({JoinPath(folder, name), shownFolder, DecodeName(name)});
  for (const std::string& sub : subfolders) CollectBelow(JoinPath(folder, sub), out, false);
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Puts the old tag and the file's times back after an in-place write failed; best
// effort, the failure is the one reported.
void RestoreTag(const std::string& path, const std::string& tag, const struct timespec times[2]) {
  try {
    RawFile file(path, RawFile::Mode::ReadWrite);
    file.WriteAt(0, tag.data(), tag.size());
    SetFileTimes(file, times[0], times[1]);
    file.Close();
  } catch (const std::exception&) {
  }
}

// A failure's message names the file, as the batch's do.
void ReportFailure(UnicodeCallbacks& callbacks, const Error& e, const UnicodeFile& file) {
  if (e.kind() == ErrorKind::PathFileAccess)
    callbacks.ReportUpdateError(file.shownFolder, file.shownName);
  else
    callbacks.ReportError(NamedErrorText(e.description(), file.shownFolder, file.shownName));
}

class Conversion {
 public:
  Conversion(const UnicodeSettings& settings, UnicodeCallbacks& callbacks, std::size_t count, PassJournal* journal)
      : settings_(settings), callbacks_(callbacks), count_(count), journal_(journal) {}

  // Plans one file and, when its plan is final, writes it. Returns the plan; a plan that
  // waits for its folder is neither reported nor written.
  UnicodeFilePlan Process(const UnicodeFile& file, const ReadingTally* folder) {
    // Opened for writing when the run writes, so that the tag is read and written under
    // one open file; a file that may not be written is still read, and fails only when
    // its tag has something to convert.
    RawFile raw;
    bool writable = settings_.write;
    if (writable) {
      try {
        raw = RawFile(file.path, RawFile::Mode::ReadWrite);
      } catch (const Error& e) {
        if (e.kind() != ErrorKind::PathFileAccess) throw;
        writable = false;
      }
    }
    if (!raw.IsOpen()) raw = RawFile(file.path, RawFile::Mode::Read);
    const V2Header header = ReadV2Header(FileSource(raw));
    std::string tag;
    UnicodeTagResult planned;
    if (header.present) {
      // A tag that claims more than lies before the ID3v1 record fails here, as in the batch.
      tag.resize(static_cast<std::size_t>(ClaimedTagLength(raw)));
      raw.ReadAt(0, tag.data(), tag.size());
      planned = PlanUnicodeTag(tag, folder);
    }
    UnicodeFilePlan& plan = planned.plan;
    if (plan.waitsForFolder && !folder) return std::move(plan);
    callbacks_.FilePlanned(file, plan);
    if (settings_.write && plan.rewrite) {
      if (!writable) throw Error(ErrorKind::PathFileAccess);
      struct timespec times[2] {};
      struct stat st {};
      if (fstat(raw.fd(), &st) == 0) times[0] = st.st_atim, times[1] = st.st_mtim;
      bool inPlace = false;
      if (journal_) {
        Defer(file, plan, raw, planned.frames, header.size, tag, times);
        return std::move(plan);
      }
      try {
        WriteBatchV2Tag(raw, planned.frames, header.size, callbacks_, &inPlace);
        if (raw.IsOpen()) raw.Close();
      } catch (...) {
        raw = RawFile();
        if (inPlace) RestoreTag(file.path, tag, times);
        throw;
      }
      if (settings_.keepDate && times[1].tv_sec != 0) SetFileTimes(file.path, times[1].tv_sec, times[1].tv_nsec);
    }
    if (raw.IsOpen()) raw.Close();
    return std::move(plan);
  }

  // Counts a file whose plan is final: at once without a journal, else once its group
  // is written (Commit). False ends the run; a failure is reported and thrown no further.
  bool Finish(const UnicodeFile& file, const UnicodeFilePlan& plan, UnicodeResult& result) {
    if (!journal_) return Finished(plan, result);
    if (!deferredNow_) deferred_.push_back(Deferred{&file, plan});
    deferredNow_ = false;
    if (deferred_.size() >= kGroupFiles || rebuilds_ >= kGroupRebuilds) return Commit(result);
    return true;
  }

  // The deferred files' turn: the journal flushed, each file system synced once, then
  // each file written or renamed in order and counted. A failure ends the run there (it
  // is reported); the files behind it stay as they were. False when the run ends.
  bool Commit(UnicodeResult& result) {
    std::size_t k = 0;
    bool goOn = true;
    try {
      if (journal_ && journal_->HasUnflushed()) journal_->Flush();
      GroupSync syncs;
      for (Deferred& d : deferred_)
        if (d.rebuild) syncs.Sync(*d.rebuild);
      for (; k < deferred_.size() && goOn; ++k) {
        Deferred& d = deferred_[k];
        const bool writes = d.rebuild || d.raw.IsOpen();
        if (d.rebuild) {
          CommitRebuild(*d.rebuild, callbacks_, false);
        } else if (writes) {
          try {
            WriteTagRegionInPlace(d.raw, d.newTag, d.oldSize, callbacks_);
            d.raw.Close();
          } catch (...) {
            d.raw = RawFile();
            RestoreTag(d.file->path, d.oldTag, d.times);
            throw;
          }
        }
        if (writes && settings_.keepDate && d.times[1].tv_sec != 0)
          SetFileTimes(d.file->path, d.times[1].tv_sec, d.times[1].tv_nsec);
        goOn = Finished(d.plan, result);
        if (!goOn) result.stopped = result.done < count_;
      }
    } catch (const Error& e) {
      ReportFailure(callbacks_, e, *deferred_[k].file);
      result.failed = true;
      goOn = false;
    } catch (const std::exception&) {
      ReportFailure(callbacks_, Error(ErrorKind::Io), *deferred_[k].file);
      result.failed = true;
      goOn = false;
    }
    // Given up: the failing file (it has put itself back) and the ones behind it.
    for (; k < deferred_.size(); ++k) {
      Deferred& d = deferred_[k];
      if (d.rebuild) DiscardRebuild(*d.rebuild);
      d.raw = RawFile();
      if (d.written) journal_->Withdraw(d.record);
    }
    deferred_.clear();
    rebuilds_ = 0;
    return goOn;
  }

  // Counts a finished file and reports the progress; false ends the run.
  bool Finished(const UnicodeFilePlan& plan, UnicodeResult& result) {
    (plan.rewrite ? result.converted : result.unchanged) += 1;
    if (!plan.undecided.empty() || plan.unreadableTag) ++result.undecided;
    result.done += 1;
    return callbacks_.Progress(result.done, count_);
  }

 private:
  // A journalled file waiting for its group: its record made, its file open and locked
  // with the new tag to write over the old one, or its rebuilt copy made.
  struct Deferred {
    const UnicodeFile* file = nullptr;
    UnicodeFilePlan plan;
    bool written = false;
    std::size_t record = 0;
    RawFile raw;
    std::optional<PendingRebuild> rebuild;
    std::string newTag, oldTag;
    std::int32_t oldSize = 0;
    struct timespec times[2] {};
  };
  static constexpr std::size_t kGroupFiles = 256, kGroupRebuilds = 64;

  void Defer(const UnicodeFile& file, const UnicodeFilePlan& plan, RawFile& raw, const std::vector<OutFrame>& frames,
             std::int32_t oldSize, std::string& tag, const struct timespec times[2]) {
    Deferred d{&file, plan, true};
    d.newTag = NewHeadBytes(frames, oldSize, tag.size());
    FileChange change;
    change.path = file.path;
    change.oldHead = tag;
    change.newHead = d.newTag;
    change.oldLength = raw.Length();
    change.accessed = times[0];
    change.modified = times[1];
    d.record = journal_->Record(change);
    d.times[0] = times[0], d.times[1] = times[1];
    d.oldSize = oldSize;
    const std::int64_t n = FramesSize(frames);
    if (oldSize <= 0 || oldSize < n) {
      d.rebuild.emplace(PrepareRebuild(raw, frames, RoundedTagSize(n), std::max(oldSize, 0), callbacks_));
      ++rebuilds_;
      d.newTag.clear();
    } else {
      d.oldTag = std::move(tag);
      d.raw = std::move(raw);
    }
    deferred_.push_back(std::move(d));
    deferredNow_ = true;
  }

  const UnicodeSettings& settings_;
  UnicodeCallbacks& callbacks_;
  std::size_t count_;
  PassJournal* journal_;
  std::vector<Deferred> deferred_;
  std::size_t rebuilds_ = 0;
  bool deferredNow_ = false;  // Process deferred the file it planned last
};

}  // namespace

std::vector<UnicodeFile> ListMp3FilesBelow(const std::string& folder) {
  std::vector<UnicodeFile> out;
  CollectBelow(folder, out, true);
  return out;
}

std::vector<UnicodeFile> UnicodeFilesOf(const std::string& folder, const std::vector<ListedFile>& rows) {
  std::vector<UnicodeFile> out;
  out.reserve(rows.size());
  for (const ListedFile& row : rows) {
    const std::string prefix = FolderPrefix(folder, row.subfolderEntry);
    out.push_back({prefix + row.name, DecodePath(prefix), row.displayName});
  }
  return out;
}

namespace {

std::u16string Shown(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out)
    if (c < 0x20 || c == 0x7F) c = u' ';
  return out;
}

std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::u16string HowRead(const UnicodeText& t) {
  if (t.fromUtf8) return u"UTF-8";
  std::u16string how = t.reading == TextReading::Latin1 ? u"ISO-8859-1" : u"コードページ932";
  if (t.byOtherTexts) how += u"、ほかの文字列から判断";
  return how;
}

}  // namespace

std::u16string PreviewText(const UnicodeFile& file, const UnicodeFilePlan& plan) {
  if (plan.changes.empty() && plan.undecided.empty() && !plan.unreadableTag) return {};
  std::u16string out = Shown(file.shownFolder + file.shownName) + u"\n";
  if (plan.unreadableTag) out += u"  このタグは読み取れない形式なので、そのままにします\n";
  for (const UnicodeText& t : plan.changes)
    out += u"  " + Widen(t.frameId) + u"  " + Shown(t.today) + u" → " + Shown(t.becomes) + u"  (" + HowRead(t) + u")\n";
  for (const UnicodeText& t : plan.undecided)
    out += u"  " + Widen(t.frameId) + u"  判定できません: " + Shown(t.today) + u" (コードページ932では " + Shown(t.becomes) +
           u")\n";
  return out;
}

std::u16string CountsText(const UnicodeResult& result, bool preview) {
  return std::u16string(preview ? u"変換する曲 " : u"変換 ") + FormatThousands(result.converted) + u" 曲、変更なし " +
         FormatThousands(result.unchanged) + u" 曲、判定できない文字列のある曲 " + FormatThousands(result.undecided) +
         u" 曲";
}

namespace {
UnicodeResult RunConversion(const std::vector<UnicodeFile>& files, const std::vector<std::vector<std::size_t>>& groups,
                            Conversion& conversion, UnicodeCallbacks& callbacks);
}  // namespace

UnicodeResult RunUnicodeConversion(const std::vector<UnicodeFile>& files, const UnicodeSettings& settings,
                                   UnicodeCallbacks& callbacks) {
  // The files of each folder, in the order the folders first appear.
  std::vector<std::vector<std::size_t>> groups;
  std::map<std::string, std::size_t> groupOf;
  for (std::size_t i = 0; i < files.size(); ++i) {
    auto [it, added] = groupOf.emplace(FolderOf(files[i].path), groups.size());
    if (added) groups.emplace_back();
    groups[it->second].push_back(i);
  }

  std::optional<PassJournal> journal;
  if (settings.write && !settings.journalFolder.empty())
    journal.emplace(settings.journalFolder, PassKind::Unicode, settings.folder);
  Conversion conversion(settings, callbacks, files.size(), journal ? &*journal : nullptr);
  UnicodeResult out = RunConversion(files, groups, conversion, callbacks);
  if (journal) out.journal = journal->path();
  return out;
}

namespace {

UnicodeResult RunConversion(const std::vector<UnicodeFile>& files, const std::vector<std::vector<std::size_t>>& groups,
                            Conversion& conversion, UnicodeCallbacks& callbacks) {
  UnicodeResult result;
  for (const auto& group : groups) {
    ReadingTally folderTally;
    std::vector<std::size_t> waiting;
    // Files whose texts wait for the folder are planned again once every file of the
    // folder has been read.
    for (int round = 0; round < 2; ++round) {
      const std::vector<std::size_t>& todo = round == 0 ? group : waiting;
      std::vector<std::size_t> later;
      for (std::size_t i : todo) {
        const UnicodeFile& file = files[i];
        try {
          const UnicodeFilePlan plan = conversion.Process(file, round == 0 ? nullptr : &folderTally);
          if (round == 0) folderTally.Add(plan.own);
          if (plan.waitsForFolder && round == 0) {
            later.push_back(i);
            continue;
          }
          if (!conversion.Finish(file, plan, result)) {
            result.stopped = !result.failed && result.done < files.size();
            return result;
          }
        } catch (const Error& e) {
          if (conversion.Commit(result)) {  // the files before this one first
            ReportFailure(callbacks, e, file);
            result.failed = true;
          }
          return result;
        } catch (const std::exception&) {
          if (conversion.Commit(result)) {
            ReportFailure(callbacks, Error(ErrorKind::Io), file);
            result.failed = true;
          }
          return result;
        }
      }
      if (round == 0) waiting = std::move(later);
    }
  }
  conversion.Commit(result);
  return result;
}

}  // namespace

}  // namespace vq
