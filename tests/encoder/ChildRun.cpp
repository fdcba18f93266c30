#include "ChildRun.h"

#include "encoder/EncoderProcess.h"

#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

Child::Child(const std::string& program, const std::vector<std::string>& args)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe2 failed");
    const movarin::encoder::ExecArgv argv(program, args);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.Get(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    fd_ = ends[0];
    if (rc != 0) {
        close(fd_);
        throw std::runtime_error("posix_spawn failed for " + program);
    }
}

Child::~Child()
{
    if (fd_ >= 0)
        close(fd_);
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool Child::Read()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        result_.output.append(buffer, std::size_t(n));
        return true;
    }
}

bool Child::ReadUntil(const std::string& text)
{
    while (result_.output.find(text) == std::string::npos) {
        if (!Read())
            return false;
    }
    return true;
}

void Child::Signal(int signal)
{
    kill(pid_, signal);
}

void Child::CloseOutput()
{
    close(fd_);
    fd_ = -1;
}

int Child::Wait()
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    result_.exitCode = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    return result_.exitCode;
}

ChildResult Child::Finish()
{
    while (Read()) {
    }
    Wait();
    return result_;
}

ChildResult RunChild(const std::string& program, const std::vector<std::string>& args)
{
    Child child(program, args);
    return child.Finish();
}

namespace {
// State and parent from /proc/<pid>/stat; comm may hold spaces and ')'.
bool ReadStat(const std::string& pid, char& state, long& parent)
{
    std::ifstream in("/proc/" + pid + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    return close != std::string::npos && std::sscanf(text.c_str() + close + 1, " %c %ld", &state, &parent) == 2;
}
} // namespace

std::vector<pid_t> ChildrenOf(pid_t parent)
{
    std::vector<pid_t> pids;
    DIR* proc = opendir("/proc");
    if (!proc)
        return pids;
    while (const dirent* entry = readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        char state = 0;
        long ppid = 0;
        if (*end == '\0' && pid > 0 && ReadStat(entry->d_name, state, ppid) && ppid == parent)
            pids.push_back(pid_t(pid));
    }
    closedir(proc);
    return pids;
}

bool IsAlive(pid_t pid)
{
    char state = 0;
    long parent = 0;
    return ReadStat(std::to_string(pid), state, parent) && state != 'Z' && state != 'X';
}
