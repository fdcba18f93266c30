#include "desktop/LauncherProgress.h"

#include <utility>

namespace movarin {

struct LauncherProgress::State {
    QWidget& window;
    DesktopSeam seam;
    std::unique_ptr<ITaskbarButton> button;
    bool shown = false;
    ITaskbarButton::State state = ITaskbarButton::State::None;

    void SetState(ITaskbarButton::State wanted)
    {
        if (std::exchange(state, wanted) != wanted)
            button->SetState(wanted);
    }
};

LauncherProgress::LauncherProgress(QWidget& window, const DesktopSeam& seam)
    : state_(std::make_unique<State>(State{window, seam, nullptr}))
{
}

LauncherProgress::~LauncherProgress()
{
    End();
}

void LauncherProgress::Begin()
{
    // The button exists once the window is shown; a run starts after that.
    if (!state_->button && state_->seam.MakeTaskbarButton)
        state_->button = state_->seam.MakeTaskbarButton(state_->window);
    if (!state_->button)
        return;
    state_->shown = true;
    Show(0, false);
}

void LauncherProgress::Show(int percent, bool jobFailed)
{
    if (!state_->shown)
        return;
    state_->SetState(jobFailed ? ITaskbarButton::State::Error : ITaskbarButton::State::Normal);
    state_->button->SetValue(percent);
}

void LauncherProgress::End()
{
    if (std::exchange(state_->shown, false))
        state_->SetState(ITaskbarButton::State::None);
}

} // namespace movarin
