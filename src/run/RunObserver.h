#pragma once
// What the desktop around the window learns of a run: its start, how far the
// whole run has come, and its end. The driver calls it on the user-interface
// thread; a run without an observer goes on as it would anyway.
#include <string>

namespace movarin {

struct RunEnd {
    bool cancelled = false;
    bool jobFailed = false;      // a job of the run ended 変換失敗
    std::string text;            // the completion box's text (none when cancelled)
    std::string secondLine;      // its second line, when it has one
};

class IRunObserver {
public:
    virtual ~IRunObserver() = default;
    virtual void RunStarted() = 0;
    // percent is the status line's whole-run percent; jobFailed tells that a
    // job of the run has failed so far. Called only when either changes.
    virtual void RunProgress(int percent, bool jobFailed) = 0;
    virtual void RunEnded(const RunEnd& end) = 0;
};

} // namespace movarin
