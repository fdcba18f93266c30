#include "ProcessTestSupport.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <dirent.h>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::vector<int> ListNumbers(const char* folder)
{
    std::vector<int> numbers;
    DIR* dir = opendir(folder);
    if (!dir)
        return numbers;
    const int own = dirfd(dir);
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        int n = std::stoi(entry->d_name);
        if (n != own)
            numbers.push_back(n);
    }
    closedir(dir);
    return numbers;
}

} // namespace

std::vector<int> OpenDescriptors()
{
    return ListNumbers("/proc/self/fd");
}

int ThreadCount()
{
    return int(ListNumbers("/proc/self/task").size());
}

bool NoChildProcesses()
{
    siginfo_t info{};
    return waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == -1 && errno == ECHILD;
}

std::string TempPath(const std::string& stem)
{
    static int counter = 0;
    return "/tmp/movarin-runner-" + stem + "-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

pid_t ReadPid(const std::string& file)
{
    std::ifstream in(file);
    int pid = 0;
    in >> pid;
    return pid_t(pid);
}

bool WaitUntilGone(pid_t pid)
{
    for (int i = 0; i < 500; ++i) {
        if (kill(pid, 0) != 0 && errno == ESRCH)
            return true;
        // Reparented to an init that does not reap: a zombie is dead too.
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        const auto close = line.rfind(')');
        if (close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z')
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}
