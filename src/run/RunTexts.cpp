#include "run/RunTexts.h"

#include <cstdio>

namespace movarin {
namespace {

// For the texts of the tables, which lupdate finds by their markers.
QString Translate(const char* source)
{
    return QCoreApplication::translate("RunTexts", source);
}

// At least two digits, as the status line has always shown them (a
// negative number keeps its sign before them).
QString TwoDigits(long long number)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2lld", number);
    return QString::fromLatin1(buffer);
}


} // namespace

QString RunText(const char* source)
{
    return Translate(source);
}

QString CannotDeleteText(const QString& path)
{
    return QCoreApplication::translate("RunTexts", "%1 を削除できませんでした").arg(path);
}

QString ElapsedText(std::int32_t hours, std::int32_t minutes, std::int32_t seconds)
{
    return QCoreApplication::translate("RunTexts", "%1時間%2分%3秒")
        .arg(TwoDigits(hours), TwoDigits(minutes), TwoDigits(seconds));
}

QString ConvertedUpToText(const QString& elapsed)
{
    return QCoreApplication::translate("RunTexts", "%1までの動画を変換完了").arg(elapsed);
}

QString TimeLeftText(int percent, long long leftSeconds)
{
    const QString shown = QString::number(percent);
    if (leftSeconds < 60)
        return QCoreApplication::translate("RunTexts", " (%1% 残り約%n秒)", nullptr,
                                           int(leftSeconds))
            .arg(shown);
    if (leftSeconds < 3600)
        return QCoreApplication::translate("RunTexts", " (%1% 残り約%2分%3秒)")
            .arg(shown, QString::number(leftSeconds / 60), TwoDigits(leftSeconds % 60));
    return QCoreApplication::translate("RunTexts", " (%1% 残り約%2時間%3分)")
        .arg(shown, QString::number(leftSeconds / 3600), TwoDigits(leftSeconds % 3600 / 60));
}

QString CannotWriteText(const QString& file)
{
    return QCoreApplication::translate("RunTexts", "%1 に書き込めません").arg(file);
}

} // namespace movarin
