// The mounted volumes that the drive list offers: real file systems by mount point.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vq {

// The mount points of real file systems in a mount table in the format of
// /proc/self/mounts (octal escapes such as "\040" decoded), without duplicates, sorted.
// Pseudo file systems (proc, sysfs, tmpfs, cgroup, ...) and mount points below /proc,
// /sys and /dev are left out; "/" is always in the list.
std::vector<std::string> ParseMountTable(std::string_view table);

// ParseMountTable of /proc/self/mounts, keeping only mount points that are folders.
std::vector<std::string> MountedVolumes();

// The volume that holds a path: the longest mount point that is the path itself or one
// of its ancestors; "/" when none is.
std::string VolumeOf(const std::string& path, const std::vector<std::string>& volumes);

}  // namespace vq
