#pragma once
// The conversion run: turns the waiting jobs of the list into encoder runs,
// several side by side, shows the progress, records each outcome and handles
// the cancel. Lives on the user-interface thread; the runner's end-of-run event,
// which comes on a worker thread, is handed over to that thread before any job
// or control is touched.
#include <QObject>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "jobs/RunEstimate.h"
#include "jobs/ThConvertInfo.h"
#include "platform/Flush.h"
#include "runner/RunnerTypes.h"
#include "run/ConversionView.h"
#include "run/RunFiles.h"
#include "run/RunObserver.h"
#include "run/RunTexts.h"
#include "run/WorkerThreads.h"

class QEventLoop;
class QTimer;
class TConsoleRunner;

namespace movarin {
class IMessageBoxes;
class IVolumeTable;
struct Volume;
} // namespace movarin

// How many encoders a run keeps busy when nothing says otherwise: one per
// processor core (one FFmpeg run of our lines keeps about one core busy),
// at least 1, at most 4.
std::size_t DefaultParallelJobs();

class TConversionDriver : public QObject {
public:
    // convert and thumbnail are the runners of the first job slot; further
    // slots get runners of their own, made on demand.
    TConversionDriver(QObject* owner, IConversionView& view, ThConvertInfoObjectList& jobs,
                      TConsoleRunner& convert, TConsoleRunner& thumbnail,
                      movarin::IMessageBoxes& boxes, movarin::IVolumeTable& volumes,
                      std::function<void(const std::string&)> openFolder);
    ~TConversionDriver() override;

    // Handlers. tag is the Tag of the pressed conversion button (ConvertMode).
    void BtnConvertClick(std::int32_t tag);
    void ImgBtnConvertCancelClick();
    // The end of encoder run number run (a thumbnail or a conversion), on the
    // user-interface thread. runStatus is the runner's status as the worker
    // saw it at the end. An end of no run awaited changes nothing.
    void ConsoleConvertTerminated(std::uint64_t run, std::uint32_t exitCode,
                                  std::uint8_t runStatus);

    bool HasFinishedJobs() const;
    void PrepareJobList();
    void AllJobsDone();

    std::int32_t Mode() const { return Mode_; }
    const std::string& StatusText() const { return StatusText_; }
    bool Cancelling() const { return Cancelling_; }
    // Number of the conversion run that started first among those running;
    // 0 when none is.
    std::uint64_t CurrentRun() const;

    // Encoders a run keeps busy at most; read when a run starts.
    std::size_t ParallelJobs = DefaultParallelJobs();
    // How long the cancel keeps trying to delete a partial output (and waits
    // for the stopped encoders) before it gives up.
    std::chrono::milliseconds GiveUpAfter{10'000};
    // Deletes one file; true when it is gone. Replaceable so that a deletion
    // that keeps failing can be exercised.
    std::function<bool(const std::string&)> RemoveFile;
    // Makes a job's files durable and gives them their final names before
    // the job counts as done; runs on a worker thread. Replaceable so that
    // the order and a failing medium can be exercised.
    std::function<movarin::FlushResult(const std::vector<movarin::WrittenFile>&,
                                       const std::string&)>
        Flush = movarin::FlushToMedium;
    // Where outputs go when the output folder setting is empty (a hand-edited
    // file): the work folder, as when the setting is missing.
    std::string WorkFolder;
    // The viewer's language the encoder front is told with each conversion
    // (ISO 639-2): the language the interface shows.
    std::string ViewerLanguage;
    // Told of each run's start, progress and end (the desktop's services
    // during a run); none by default.
    movarin::IRunObserver* RunObserver = nullptr;

private:
    struct Slot;

    // Starts waiting jobs while a slot is free; ends the run when nothing
    // runs and nothing waits.
    void StartJobs();
    // Starts job on slot; false when the job failed on the spot.
    bool StartJob(Slot& slot, ThConvertInfoObject& job);
    void StartRun(Slot& slot, TConsoleRunner& runner, const std::string& commandLine);
    void StartConversion(Slot& slot);
    void StartFlush(Slot& slot);
    void FlushDone(std::uint64_t run, const movarin::FlushResult& result);
    // The slot whose run (an encoder's or a flush) has ended, once the cancel
    // has been told; nothing while a cancel is at work or when no slot awaits it.
    Slot* EndOfRun(std::uint64_t run);
    // Records the outcome of the slot's job and frees the slot for the next.
    void EndJob(Slot& slot, ConvertState state);
    // Every name the slot's job may have written (RunFiles.h).
    std::vector<std::string> FilesOf(const Slot& slot, bool video = true) const;
    // Whether this run's destination folder is gone or refuses writes.
    bool DestinationLost(const std::string& folder, int error = 0) const;
    // The destination went away: every job still waiting ends failed, none
    // of them could be written, and the completion box says why.
    void LoseDestination();
    void ConversionLine(Slot& slot, const std::string& line, TOutputType type);
    void ShowProgress();
    void ShowStatusNow();
    // Tells the observer the run's percent and failure, when either changed.
    void TellProgress(int percent, bool jobFailed);
    void TellEnd(const movarin::RunEnd& end);
    // A job in a slot as the run's estimate sees it.
    movarin::RunJob RunJobOf(const Slot& slot) const;
    Slot* SlotOfRun(std::uint64_t run);
    std::string OpticalDiscOf(const std::string& source,
                              const std::vector<movarin::Volume>& volumes);
    bool PlayerMode() const;
    std::string OutputFolder() const;
    // Blocks in the event loop until the end of every stopped run has been
    // handed over or the deadline has passed.
    void WaitForStoppedRuns(std::chrono::steady_clock::time_point deadline);
    // Deletes path, retrying while the event loop runs; reports a give-up.
    void DeletePartialFile(const std::string& path,
                           std::chrono::steady_clock::time_point deadline);
    void PumpEventsFor(std::chrono::milliseconds span);

    IConversionView& View_;
    ThConvertInfoObjectList& Jobs_;
    movarin::IMessageBoxes& Boxes_;
    movarin::IVolumeTable& Volumes_;
    std::function<void(const std::string&)> OpenFolder_;

    std::vector<std::unique_ptr<Slot>> Slots_;
    std::vector<std::unique_ptr<TConsoleRunner>> ExtraRunners_;
    std::size_t SlotsInRun_ = 1;

    std::int32_t Mode_ = 0;
    std::string StatusText_;
    bool Cancelling_ = false;
    bool RunActive_ = false;
    std::uint64_t RunCounter_ = 0;
    std::uint64_t StartCounter_ = 0;
    // Output names given out in this run and folders swept.
    movarin::TRunFiles Files_;
    // The jobs of this run that have ended, as the estimate of the time
    // left sees them; the list itself no longer tells what they converted.
    std::vector<movarin::RunJob> EndedJobs_;
    std::chrono::steady_clock::time_point RunBegan_;
    QTimer* StatusTimer_ = nullptr;  // child; paces the status line
    std::chrono::steady_clock::time_point LastShown_;

    // A job of this run failed because its destination was full.
    bool DestinationFull_ = false;
    // What the observer was last told of this run.
    int ToldPercent_ = -1;
    bool ToldFailed_ = false;
    // The destination of this run went away or refused writes.
    bool DestinationLost_ = false;

    std::set<std::uint64_t> Awaited_;  // stopped runs whose ends the cancel waits for
    QEventLoop* WaitLoop_ = nullptr;
    TWorkerThreads Flushes_;  // joined before the driver goes
};
