#pragma once
// The seccomp deny-list for the FFmpeg child. libseccomp builds it in the
// front before the fork; the child loads the finished program with one
// system call, so nothing is allocated between fork and exec.
#include <linux/filter.h>
#include <string>
#include <vector>

namespace movarin::encoder {

class SeccompFilter {
public:
    // Everything is allowed but what no encoder needs: sockets, tracing and
    // other processes' memory, kernel objects that have had many faults
    // (BPF, perf, userfaultfd, io_uring, keyrings), namespaces and mounts,
    // module and kernel loading, and typing into the terminal. With
    // denyTruncation also truncate(), creat() and opening with O_TRUNC, for
    // kernels whose Landlock cannot stop a read-only open from emptying a
    // file. A system call of another architecture kills the process.
    // On failure error says why.
    bool Build(bool denyTruncation, std::string& error);

    // In the forked child, after no_new_privs. Returns false with errno set.
    bool Load() const noexcept;

private:
    std::vector<sock_filter> program_;
    sock_fprog header_{};
};

} // namespace movarin::encoder
