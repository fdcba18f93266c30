#pragma once
// How the desktop's services are reached during a run. Production takes the
// system's own (SystemDesktopSeam); tests hand in private buses (Linux) or
// recording stand-ins (Windows).
#include <cstdint>
#include <functional>
#include <memory>

#ifdef _WIN32
class QWidget;
#else
#include <QDBusConnection>
#endif

namespace movarin {

#ifdef _WIN32
// The taskbar button of the main window (ITaskbarList3 in production).
class ITaskbarButton {
public:
    enum class State { None, Normal, Error };
    virtual ~ITaskbarButton() = default;
    virtual void SetState(State state) = 0;
    virtual void SetValue(int percent) = 0;
};

struct DesktopSeam {
    // SetThreadExecutionState: returns the previous state, 0 on failure.
    std::function<std::uint32_t(std::uint32_t)> SetExecutionState;
    // The button of window; made when the first run starts, when the window
    // has its taskbar button.
    std::function<std::unique_ptr<ITaskbarButton>(QWidget& window)> MakeTaskbarButton;
};
#else
struct DesktopSeam {
    QDBusConnection session;
    QDBusConnection system;
};
#endif

DesktopSeam SystemDesktopSeam();

} // namespace movarin
