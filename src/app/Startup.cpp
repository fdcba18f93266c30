#include "app/Startup.h"

#include <QCoreApplication>

#include "platform/MessageBoxes.h"
#include "platform/SingleInstance.h"

namespace movarin {

MovarinWindows::MovarinWindows(const MainWindowServices& services)
    : FormMain(services)
    , FormSelectDVD(&FormMain, services.Volumes, services.Boxes)
    , FormConfig(&FormMain, services.FileDialogs)
{
    FormMain.SetDialogs(FormSelectDVD, FormConfig);
}

std::unique_ptr<MovarinWindows> StartMovarin(SingleInstanceLock& lock,
                                             const MainWindowServices& services)
{
    // Only "another instance holds it" stops a start; a lock that cannot even
    // be tried lets this one run.
    if (lock.TryAcquire() == LockResult::HeldElsewhere) {
        services.Boxes.Show("情報",
                            QCoreApplication::translate("Startup", "既に起動しています").toStdString(),
                            BoxButtons::Ok, BoxIcon::None);
        return nullptr;
    }
    return std::make_unique<MovarinWindows>(services);
}

} // namespace movarin
