#include "fat_image.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace vqtest {

namespace {

bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

bool KernelHasVfat() {
  std::ifstream in("/proc/filesystems");
  std::string line;
  while (std::getline(in, line))
    if (line.size() >= 4 && line.compare(line.size() - 4, 4, "vfat") == 0) return true;
  return false;
}

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

}  // namespace

FatImage::FatImage() {
  image_ = dir_ / "fat.img";
  mountPoint_ = dir_.MakeDir("mnt");
  if (::geteuid() != 0) {
    reason_ = "mounting a FAT image needs root";
    return;
  }
  if (!Run("command -v mkfs.vfat")) {
    reason_ = "mkfs.vfat is not installed (Debian package dosfstools)";
    return;
  }
  if (!Run("truncate -s 16M " + Quoted(image_)) || !Run("mkfs.vfat " + Quoted(image_))) {
    reason_ = "mkfs.vfat could not make an image";
    return;
  }
  if (KernelHasVfat() && Run("mount -o loop,utf8 " + Quoted(image_) + " " + Quoted(mountPoint_))) {
    how_ = "vfat";
  } else if (Run("command -v fusefat") && Run("fusefat -o rw+ " + Quoted(image_) + " " + Quoted(mountPoint_))) {
    how_ = "fusefat";
  } else {
    reason_ = "neither the kernel's vfat (through a loop device) nor fusefat (FUSE) could mount a FAT image here";
    return;
  }
  // Both have mounted the image by the time the command returns.
  struct stat mnt {}, parent {};
  mounted_ = ::stat(mountPoint_.c_str(), &mnt) == 0 && ::stat(dir_.path().c_str(), &parent) == 0 &&
             mnt.st_dev != parent.st_dev;
  if (!mounted_) reason_ = "the FAT image did not appear mounted";
}

FatImage::~FatImage() {
  if (how_.empty()) return;
  if (how_ == "fusefat" && Run("fusermount -u " + Quoted(mountPoint_))) return;
  Run("umount -l " + Quoted(mountPoint_));
}

}  // namespace vqtest
