#pragma once
// A private D-Bus daemon for one test, and small services on it that answer
// with the real interface names and record every call they get.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace movarin_desktop_test {

// No service directories: nothing of the machine's own is started on demand.
constexpr const char* BusConfig = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

class PrivateBus {
public:
    // An empty address when dbus-daemon is missing or did not start.
    PrivateBus()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty() || !config_.open())
            return;
        config_.write(BusConfig);
        config_.flush();
        daemon_.start(daemon, {QStringLiteral("--config-file=") + config_.fileName(),
                               QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (!daemon_.waitForReadyRead(10'000))
            return;
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        for (const QString& name : names_)
            QDBusConnection::disconnectFromBus(name);
        daemon_.kill();
        daemon_.waitForFinished();
    }
    const QString& Address() const { return address_; }
    // A connection of its own, as another process would have.
    QDBusConnection Connect()
    {
        static int made = 0;
        names_.push_back(QStringLiteral("movarin-test-%1").arg(++made));
        return QDBusConnection::connectToBus(address_, names_.back());
    }

private:
    QTemporaryFile config_;
    QProcess daemon_;
    QString address_;
    std::vector<QString> names_;
};

// Owns name on bus and answers every call to any of its objects with what
// Answer returns (nothing by default). Calls may arrive on Qt's D-Bus thread.
class RecordingService final : public QDBusVirtualObject {
public:
    using Answer = std::function<QVariantList(const QDBusMessage&)>;
    RecordingService(QDBusConnection bus, const QString& name, Answer answer = {})
        : bus_(bus)
        , answer_(std::move(answer))
    {
        bus_.registerVirtualObject(QStringLiteral("/"), this, QDBusConnection::SubPath);
        bus_.registerService(name);
    }
    ~RecordingService() override { bus_.unregisterObject(QStringLiteral("/")); }
    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override
    {
        const QVariantList values = answer_ ? answer_(call) : QVariantList();
        {
            std::lock_guard lock(mutex_);
            calls_.push_back(call);
        }
        bus.send(call.createReply(values));
        return true;
    }
    QString introspect(const QString&) const override { return {}; }
    // "member path" of every call so far.
    std::vector<std::string> Calls() const
    {
        std::lock_guard lock(mutex_);
        std::vector<std::string> calls;
        for (const QDBusMessage& call : calls_)
            calls.push_back((call.member() + QLatin1Char(' ') + call.path()).toStdString());
        return calls;
    }
    std::vector<QDBusMessage> Messages() const
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    QDBusConnection bus_;
    Answer answer_;
    mutable std::mutex mutex_;
    std::vector<QDBusMessage> calls_;
};

} // namespace movarin_desktop_test
