#pragma once
// What Movarin asks of the desktop while a run converts: the computer kept
// awake, the progress on the taskbar or dock, the end announced when the
// window is not active. All of it is optional: a desktop that offers none of
// it sees the run go on as it would without.
#include "desktop/DesktopSeam.h"
#include "desktop/EndNotice.h"
#include "desktop/LauncherProgress.h"
#include "desktop/SleepInhibitor.h"
#include "run/RunObserver.h"

class QWidget;

namespace movarin {

class RunDesktop final : public IRunObserver {
public:
    RunDesktop(QWidget& mainWindow, const DesktopSeam& seam);
    // A run still going when the window goes (the program ends) gives back
    // what it asked for: the members release themselves.
    ~RunDesktop() override = default;

    void RunStarted() override;
    void RunProgress(int percent, bool jobFailed) override;
    void RunEnded(const RunEnd& end) override;

private:
    SleepInhibitor awake_;
    LauncherProgress progress_;
    EndNotice notice_;
};

} // namespace movarin
