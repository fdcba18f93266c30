#pragma once
// Sole owner of one descriptor, closed at scope end: the front's pipes and
// files never outlive the step that needs them.
#include <unistd.h>

namespace movarin::encoder {

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Reset(); }
    int Get() const { return fd_; }
    void Reset()
    {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

} // namespace movarin::encoder
