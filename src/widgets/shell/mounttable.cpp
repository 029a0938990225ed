#include "widgets/shell/mounttable.h"

namespace shell {

std::string DecodeMountEscapes(std::string_view text) { return std::string(text); }
std::vector<MountEntry> ParseMountInfo(std::string_view) { return {}; }
TDriveType DriveTypeOfFs(const std::string&) { return DRIVE_FIXED; }
bool IsPseudoFs(const std::string&) { return false; }
std::vector<MountEntry> MountTable() { return {}; }
void RefreshMountTable() {}
void SetMountInfoPath(const std::string&) {}
bool MountOfPath(const std::vector<MountEntry>&, const std::string&, MountEntry&) { return false; }
bool IsRemotePath(const std::string&) { return false; }
TDriveType DriveTypeOfPath(const std::string&) { return DRIVE_FIXED; }
std::vector<MountEntry> ComputerMounts() { return {}; }
bool IsRemovableDevice(unsigned, unsigned) { return false; }

}  // namespace shell
