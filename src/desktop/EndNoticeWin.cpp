#include "desktop/EndNotice.h"

#include <QApplication>
#include <QWidget>

namespace movarin {

EndNotice::EndNotice(QWidget& window, const DesktopSeam& seam)
    : window_(window)
    , seam_(seam)
{
}

// Windows has no notification service reachable without a registered
// application identity: the flashing taskbar button is the announcement.
void EndNotice::Announce(const std::string&, const std::string&)
{
    if (!window_.isActiveWindow())
        QApplication::alert(&window_);
}

} // namespace movarin
