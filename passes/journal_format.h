// The bytes of a journal, shared by its writer and its reader.
//
// Layout, little-endian: "VQJ2", kind (1 byte), start time (8 bytes of seconds, 8 of
// nanoseconds), the folder (4-byte length, bytes); then records: type (1 byte), payload
// length (4), payload, checksum of the payload (8). Journals of earlier versions begin
// "VQJ1" and have no nanoseconds. Types: a file's tags, a rename (from, to), a file
// created (path, length, checksum), a folder made, a folder removed (path), the
// withdrawal of record k (4 bytes), the mark that undo ran over the journal (no payload).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vq::journal {

constexpr char kMagic[4] = {'V', 'Q', 'J', '2'};
constexpr char kMagicV1[4] = {'V', 'Q', 'J', '1'};
constexpr char kTags = 'F', kRename = 'R', kCreated = 'C', kFolderMade = 'M', kFolderRemoved = 'D';
constexpr char kWithdrawn = 'W', kUndone = 'U';
constexpr char kJournalEnd[] = ".journal";
// A journal being made: hidden, until it has its header and first records.
constexpr char kNewJournalEnd[] = ".journal-new";
constexpr std::size_t kKeptJournals = 10;

// Bytes the old head takes over from the new one (a carried picture) are recorded as
// where they lie in it when they are at least this long; runs of zero bytes (padding) at
// least this long are recorded as their length.
constexpr std::size_t kSharedMin = 256, kZeroRunMin = 32;
enum Segment : std::uint8_t { kLiteral = 0, kZeros = 1, kFromNewHead = 2 };

// Whether bytes are still the ones a pass wrote: a 64-bit checksum (XXH3), fast enough to
// run over every tag and picture of a pass.
std::uint64_t Checksum(std::string_view s);
// A head and a tail together.
std::uint64_t Checksum(std::string_view head, std::string_view tail);

void Put(std::string& out, std::uint64_t v, int bytes);
void PutBytes(std::string& out, std::string_view bytes);
void AppendRecord(std::string& out, char type, std::string_view payload);

// Reads what Put wrote; running past the end marks the reader bad and reads zeros. No
// length is trusted before it is checked against the bytes that are there.
class Reader {
 public:
  explicit Reader(std::string_view data) : data_(data) {}
  // Inline: a journal of a thousand files is tens of thousands of these.
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

// Whether a file name is a journal's ("*.journal", not hidden).
bool IsJournalName(std::string_view name);

}  // namespace vq::journal
