#include "ui/StatusText.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace movarin {

namespace {

// What comes after the run's percent: " (45% 残り約1分20秒)".
QString TimeLeft(const QRegularExpressionMatch& m)
{
    const QString percent = m.captured(4);
    if (m.hasCaptured(5))
        return QCoreApplication::translate("StatusText", " (%1% 残り約%2時間%3分)")
            .arg(percent, m.captured(5), m.captured(6));
    if (m.hasCaptured(7))
        return QCoreApplication::translate("StatusText", " (%1% 残り約%2分%3秒)")
            .arg(percent, m.captured(7), m.captured(8));
    const int seconds = m.captured(9).toInt();
    return QCoreApplication::translate("StatusText", " (%1% 残り約%n秒)", nullptr, seconds).arg(percent);
}

} // namespace

QString ShownStatus(const std::string& text)
{
    // The shapes of SecondsToText + ProgressSuffix + RunProgressText.
    static const QRegularExpression progress(QStringLiteral(
        "^(\\d+)時間(\\d+)分(\\d+)秒までの動画を変換完了"
        "(?: \\((\\d+)% 残り約(?:(\\d+)時間(\\d+)分|(\\d+)分(\\d+)秒|(\\d{1,9})秒)\\))?$"));
    const QString shown = QString::fromStdString(text);
    const QRegularExpressionMatch m = progress.match(shown);
    if (!m.hasMatch())
        return shown;
    const QString converted = QCoreApplication::translate("StatusText", "%1時間%2分%3秒")
                                  .arg(m.captured(1), m.captured(2), m.captured(3));
    QString status = QCoreApplication::translate("StatusText", "%1までの動画を変換完了").arg(converted);
    if (m.hasCaptured(4))
        status += TimeLeft(m);
    return status;
}

} // namespace movarin
