#include "platform/MountInfo.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <set>
#include <utility>

namespace movarin {

namespace {

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::vector<std::string_view> SplitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && line[pos] == ' ')
            ++pos;
        if (pos >= line.size())
            break;
        const auto end = std::min(line.find(' ', pos), line.size());
        fields.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return fields;
}

template <typename T>
bool ParseNumber(std::string_view text, T& value)
{
    const auto* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

std::string WithoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool ParseLine(std::string_view line, MountEntry& entry)
{
    const auto fields = SplitFields(line);
    // id parent major:minor root mountpoint options [optional...] - type source superoptions
    const auto separator = std::find(fields.begin(), fields.end(), std::string_view("-"));
    if (separator == fields.end() || separator - fields.begin() < 6 || fields.end() - separator < 3)
        return false;
    if (!ParseNumber(fields[0], entry.id) || !ParseNumber(fields[1], entry.parentId))
        return false;
    const auto colon = fields[2].find(':');
    if (colon == std::string_view::npos || !ParseNumber(fields[2].substr(0, colon), entry.major)
        || !ParseNumber(fields[2].substr(colon + 1), entry.minor))
        return false;
    entry.root = UnescapeMountField(fields[3]);
    entry.mountPoint = WithoutTrailingSlash(UnescapeMountField(fields[4]));
    entry.fsType = UnescapeMountField(separator[1]);
    entry.source = UnescapeMountField(separator[2]);
    return !entry.mountPoint.empty() && entry.mountPoint.front() == '/';
}

} // namespace

std::string UnescapeMountField(std::string_view field)
{
    std::string result;
    result.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2])
            && IsOctal(field[i + 3])) {
            result += char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
            i += 3;
        } else {
            result += field[i];
        }
    }
    return result;
}

std::string UnescapeUdevName(std::string_view name)
{
    std::string result;
    result.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && HexValue(name[i + 2]) >= 0
            && HexValue(name[i + 3]) >= 0) {
            result += char((HexValue(name[i + 2]) << 4) | HexValue(name[i + 3]));
            i += 3;
        } else {
            result += name[i];
        }
    }
    return result;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text)
{
    std::vector<MountEntry> entries;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto end = std::min(text.find('\n', pos), text.size());
        MountEntry entry;
        if (ParseLine(text.substr(pos, end - pos), entry))
            entries.push_back(std::move(entry));
        pos = end + 1;
    }
    return entries;
}

bool IsPseudoFileSystem(std::string_view fsType)
{
    static constexpr std::string_view pseudo[] = {
        "proc", "sysfs", "tmpfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "overlay",
        "squashfs", "mqueue", "hugetlbfs", "debugfs", "tracefs", "securityfs", "pstore",
        "bpf", "configfs", "fusectl", "autofs", "binfmt_misc", "efivarfs", "nsfs", "ramfs",
        "rpc_pipefs", "selinuxfs", "binderfs", "nfsd", "fuse.gvfsd-fuse", "fuse.portal",
        "fuse.lxcfs", "aufs", "shiftfs", "none",
    };
    return std::ranges::find(pseudo, fsType) != std::end(pseudo);
}

bool IsNetworkFileSystem(std::string_view fsType)
{
    static constexpr std::string_view network[] = {
        "nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "ceph", "9p",
        "fuse.sshfs", "sshfs", "fuse.glusterfs", "fuse.davfs", "davfs",
    };
    return std::ranges::find(network, fsType) != std::end(network);
}

std::vector<MountEntry> VisibleMounts(const std::vector<MountEntry>& entries)
{
    // Last mount of every mount point: an over-mount hides what was there.
    std::vector<const MountEntry*> lastPerPoint;
    for (const auto& entry : entries) {
        if (IsPseudoFileSystem(entry.fsType))
            continue;
        const auto same = std::find_if(lastPerPoint.begin(), lastPerPoint.end(),
            [&](const MountEntry* kept) { return kept->mountPoint == entry.mountPoint; });
        if (same != lastPerPoint.end())
            lastPerPoint.erase(same);
        lastPerPoint.push_back(&entry);
    }

    // One listing per file system: its first mount is the original, later
    // ones are bind mounts of it. A mount of a sub-folder is passed over when
    // the whole file system is mounted too; when it is not (btrfs subvolumes,
    // a container's view of the host's disk), the first such mount stands for
    // the file system.
    std::set<std::pair<unsigned, unsigned>> wholeMounted;
    for (const auto* entry : lastPerPoint)
        if (entry->root == "/")
            wholeMounted.insert({entry->major, entry->minor});

    std::vector<MountEntry> visible;
    std::set<std::pair<unsigned, unsigned>> listed;
    for (const auto* entry : lastPerPoint) {
        const std::pair<unsigned, unsigned> id{entry->major, entry->minor};
        if (entry->root != "/" && wholeMounted.count(id) != 0)
            continue;
        if (!listed.insert(id).second)
            continue;
        visible.push_back(*entry);
    }
    return visible;
}

} // namespace movarin
