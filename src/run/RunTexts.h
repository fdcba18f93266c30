#pragma once
// Every text a conversion run shows the user: the driver's message boxes,
// both lines of the completion box, the status line
// and the settings file that could not be written. Each goes through Qt's
// translation under the context "RunTexts", today's Japanese being the
// source text; with no translator installed it comes back byte for byte.
// A leaf of its own (Qt Core only), so that the job list below the run can
// use it too.
#include <QCoreApplication>
#include <QString>

#include <cstdint>

// The driver's texts, as source texts: shown through RunText.
namespace movarin::driver_text {
inline constexpr const char* Info = QT_TRANSLATE_NOOP("RunTexts", "情報");
inline constexpr const char* Confirm = QT_TRANSLATE_NOOP("RunTexts", "確認");
inline constexpr const char* FinishedJobsRemoved = QT_TRANSLATE_NOOP(
    "RunTexts", "変換完了、WALKMANへの転送が完了した動画はリストから削除されます");
inline constexpr const char* EmptyList =
    QT_TRANSLATE_NOOP("RunTexts", "変換する動画をリストに追加してください");
// CR LF between the two sentences; Qt's labels draw the CR as a trailing
// blank, so the box shows two lines.
inline constexpr const char* NoPlayer = QT_TRANSLATE_NOOP(
    "RunTexts",
    "WALKMAN本体がパソコンに接続(USBモード)されていません。\r\nご確認の上もう一度実行してください。");
inline constexpr const char* ConfirmCancel =
    QT_TRANSLATE_NOOP("RunTexts", "変換を中止してよろしいですか？");
inline constexpr const char* Converted = QT_TRANSLATE_NOOP("RunTexts", "変換が完了しました");
inline constexpr const char* Transferred =
    QT_TRANSLATE_NOOP("RunTexts", "変換・WALKMANへの転送が完了しました");
// Second line of the completion box when a job failed for want of space.
inline constexpr const char* PlayerFull = QT_TRANSLATE_NOOP(
    "RunTexts", "WALKMANの空き容量が不足したため、転送できなかった動画があります");
inline constexpr const char* DestinationFull = QT_TRANSLATE_NOOP(
    "RunTexts", "保存先の空き容量が不足したため、変換できなかった動画があります");
// Second line of the completion box when the destination went away (or
// refused writes) during the run.
inline constexpr const char* PlayerGone =
    QT_TRANSLATE_NOOP("RunTexts", "WALKMANが取り外されたため、転送できなかった動画があります");
inline constexpr const char* DestinationGone =
    QT_TRANSLATE_NOOP("RunTexts", "保存先に書き込めなかったため、変換できなかった動画があります");
} // namespace movarin::driver_text

namespace movarin {

// One of driver_text's texts in the user's language.
QString RunText(const char* source);
// A partial output the cancel could not delete.
QString CannotDeleteText(const QString& path);
// The source time converted so far, each part at least two digits.
QString ElapsedText(std::int32_t hours, std::int32_t minutes, std::int32_t seconds);
// The status line during a conversion, elapsed being ElapsedText's.
QString ConvertedUpToText(const QString& elapsed);
// What follows it: the share of the run done and the wall time it still
// takes, in seconds.
QString TimeLeftText(int percent, long long leftSeconds);
// The settings file refused a write.
QString CannotWriteText(const QString& file);

} // namespace movarin
