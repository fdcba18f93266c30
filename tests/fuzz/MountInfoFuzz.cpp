// The mount-table parser on any text: every entry it keeps is whole, the
// drives are a subset of the entries, and an escaped field comes back as it
// was.
#include "FuzzInput.h"
#include "platform/MountInfo.h"

#include <algorithm>

namespace {

// How the kernel writes a mount field: blank, tab, line feed and backslash
// as three-digit octal escapes.
std::string Escaped(std::string_view field)
{
    std::string out;
    for (const char c : field) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\\') {
            const auto u = static_cast<unsigned char>(c);
            out += '\\';
            out += char('0' + (u >> 6));
            out += char('0' + ((u >> 3) & 7));
            out += char('0' + (u & 7));
        } else {
            out += c;
        }
    }
    return out;
}

bool SameEntry(const movarin::MountEntry& a, const movarin::MountEntry& b)
{
    return a.id == b.id && a.mountPoint == b.mountPoint && a.source == b.source && a.root == b.root
        && a.fsType == b.fsType && a.major == b.major && a.minor == b.minor;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 8192)
        return 0;
    FuzzInput in(data, size);
    const std::string field = in.Text();
    Require(movarin::UnescapeMountField(Escaped(field)) == field);

    const auto entries = movarin::ParseMountInfo(in.Rest());
    for (const auto& entry : entries)
        Require(!entry.mountPoint.empty() && entry.mountPoint.front() == '/'
                && (entry.mountPoint.size() == 1 || entry.mountPoint.back() != '/'));
    const auto visible = movarin::VisibleMounts(entries);
    Require(visible.size() <= entries.size());
    for (const auto& mount : visible) {
        Require(std::any_of(entries.begin(), entries.end(),
                            [&](const movarin::MountEntry& e) { return SameEntry(e, mount); }));
        Require(!movarin::IsPseudoFileSystem(mount.fsType));
        // A mount point is listed once.
        Require(std::count_if(visible.begin(), visible.end(), [&](const movarin::MountEntry& e) {
                    return e.mountPoint == mount.mountPoint;
                }) == 1);
    }
    return 0;
}
