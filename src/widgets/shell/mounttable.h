// The mount table of /proc/self/mountinfo: what the "Computer" node lists,
// which paths lie on network or FUSE mounts (never stat'ed or scanned on the
// main thread), drive types and removable devices.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace shell {

struct MountEntry {
    std::string MountPoint;  // octal escapes decoded
    std::string FsType;
    std::string Source;
    unsigned Major = 0, Minor = 0;
};

// Drive types of the watch set: tmpfs is RAM, network and FUSE mounts are
// remote, the rest fixed.
enum TDriveType { DRIVE_UNKNOWN = 0, DRIVE_FIXED = 3, DRIVE_REMOTE = 4, DRIVE_RAMDISK = 6 };

// "\040" and the like back to their bytes; a backslash not followed by
// three octal digits stays as it is.
std::string DecodeMountEscapes(std::string_view text);
// Parses mountinfo text; malformed lines are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);
TDriveType DriveTypeOfFs(const std::string& fsType);
// Kernel interface file systems (proc, sysfs, cgroup, ...), which hold no
// user's folders and are not listed under "Computer".
bool IsPseudoFs(const std::string& fsType);

// The process-wide table, read on first use and again by RefreshMountTable;
// safe from any thread.
std::vector<MountEntry> MountTable();
void RefreshMountTable();
// Replaces the table's source (tests); "" restores /proc/self/mountinfo.
void SetMountInfoPath(const std::string& path);

// The entry of the longest mount point that holds path (an absolute path);
// false when none does.
bool MountOfPath(const std::vector<MountEntry>& table, const std::string& path, MountEntry& out);
// True when the path lies on a network or FUSE mount: such paths are not
// stat'ed, scanned or watched on the main thread.
bool IsRemotePath(const std::string& path);
TDriveType DriveTypeOfPath(const std::string& path);
// The mount points listed under "Computer": "/" first, then the others in
// table order, without pseudo file systems and duplicates.
std::vector<MountEntry> ComputerMounts();
// The device's removable flag from /sys/dev/block/MAJ:MIN (or its disk).
bool IsRemovableDevice(unsigned major, unsigned minor);

}  // namespace shell
