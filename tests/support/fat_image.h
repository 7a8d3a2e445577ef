// A FAT file system for tests of case-insensitive names: a small image made by
// mkfs.vfat and mounted on a fresh temporary folder, through the kernel's vfat (loop
// device) where the kernel has it, else through fusefat (FUSE). Needs root and
// dosfstools; where it cannot be mounted, mounted() is false and reason() says why, for
// the test's skip message.
#pragma once

#include <string>

#include "test_util.h"

namespace vqtest {

class FatImage {
 public:
  FatImage();
  ~FatImage();
  FatImage(const FatImage&) = delete;
  FatImage& operator=(const FatImage&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& reason() const { return reason_; }
  // "vfat" (the kernel's, names in UTF-8) or "fusefat" (ASCII names only).
  const std::string& how() const { return how_; }
  const std::string& path() const { return mountPoint_; }
  std::string operator/(const std::string& rel) const { return mountPoint_ + "/" + rel; }

 private:
  TempDir dir_;
  std::string image_;
  std::string mountPoint_;
  std::string how_;
  std::string reason_;
  bool mounted_ = false;
};

}  // namespace vqtest
