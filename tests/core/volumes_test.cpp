// The drive list's volumes: real file systems from the mount table, and the volume that
// holds a folder.
#include <gtest/gtest.h>

#include "platform/volumes.h"

TEST(ParseMountTable, KeepsRealFileSystemsByMountPoint) {
  const char* table =
      "proc /proc proc rw,relatime 0 0\n"
      "sysfs /sys sysfs rw 0 0\n"
      "devtmpfs /dev devtmpfs rw 0 0\n"
      "tmpfs /run tmpfs rw 0 0\n"
      "tmpfs /dev/shm tmpfs rw 0 0\n"
      "/dev/vda / ext4 rw 0 0\n"
      "/dev/vda /home ext4 rw 0 0\n"
      "/dev/sdb1 /media/user/USB\\040STICK vfat rw 0 0\n"
      "/dev/sda1 /boot/efi vfat rw 0 0\n"
      "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
      "/dev/sdc1 /media/back\\134slash ext4 rw 0 0\n"
      "/dev/vda /home ext4 rw 0 0\n"
      "gvfsd-fuse /run/user/1000/gvfs fuse.gvfsd-fuse rw 0 0\n"
      "broken line\n";
  auto v = vq::ParseMountTable(table);
  std::vector<std::string> expected = {"/", "/boot/efi", "/home", "/media/back\\slash", "/media/user/USB STICK"};
  EXPECT_EQ(v, expected);
}

TEST(ParseMountTable, RootIsAlwaysThere) {
  EXPECT_EQ(vq::ParseMountTable(""), std::vector<std::string>{"/"});
  EXPECT_EQ(vq::ParseMountTable("overlay / overlay rw 0 0\n"), std::vector<std::string>{"/"});
}

TEST(VolumeOf, LongestMountPointThatIsAnAncestor) {
  std::vector<std::string> v = {"/", "/media/usb", "/media/usb/inner", "/home"};
  EXPECT_EQ(vq::VolumeOf("/", v), "/");
  EXPECT_EQ(vq::VolumeOf("/tmp/x", v), "/");
  EXPECT_EQ(vq::VolumeOf("/media/usb", v), "/media/usb");
  EXPECT_EQ(vq::VolumeOf("/media/usb/Music/A", v), "/media/usb");
  EXPECT_EQ(vq::VolumeOf("/media/usb2/Music", v), "/");  // a name prefix is not an ancestor
  EXPECT_EQ(vq::VolumeOf("/media/usb/inner/x", v), "/media/usb/inner");
  EXPECT_EQ(vq::VolumeOf("/home", v), "/home");
}

TEST(MountedVolumes, HoldsTheRootAndOnlyFolders) {
  auto v = vq::MountedVolumes();
  ASSERT_FALSE(v.empty());
  EXPECT_EQ(v.front(), "/");
  for (const auto& p : v) EXPECT_EQ(p[0], '/');
}
