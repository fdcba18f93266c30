#include "platform/Volumes.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/MountInfo.h"
#include "platform/Paths.h"

namespace movarin {

std::vector<Volume> ExaminedVolumes(IVolumeTable& table)
{
    auto volumes = table.Volumes();
    if (volumes.size() > MaxExaminedDrives)
        volumes.resize(MaxExaminedDrives);
    return volumes;
}

namespace {

namespace fs = std::filesystem;

std::optional<std::string> ReadWholeFile(const fs::path& path)
{
    // Files under /proc and /sys report no size; read until the end.
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// sr0, sr1, ...: the kernel's names for optical drives.
bool IsOpticalDeviceName(std::string_view name)
{
    return name.size() > 2 && StartsWith(name, "sr")
        && std::all_of(name.begin() + 2, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string RootOf(const std::string& mountPoint)
{
    return IncludeTrailingDelimiter(mountPoint);
}

std::string MountPointOf(const std::string& root)
{
    std::string point = root;
    while (point.size() > 1 && point.back() == PathDelimiter)
        point.pop_back();
    return point;
}

std::string DeviceName(const std::string& source)
{
    return StartsWith(source, "/dev/") ? ExtractFileName(source) : std::string();
}

class LinuxVolumeTable final : public IVolumeTable {
public:
    explicit LinuxVolumeTable(VolumeSources sources) : sources_(std::move(sources)) {}

    std::vector<Volume> Volumes() override
    {
        std::vector<Volume> volumes;
        std::vector<std::string> mountedDevices;
        for (const auto& mount : CurrentMounts()) {
            const auto sysfsDevice = SysfsDevice(mount);
            Volume volume;
            volume.root = RootOf(mount.mountPoint);
            volume.device = StartsWith(mount.source, "/dev/") ? mount.source : std::string();
            volume.type = Classify(mount, sysfsDevice);
            mountedDevices.push_back(DeviceName(mount.source));
            if (!sysfsDevice.empty())
                mountedDevices.push_back(sysfsDevice.filename().string());
            volumes.push_back(std::move(volume));
        }
        // An optical drive is a drive also while no disc is in it. Its root is
        // then the device path: no folder, so it never reports a medium.
        for (const auto& name : OpticalDrives()) {
            if (std::find(mountedDevices.begin(), mountedDevices.end(), name) != mountedDevices.end())
                continue;
            volumes.push_back({"/dev/" + name + "/", "/dev/" + name, DriveType::Optical});
        }
        std::stable_sort(volumes.begin(), volumes.end(),
                         [](const Volume& a, const Volume& b) { return a.root < b.root; });
        return volumes;
    }

    std::string VolumeLabel(const Volume& volume) override
    {
        if (!TotalSize(volume))
            return {};
        if (auto label = LabelFromUdev(volume.device))
            return *label;
        const auto point = MountPointOf(volume.root);
        return point == "/" ? std::string() : ExtractFileName(point);
    }

    std::optional<std::uint64_t> TotalSize(const Volume& volume) override
    {
        // A root whose volume has gone (a stick pulled out, its folder left
        // behind) must not report the size of the disk the folder is on.
        const auto point = MountPointOf(volume.root);
        const auto mounts = CurrentMounts();
        if (std::none_of(mounts.begin(), mounts.end(),
                         [&](const MountEntry& m) { return m.mountPoint == point; }))
            return std::nullopt;
        struct statvfs info {};
        if (::statvfs(volume.root.c_str(), &info) != 0)
            return std::nullopt;
        return std::uint64_t(info.f_blocks) * std::uint64_t(info.f_frsize);
    }

private:
    std::vector<MountEntry> CurrentMounts()
    {
        const auto text = ReadWholeFile(sources_.mountInfo);
        if (!text)
            return {};
        auto entries = ParseMountInfo(*text);
        // A bind of a single file (a container's /etc/hosts) is no drive.
        // Whole file systems are not probed here: a hung network mount would
        // block the caller.
        std::erase_if(entries, [](const MountEntry& m) {
            std::error_code ec;
            return m.root != "/" && !fs::is_directory(m.mountPoint, ec);
        });
        return VisibleMounts(entries);
    }

    // The block device's folder in sysfs, or empty when it has none
    // (network and virtual file systems).
    fs::path SysfsDevice(const MountEntry& mount) const
    {
        std::error_code ec;
        const auto link = fs::path(sources_.sysfsRoot) / "dev" / "block"
                          / (std::to_string(mount.major) + ":" + std::to_string(mount.minor));
        auto device = fs::canonical(link, ec);
        return ec ? fs::path() : device;
    }

    DriveType Classify(const MountEntry& mount, const fs::path& sysfsDevice) const
    {
        if (IsNetworkFileSystem(mount.fsType))
            return DriveType::Network;
        const auto name = sysfsDevice.empty() ? DeviceName(mount.source) : sysfsDevice.filename().string();
        // A disc image mounted through a loop device reads like a disc.
        const bool discImage = (mount.fsType == "iso9660" || mount.fsType == "udf") && StartsWith(name, "loop");
        if (IsOpticalDeviceName(name) || IsOpticalDeviceName(DeviceName(mount.source)) || discImage)
            return DriveType::Optical;
        if (IsRemovableDevice(sysfsDevice) || StartsWith(mount.mountPoint, "/media/")
            || StartsWith(mount.mountPoint, "/run/media/"))
            return DriveType::Removable;
        return DriveType::Fixed;
    }

    static bool FlagSet(const fs::path& file)
    {
        const auto text = ReadWholeFile(file);
        return text && StartsWith(*text, "1");
    }

    static bool IsRemovableDevice(const fs::path& sysfsDevice)
    {
        if (sysfsDevice.empty())
            return false;
        if (FlagSet(sysfsDevice / "removable"))
            return true;
        std::error_code ec;
        // A partition carries no flag of its own; its disk is the folder above.
        if (fs::exists(sysfsDevice / "partition", ec) && FlagSet(sysfsDevice.parent_path() / "removable"))
            return true;
        // USB disks often call themselves fixed; their path in the device
        // tree passes a USB host (usb1, usb2, ...).
        for (const auto& part : sysfsDevice)
            if (StartsWith(part.string(), "usb"))
                return true;
        return false;
    }

    std::vector<std::string> OpticalDrives() const
    {
        std::vector<std::string> names;
        std::error_code ec;
        for (fs::directory_iterator it(sources_.devRoot, ec), end; !ec && it != end; it.increment(ec)) {
            const auto name = it->path().filename().string();
            if (IsOpticalDeviceName(name))
                names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::optional<std::string> LabelFromUdev(const std::string& device) const
    {
        if (!StartsWith(device, "/dev/"))
            return std::nullopt;
        std::error_code ec;
        const auto target = fs::canonical(fs::path(sources_.devRoot) / device.substr(5), ec);
        if (ec)
            return std::nullopt;
        for (fs::directory_iterator it(fs::path(sources_.devRoot) / "disk" / "by-label", ec), end;
             !ec && it != end; it.increment(ec)) {
            std::error_code linkError;
            if (fs::canonical(it->path(), linkError) == target && !linkError)
                return UnescapeUdevName(it->path().filename().string());
        }
        return std::nullopt;
    }

    VolumeSources sources_;
};

} // namespace

std::unique_ptr<IVolumeTable> CreateSystemVolumeTable()
{
    return CreateSystemVolumeTable(VolumeSources{});
}

std::unique_ptr<IVolumeTable> CreateSystemVolumeTable(const VolumeSources& sources)
{
    return std::make_unique<LinuxVolumeTable>(sources);
}

} // namespace movarin
