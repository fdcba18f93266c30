#pragma once
// Runs a program directly (no shell) with stdout and stderr in one pipe, as
// Movarin's runner does, and collects what it writes.
#include <string>
#include <sys/types.h>
#include <vector>

struct ChildResult {
    int exitCode = -1; // 128 + N when ended by signal N
    std::string output;
};

class Child {
public:
    Child(const std::string& program, const std::vector<std::string>& args);
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child(); // kills and reaps a child still running

    pid_t Pid() const { return pid_; }
    // Reads until `text` has appeared in the output or the output ends.
    bool ReadUntil(const std::string& text);
    // Reads to the end and reaps.
    ChildResult Finish();
    void Signal(int signal);
    // Stops reading: the child's next write finds no reader.
    void CloseOutput();
    // Reaps without reading on; returns the exit code.
    int Wait();

private:
    bool Read();

    pid_t pid_ = -1;
    int fd_ = -1;
    ChildResult result_;
};

ChildResult RunChild(const std::string& program, const std::vector<std::string>& args);

// The pids whose parent is `parent`, from /proc.
std::vector<pid_t> ChildrenOf(pid_t parent);
// True while the process exists and is not a zombie.
bool IsAlive(pid_t pid);
