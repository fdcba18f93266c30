#include "desktop/SleepInhibitor.h"

#include <QtGlobal>

#include <windows.h>

namespace movarin {

struct SleepInhibitor::State {
    DesktopSeam seam;
    bool held = false;
};

SleepInhibitor::SleepInhibitor(const DesktopSeam& seam)
    : state_(std::make_shared<State>(State{seam}))
{
}

SleepInhibitor::~SleepInhibitor()
{
    Release();
}

// The execution state belongs to the calling thread: both calls come from the
// user-interface thread, where the driver lives.
void SleepInhibitor::Hold()
{
    if (state_->held || !state_->seam.SetExecutionState)
        return;
    state_->held = state_->seam.SetExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0;
    if (!state_->held)
        qWarning("Movarin: the computer may suspend during this run: SetThreadExecutionState "
                 "failed (%lu)",
                 GetLastError());
}

void SleepInhibitor::Release()
{
    if (!state_->held)
        return;
    state_->held = false;
    state_->seam.SetExecutionState(ES_CONTINUOUS);
}

} // namespace movarin
