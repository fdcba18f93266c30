#include "desktop/RunDesktop.h"

namespace movarin {

RunDesktop::RunDesktop(QWidget& mainWindow, const DesktopSeam& seam)
    : awake_(seam)
    , progress_(mainWindow, seam)
    , notice_(mainWindow, seam)
{
}

void RunDesktop::RunStarted()
{
    awake_.Hold();
    progress_.Begin();
}

void RunDesktop::RunProgress(int percent, bool jobFailed)
{
    progress_.Show(percent, jobFailed);
}

void RunDesktop::RunEnded(const RunEnd& end)
{
    awake_.Release();
    progress_.End();
    // The user who cancelled is at the window already.
    if (!end.cancelled)
        notice_.Announce(end.text, end.secondLine);
}

} // namespace movarin
