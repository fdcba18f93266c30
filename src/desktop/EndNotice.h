#pragma once
// Announces the end of a run when the main window is not the active one: the
// window asks for attention (urgency hint on X11, a flashing taskbar button on
// Windows) and, on Linux, a desktop notification carries the completion box's
// text. The box itself is shown as always.
#include <string>

#include "desktop/DesktopSeam.h"

class QWidget;

namespace movarin {

class EndNotice {
public:
    EndNotice(QWidget& window, const DesktopSeam& seam);
    void Announce(const std::string& text, const std::string& secondLine);

private:
    QWidget& window_;
    DesktopSeam seam_;
};

} // namespace movarin
