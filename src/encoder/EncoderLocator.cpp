#include "encoder/EncoderLocator.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace movarin::encoder {
namespace {

bool Identify(const std::string& path, FileIdentity& id, struct stat* info = nullptr)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return false;
    id = {st.st_dev, st.st_ino};
    if (info)
        *info = st;
    return true;
}

pid_t ParentOf(pid_t pid)
{
    // /proc/<pid>/stat: "pid (comm) state ppid ..."; comm may hold spaces and
    // parentheses, so read from the last ')'.
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    char state = 0;
    long parent = 0;
    if (std::sscanf(text.c_str() + close + 1, " %c %ld", &state, &parent) != 2)
        return 0;
    return pid_t(parent);
}

} // namespace

std::string FindProgram(std::string_view name, std::string_view searchPath,
                        const std::vector<FileIdentity>& skip)
{
    if (searchPath.empty())
        searchPath = kDefaultSearchPath;
    std::size_t begin = 0;
    while (begin <= searchPath.size()) {
        std::size_t end = searchPath.find(':', begin);
        if (end == std::string_view::npos)
            end = searchPath.size();
        std::string dir(searchPath.substr(begin, end - begin));
        begin = end + 1;
        if (dir.empty())
            dir = ".";
        const std::string candidate = dir + "/" + std::string(name);
        FileIdentity id;
        struct stat st {};
        if (!Identify(candidate, id, &st) || !S_ISREG(st.st_mode))
            continue;
        if (access(candidate.c_str(), X_OK) != 0)
            continue;
        if (std::find(skip.begin(), skip.end(), id) != skip.end())
            continue;
        return candidate;
    }
    return {};
}

std::vector<FileIdentity> OwnAndAncestorExecutables()
{
    std::vector<FileIdentity> ids;
    FileIdentity id;
    if (Identify("/proc/self/exe", id))
        ids.push_back(id);
    // Bounded: a process tree is never this deep, and a misread parent must
    // not loop.
    pid_t pid = getppid();
    for (int depth = 0; depth < 64 && pid > 1; ++depth) {
        if (Identify("/proc/" + std::to_string(pid) + "/exe", id))
            ids.push_back(id);
        pid = ParentOf(pid);
    }
    return ids;
}

} // namespace movarin::encoder
