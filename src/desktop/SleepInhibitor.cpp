#include "desktop/SleepInhibitor.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QVariantMap>
#include <QtGlobal>

namespace movarin {

namespace {

constexpr int PortalSuspend = 4;
constexpr int PortalIdle = 8;
// The answer comes asynchronously; this only bounds how long a silent
// service keeps the request pending.
constexpr int AnswerTimeoutMs = 10'000;

QString ErrorText(const QDBusError& error)
{
    return error.message().isEmpty() ? error.name() : error.name() + ": " + error.message();
}

} // namespace

// Shared with the pending calls, which may answer after the inhibitor is gone:
// a request granted then is given back at once.
struct SleepInhibitor::State : std::enable_shared_from_this<SleepInhibitor::State> {
    explicit State(const DesktopSeam& buses) : seam(buses) {}

    DesktopSeam seam;
    bool wanted = false;
    bool asking = false;
    bool gaveUp = false;  // neither could be had: not asked again in this run
    QString portalRequest;          // held through the portal: its Request object
    QDBusUnixFileDescriptor logind;  // held through logind: closing it releases

    bool Held() const { return !portalRequest.isEmpty() || logind.isValid(); }

    template <class Answer>
    void Ask(QDBusConnection& bus, const QDBusMessage& call, Answer answer)
    {
        asking = true;
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, AnswerTimeoutMs));
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                         [self = shared_from_this(), answer](QDBusPendingCallWatcher* done) {
                             done->deleteLater();
                             self->asking = false;
                             answer(*self, *done);
                             self->Settle();
                         });
    }

    void AskPortal()
    {
        if (!seam.session.isConnected()) {
            AskLogind(QStringLiteral("no session bus"));
            return;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.portal.Desktop"),
            QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
        call << QString() << uint(PortalSuspend | PortalIdle)
             << QVariantMap{{QStringLiteral("reason"), ShownInhibitReason()}};
        Ask(seam.session, call, [](State& state, QDBusPendingCallWatcher& done) {
            const QDBusPendingReply<QDBusObjectPath> reply = done;
            if (reply.isError())
                state.AskLogind(ErrorText(reply.error()));
            else
                state.portalRequest = reply.value().path();
        });
    }

    void AskLogind(const QString& portalError)
    {
        if (!seam.system.isConnected()) {
            Unavailable(portalError, QStringLiteral("no system bus"));
            return;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
        call << QStringLiteral("sleep:idle") << QStringLiteral("Movarin")
             << ShownInhibitReason() << QStringLiteral("block");
        Ask(seam.system, call, [portalError](State& state, QDBusPendingCallWatcher& done) {
            const QDBusPendingReply<QDBusUnixFileDescriptor> reply = done;
            if (reply.isError())
                state.Unavailable(portalError, ErrorText(reply.error()));
            else
                state.logind = reply.value();
        });
    }

    void Unavailable(const QString& portalError, const QString& logindError)
    {
        gaveUp = true;
        qWarning("Movarin: the computer may suspend during this run: no desktop portal (%s) and "
                 "no logind (%s) to keep it awake",
                 qUtf8Printable(portalError), qUtf8Printable(logindError));
    }

    // Brings what is held in line with what is wanted, once no answer is awaited.
    void Settle()
    {
        if (asking)
            return;
        if (wanted && !Held() && !gaveUp) {
            AskPortal();
        } else if (!wanted && Held()) {
            if (!portalRequest.isEmpty())
                seam.session.send(QDBusMessage::createMethodCall(
                    QStringLiteral("org.freedesktop.portal.Desktop"), portalRequest,
                    QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Close")));
            portalRequest.clear();
            logind = QDBusUnixFileDescriptor();
        }
    }
};

SleepInhibitor::SleepInhibitor(const DesktopSeam& seam)
    : state_(std::make_shared<State>(seam))
{
}

SleepInhibitor::~SleepInhibitor()
{
    Release();
}

void SleepInhibitor::Hold()
{
    state_->wanted = true;
    state_->gaveUp = false;
    state_->Settle();
}

void SleepInhibitor::Release()
{
    state_->wanted = false;
    state_->Settle();
}

} // namespace movarin
