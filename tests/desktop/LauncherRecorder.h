#pragma once
// Records the launcher-entry signals of a bus.
#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

#include <utility>
#include <vector>

namespace movarin_desktop_test {

// Qt D-Bus subscribes to bus
// signals only through a slot named by its signature.
class LauncherRecorder : public QObject {
    Q_OBJECT
public:
    explicit LauncherRecorder(QDBusConnection bus)
        : bus_(bus)
    {
        bus_.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                     QStringLiteral("Update"), this, SLOT(Update(QString, QVariantMap)));
    }
    std::vector<std::pair<QString, QVariantMap>> updates;

public Q_SLOTS:
    void Update(const QString& app, const QVariantMap& properties)
    {
        updates.emplace_back(app, properties);
    }

private:
    QDBusConnection bus_;
};

} // namespace movarin_desktop_test
