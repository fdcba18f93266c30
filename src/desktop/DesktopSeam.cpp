#include "desktop/DesktopSeam.h"

namespace movarin {

DesktopSeam SystemDesktopSeam()
{
    return {QDBusConnection::sessionBus(), QDBusConnection::systemBus()};
}

} // namespace movarin
