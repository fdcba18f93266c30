#include "desktop/EndNotice.h"

#include <QApplication>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>
#include <QWidget>

namespace movarin {

EndNotice::EndNotice(QWidget& window, const DesktopSeam& seam)
    : window_(window)
    , seam_(seam)
{
}

void EndNotice::Announce(const std::string& text, const std::string& secondLine)
{
    if (window_.isActiveWindow())
        return;
    QApplication::alert(&window_);
    if (!seam_.session.isConnected())
        return;
    QString body = QString::fromStdString(text);
    if (!secondLine.empty())
        body += QLatin1Char('\n') + QString::fromStdString(secondLine);
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // The icon by its theme name, as the menu entry names it.
    notify << QStringLiteral("Movarin") << uint(0) << QStringLiteral("movarin")
           << QStringLiteral("Movarin") << body << QStringList() << QVariantMap() << -1;
    // Not waited for: without a notification service the urgency hint is all.
    seam_.session.send(notify);
}

} // namespace movarin
