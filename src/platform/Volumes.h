#pragma once
// The machine's drives as the windows see them: a table of mounted volumes
// (plus optical drives without a disc), behind an interface so that tests can
// put folders of a temp directory in the place of real drives.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace movarin {

enum class DriveType { Fixed, Removable, Optical, Network };

struct Volume {
    std::string root;    // mount point with trailing "/" (what the user sees and what files go under)
    std::string device;  // e.g. /dev/sr0, /dev/sdb1; empty for none
    DriveType type = DriveType::Fixed;
};

class IVolumeTable {
public:
    virtual ~IVolumeTable() = default;
    virtual std::vector<Volume> Volumes() = 0;                          // in mount-point order
    virtual std::string VolumeLabel(const Volume&) = 0;                 // empty: none / no medium
    virtual std::optional<std::uint64_t> TotalSize(const Volume&) = 0;  // nullopt: no readable medium
};

// Drives are examined like drive letters A to U: only the first 21 volumes of
// the table count, whatever lies beyond them.
inline constexpr std::size_t MaxExaminedDrives = 21;

// The first MaxExaminedDrives volumes of the table.
std::vector<Volume> ExaminedVolumes(IVolumeTable& table);

// Where the Linux table looks; tests point these at temp folders.
struct VolumeSources {
    std::string mountInfo = "/proc/self/mountinfo";
    std::string sysfsRoot = "/sys";  // holds dev/block/<major>:<minor>
    std::string devRoot = "/dev";    // holds sr*, disk/by-label
};

// The table of this machine, read afresh on every call.
std::unique_ptr<IVolumeTable> CreateSystemVolumeTable();
std::unique_ptr<IVolumeTable> CreateSystemVolumeTable(const VolumeSources& sources);

} // namespace movarin
