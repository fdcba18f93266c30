// The drive letters A to U as the volume table. A removable or optical drive
// without a medium must not bring up the system's "insert a disk" box, so the
// calls that touch a medium run with critical errors turned off.
#include "platform/Volumes.h"

#include "platform/WinApi.h"

namespace movarin {

namespace {

class CriticalErrorsOff {
public:
    CriticalErrorsOff() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &old_); }
    ~CriticalErrorsOff() { ::SetThreadErrorMode(old_, nullptr); }
    CriticalErrorsOff(const CriticalErrorsOff&) = delete;
    CriticalErrorsOff& operator=(const CriticalErrorsOff&) = delete;

private:
    DWORD old_ = 0;
};

std::wstring RootOf(const Volume& volume)
{
    // "E:/" as held, "E:\" for the calls.
    return movarin::win::Widen(volume.device) + L"\\";
}

class WindowsVolumeTable : public IVolumeTable {
public:
    std::vector<Volume> Volumes() override
    {
        std::vector<Volume> volumes;
        const DWORD present = ::GetLogicalDrives();
        for (std::size_t i = 0; i < MaxExaminedDrives; ++i) {
            if (!(present & (1u << i)))
                continue;
            Volume v;
            v.device = std::string(1, char('A' + i)) + ":";
            v.root = v.device + "/";
            switch (::GetDriveTypeW(RootOf(v).c_str())) {
            case DRIVE_REMOVABLE: v.type = DriveType::Removable; break;
            case DRIVE_CDROM: v.type = DriveType::Optical; break;
            case DRIVE_REMOTE: v.type = DriveType::Network; break;
            case DRIVE_FIXED:
            case DRIVE_RAMDISK: v.type = DriveType::Fixed; break;
            default: continue; // no root folder or an unknown kind
            }
            volumes.push_back(std::move(v));
        }
        return volumes;
    }

    std::string VolumeLabel(const Volume& volume) override
    {
        CriticalErrorsOff quiet;
        wchar_t label[MAX_PATH + 1] = {};
        if (!::GetVolumeInformationW(RootOf(volume).c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr,
                                     nullptr, 0))
            return {};
        return movarin::win::Narrow(label);
    }

    std::optional<std::uint64_t> TotalSize(const Volume& volume) override
    {
        CriticalErrorsOff quiet;
        ULARGE_INTEGER total{};
        if (!::GetDiskFreeSpaceExW(RootOf(volume).c_str(), nullptr, &total, nullptr))
            return std::nullopt;
        return std::uint64_t(total.QuadPart);
    }
};

} // namespace

std::vector<Volume> ExaminedVolumes(IVolumeTable& table)
{
    std::vector<Volume> all = table.Volumes();
    if (all.size() > MaxExaminedDrives)
        all.resize(MaxExaminedDrives);
    return all;
}

std::unique_ptr<IVolumeTable> CreateSystemVolumeTable()
{
    return std::make_unique<WindowsVolumeTable>();
}

std::unique_ptr<IVolumeTable> CreateSystemVolumeTable(const VolumeSources&)
{
    return std::make_unique<WindowsVolumeTable>();
}

} // namespace movarin
