#pragma once
// The run's progress on the taskbar button or the dock's icon. Linux: the
// launcher-entry signal on the session bus, which Plasma's task manager and
// the common docks show; Windows: ITaskbarList3 on the main window.
#include <memory>

#include "desktop/DesktopSeam.h"

class QWidget;

namespace movarin {

class LauncherProgress {
public:
    LauncherProgress(QWidget& window, const DesktopSeam& seam);
    ~LauncherProgress();  // takes a progress still shown away
    LauncherProgress(const LauncherProgress&) = delete;
    LauncherProgress& operator=(const LauncherProgress&) = delete;

    void Begin();
    // percent 0 to 100; a failed job shows as such where the desktop can.
    void Show(int percent, bool jobFailed);
    void End();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace movarin
