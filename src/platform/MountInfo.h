#pragma once
// Reading the kernel's mount table (/proc/<pid>/mountinfo) into the mounts a
// user would call drives. Pure text functions, so recorded tables can be fed in.
#include <string>
#include <string_view>
#include <vector>

namespace movarin {

struct MountEntry {
    int id = 0;
    int parentId = 0;
    unsigned major = 0;
    unsigned minor = 0;
    std::string root;        // the part of the file system seen here; "/" for all of it
    std::string mountPoint;  // unescaped, no trailing "/" except for "/" itself
    std::string fsType;
    std::string source;      // e.g. /dev/sdb1, server:/export, //host/share
};

// "\040" and the other octal escapes of mount fields back to their bytes.
std::string UnescapeMountField(std::string_view field);
// "\x20" and the other hex escapes of udev link names back to their bytes.
std::string UnescapeUdevName(std::string_view name);

// Every well-formed line, in the table's order; malformed lines are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// Kernel and runtime file systems that hold no user data (proc, sysfs, tmpfs,
// cgroup, overlay, squashfs images of packages, ...).
bool IsPseudoFileSystem(std::string_view fsType);
bool IsNetworkFileSystem(std::string_view fsType);

// The mounts worth listing as drives, in the table's order:
// - pseudo file systems are left out;
// - a mount point is listed once, by its last mount (that one hides the others);
// - a file system already listed at another mount point (a bind mount, whole or
//   of a sub-folder) is not listed again; when only sub-folders of a file system
//   are mounted (btrfs subvolumes, a container's view of the host's disk), the
//   first of them stands for it.
std::vector<MountEntry> VisibleMounts(const std::vector<MountEntry>& entries);

} // namespace movarin
