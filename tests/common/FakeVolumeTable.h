#pragma once
// Drives for tests: volumes whose roots are folders (usually inside a temp
// directory), with a kind, a label and a medium that tests switch at will.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Volumes.h"

class FakeVolumeTable final : public movarin::IVolumeTable {
public:
    struct Drive {
        movarin::Volume volume;
        std::string label;
        bool mediumPresent = true;
        std::uint64_t size = 4'700'000'000;
    };

    // Creates base/name/ and returns it with the trailing "/", ready as a root.
    static std::string MakeRoot(const std::string& base, const std::string& name)
    {
        const auto root = base + "/" + name + "/";
        std::filesystem::create_directories(root);
        return root;
    }

    // Appends a drive; the table lists drives in the order they were added.
    void Add(const std::string& root, movarin::DriveType type, const std::string& label = {},
             bool mediumPresent = true)
    {
        drives.push_back({{root, {}, type}, label, mediumPresent});
    }

    // The drive disappears from the table (its folder stays).
    void Remove(const std::string& root)
    {
        std::erase_if(drives, [&](const Drive& d) { return d.volume.root == root; });
    }

    Drive* Find(const std::string& root)
    {
        const auto it = std::find_if(drives.begin(), drives.end(),
                                     [&](const Drive& d) { return d.volume.root == root; });
        return it == drives.end() ? nullptr : &*it;
    }

    std::vector<movarin::Volume> Volumes() override
    {
        std::vector<movarin::Volume> volumes;
        for (const auto& drive : drives)
            volumes.push_back(drive.volume);
        return volumes;
    }

    std::string VolumeLabel(const movarin::Volume& volume) override
    {
        const auto* drive = Find(volume.root);
        return drive && drive->mediumPresent ? drive->label : std::string();
    }

    std::optional<std::uint64_t> TotalSize(const movarin::Volume& volume) override
    {
        sizeQueries.push_back(volume.root);
        const auto* drive = Find(volume.root);
        if (!drive || !drive->mediumPresent)
            return std::nullopt;
        return drive->size;
    }

    std::vector<Drive> drives;
    std::vector<std::string> sizeQueries;  // roots asked for their size, in order
};
