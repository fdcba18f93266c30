#pragma once
// The conversion run: turns the waiting jobs of the list into encoder runs,
// one after another, shows the progress, records each outcome and handles the
// cancel. Lives on the user-interface thread; the runner's end-of-run event,
// which comes on a worker thread, is handed over to that thread before any job
// or control is touched.
#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "jobs/ThConvertInfo.h"

class QEventLoop;
class TConsoleRunner;

namespace movarin {
class IMessageBoxes;
class IVolumeTable;
} // namespace movarin

// What the driver needs from the window that shows the run.
class IConversionView {
public:
    virtual void RefreshJobList() = 0;
    virtual void ShowStatus(const std::string& text) = 0;
    virtual void SetBusy(bool busy) = 0;
    virtual void RestoreApplication() = 0;

protected:
    ~IConversionView() = default;
};

// Texts of the driver's message boxes.
namespace movarin::driver_text {
inline constexpr const char* Info = "情報";
inline constexpr const char* Confirm = "確認";
inline constexpr const char* FinishedJobsRemoved =
    "変換完了、WALKMANへの転送が完了した動画はリストから削除されます";
inline constexpr const char* EmptyList = "変換する動画をリストに追加してください";
// CR LF between the two sentences; Qt's labels draw the CR as a trailing
// blank, so the box shows two lines.
inline constexpr const char* NoPlayer =
    "WALKMAN本体がパソコンに接続(USBモード)されていません。\r\nご確認の上もう一度実行してください。";
inline constexpr const char* ConfirmCancel = "変換を中止してよろしいですか？";
inline constexpr const char* Converted = "変換が完了しました";
inline constexpr const char* Transferred = "変換・WALKMANへの転送が完了しました";
inline constexpr const char* CannotDeleteSuffix = " を削除できませんでした";
} // namespace movarin::driver_text

class TConversionDriver : public QObject {
public:
    TConversionDriver(QObject* owner, IConversionView& view, ThConvertInfoObjectList& jobs,
                      TConsoleRunner& convert, TConsoleRunner& thumbnail,
                      movarin::IMessageBoxes& boxes, movarin::IVolumeTable& volumes,
                      std::function<void(const std::string&)> openFolder);
    ~TConversionDriver() override;

    // Handlers. tag is the Tag of the pressed conversion button (ConvertMode).
    void BtnConvertClick(std::int32_t tag);
    void ImgBtnConvertCancelClick();
    void ConsoleConvertNewLine(const std::string& newLine);
    // The end of conversion run number run, on the user-interface thread.
    // runStatus is the runner's status as the worker saw it at the end.
    void ConsoleConvertTerminated(std::uint64_t run, std::uint32_t exitCode,
                                  std::uint8_t runStatus);

    bool HasFinishedJobs() const;
    void PrepareJobList();
    void StartNextJob();
    void AllJobsDone();

    std::int32_t Mode() const { return Mode_; }
    const std::string& StatusText() const { return StatusText_; }
    bool Cancelling() const { return Cancelling_; }
    // Number of the conversion run whose end is awaited; 0 when none is.
    std::uint64_t CurrentRun() const { return CurrentRun_; }

    // How long the cancel keeps trying to delete a partial output (and waits
    // for the stopped encoder) before it gives up.
    std::chrono::milliseconds GiveUpAfter{10'000};
    // Deletes one file; true when it is gone. Replaceable so that a deletion
    // that keeps failing can be exercised.
    std::function<bool(const std::string&)> RemoveFile;
    // Where outputs go when the output folder setting is empty (a hand-edited
    // file): the work folder, as when the setting is missing.
    std::string WorkFolder;

private:
    void StartConversion(const std::string& source, const std::string& output);
    bool PlayerMode() const;
    std::string OutputFolder() const;
    // Blocks in the event loop until the end of run has been handed over or
    // the deadline has passed.
    void WaitForRunEnd(std::uint64_t run, std::chrono::steady_clock::time_point deadline);
    // Deletes path, retrying while the event loop runs; reports a give-up.
    void DeletePartialFile(const std::string& path,
                           std::chrono::steady_clock::time_point deadline);
    void PumpEventsFor(std::chrono::milliseconds span);

    IConversionView& View_;
    ThConvertInfoObjectList& Jobs_;
    TConsoleRunner& Convert_;
    TConsoleRunner& Thumbnail_;
    movarin::IMessageBoxes& Boxes_;
    movarin::IVolumeTable& Volumes_;
    std::function<void(const std::string&)> OpenFolder_;

    std::int32_t Mode_ = 0;
    std::string StatusText_;
    bool Cancelling_ = false;
    std::uint64_t RunCounter_ = 0;
    std::uint64_t CurrentRun_ = 0;
    std::uint64_t AwaitedRun_ = 0;  // a stopped run whose end the cancel waits for
    bool AwaitedEnded_ = false;
    QEventLoop* WaitLoop_ = nullptr;
};
