#pragma once
// Start-up after the application object exists: the single-instance guard,
// then the three windows in their order (main window, DVD chapter dialog,
// settings dialog), which live until the end of the run.
#include "ui/UnitConfig.h"
#include "ui/UnitMain.h"
#include "ui/UnitSelectDVD.h"

#include <memory>

namespace movarin {

class SingleInstanceLock;

struct MovarinWindows {
    explicit MovarinWindows(const MainWindowServices& services);

    TFormMain FormMain;
    TFormSelectDVD FormSelectDVD;
    TFormConfig FormConfig;
};

// Takes the lock; when another instance holds it, shows "既に起動しています"
// and returns nothing, having created no window.
std::unique_ptr<MovarinWindows> StartMovarin(SingleInstanceLock& lock,
                                             const MainWindowServices& services);

} // namespace movarin
