#include "desktop/LauncherProgress.h"

#include <QDBusMessage>
#include <QVariantMap>

namespace movarin {

namespace {

// The launcher entry names the program by its menu entry (data/movarin.desktop).
constexpr const char* AppUri = "application://movarin.desktop";
constexpr const char* EntryPath = "/org/movarin/LauncherEntry";

} // namespace

struct LauncherProgress::State {
    QDBusConnection session;
    bool shown = false;

    void Update(const QVariantMap& properties)
    {
        // Without a session bus there is no dock to tell.
        if (!session.isConnected())
            return;
        QDBusMessage update = QDBusMessage::createSignal(
            QString::fromLatin1(EntryPath), QStringLiteral("com.canonical.Unity.LauncherEntry"),
            QStringLiteral("Update"));
        update << QString::fromLatin1(AppUri) << properties;
        session.send(update);
    }
};

LauncherProgress::LauncherProgress(QWidget&, const DesktopSeam& seam)
    : state_(std::make_unique<State>(State{seam.session}))
{
}

LauncherProgress::~LauncherProgress()
{
    End();
}

void LauncherProgress::Begin()
{
    state_->shown = true;
    Show(0, false);
}

void LauncherProgress::Show(int percent, bool)
{
    if (!state_->shown)
        return;
    state_->Update({{QStringLiteral("progress"), percent / 100.0},
                    {QStringLiteral("progress-visible"), true}});
}

void LauncherProgress::End()
{
    if (!std::exchange(state_->shown, false))
        return;
    state_->Update({{QStringLiteral("progress-visible"), false}});
}

} // namespace movarin
