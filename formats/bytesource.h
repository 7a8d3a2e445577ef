// Where tag readers get their bytes from: an open file or a block of memory. Reads past
// the end yield zero bytes, so every walk over a damaged tag ends without an error.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/fileio.h"

namespace vq {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Length() const = 0;
  // Fills buf with n bytes from offset; bytes beyond the end are zero.
  virtual void ReadAt(std::uint64_t offset, std::uint8_t* buf, std::size_t n) const = 0;
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  std::uint64_t Length() const override { return bytes_.size(); }
  void ReadAt(std::uint64_t offset, std::uint8_t* buf, std::size_t n) const override {
    std::size_t have = 0;
    if (offset < bytes_.size()) {
      have = static_cast<std::size_t>(std::min<std::uint64_t>(n, bytes_.size() - offset));
      std::memcpy(buf, bytes_.data() + offset, have);
    }
    if (have < n) std::memset(buf + have, 0, n - have);
  }

 private:
  std::string_view bytes_;
};

class FileSource final : public ByteSource {
 public:
  explicit FileSource(const RawFile& file) : file_(file), length_(file.Length()) {}
  std::uint64_t Length() const override { return length_; }
  void ReadAt(std::uint64_t offset, std::uint8_t* buf, std::size_t n) const override {
    if (offset >= length_) {
      std::memset(buf, 0, n);
      return;
    }
    file_.ReadAt(offset, buf, n);
  }

 private:
  const RawFile& file_;
  std::uint64_t length_;
};

}  // namespace vq
