#pragma once
// Keeps the computer from suspending for idleness while a run converts.
// Linux: the desktop portal's Inhibit on the session bus, else logind's on
// the system bus; Windows: the thread's execution state. When none can be
// had, the run goes on and one log line says so.
#include <QCoreApplication>
#include <QString>

#include <memory>

#include "desktop/DesktopSeam.h"

namespace movarin {

// The reason the desktop shows beside the request, in the interface's language.
inline constexpr const char* InhibitReason = QT_TRANSLATE_NOOP("SleepInhibitor", "動画を変換しています");
inline QString ShownInhibitReason()
{
    return QCoreApplication::translate("SleepInhibitor", InhibitReason);
}

class SleepInhibitor {
public:
    explicit SleepInhibitor(const DesktopSeam& seam);
    ~SleepInhibitor();  // releases what is held
    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

    // Neither waits for the desktop's answer; a release before the answer
    // arrives gives the request back as soon as it does.
    void Hold();
    void Release();

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace movarin
