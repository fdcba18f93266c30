#pragma once
// Runs FFmpeg as a child of the front, in the front's own process group (the
// runner kills that group), and streams its stderr through the progress
// rewriter to outFd with blocking reads: no polling, so the front costs next
// to nothing while FFmpeg works.
#include <string>
#include <string_view>
#include <vector>

#include "encoder/ProgressRewriter.h"

namespace movarin::encoder {

// The system's confinement of FFmpeg, prepared before the start
// (sandbox/Confinement.h, sandbox/ConfinementWin.h).
class Confinement;

// Returns FFmpeg's exit code, 128 + N when it died of signal N, or 127 when it
// could not be started or confined (the reason is written to outFd). SIGTERM,
// SIGINT, SIGHUP and SIGQUIT sent to the front are passed on to FFmpeg, which
// then ends its output file properly; FFmpeg is killed when the front dies,
// and when nobody reads the front's output any more: that reader is Movarin,
// and a conversion nobody will collect must not go on unseen.
// FFmpeg runs inside confinement, unconfined when it is null.
int RunEncoder(const std::string& program, const std::vector<std::string>& arguments, int outFd,
               const Confinement* confinement);

// The argument vector of an exec: program, then arguments, owned by the
// object so the pointers stay valid for as long as it lives.
class ExecArgv {
public:
    ExecArgv(const std::string& program, const std::vector<std::string>& arguments);
    ExecArgv(const ExecArgv&) = delete;
    ExecArgv& operator=(const ExecArgv&) = delete;
    char* const* Get() const { return pointers_.data(); }

private:
    std::vector<std::string> storage_;
    std::vector<char*> pointers_;
};

// Writes all of text to fd, retrying interrupted and partial writes.
bool WriteAll(int fd, std::string_view text);

// Passes FFmpeg's output on to outFd, rewritten. When nobody reads any more
// (Movarin is gone), the output is still taken in, so that FFmpeg never
// blocks on a full pipe before it has been ended.
class ProgressRelay {
public:
    explicit ProgressRelay(int outFd) : outFd_(outFd) {}
    void Feed(std::string_view chunk)
    {
        out_.clear();
        rewriter_.Feed(chunk, out_);
        Pass();
    }
    void Finish()
    {
        out_.clear();
        rewriter_.Finish(out_);
        Pass();
    }
    bool ReaderGone() const { return readerGone_; }

private:
    void Pass()
    {
        if (!readerGone_ && !WriteAll(outFd_, out_))
            readerGone_ = true;
    }

    int outFd_;
    ProgressRewriter rewriter_;
    std::string out_;
    bool readerGone_ = false;
};

} // namespace movarin::encoder
