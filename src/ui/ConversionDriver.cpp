#include "ui/ConversionDriver.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <filesystem>
#include <system_error>

#include "jobs/OutputPath.h"
#include "jobs/Progress.h"
#include "platform/FilePath.h"
#include "platform/MessageBoxes.h"
#include "platform/PlayerDetection.h"
#include "platform/Text.h"
#include "runner/ConsoleRunner.h"

using movarin::BoxAnswer;
using movarin::BoxButtons;
using movarin::BoxIcon;
namespace text = movarin::driver_text;

namespace {

bool RemoveFromDisk(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove(movarin::FsPath(path), ec);
    return !ec;
}

} // namespace

TConversionDriver::TConversionDriver(QObject* owner, IConversionView& view,
                                     ThConvertInfoObjectList& jobs, TConsoleRunner& convert,
                                     TConsoleRunner& thumbnail, movarin::IMessageBoxes& boxes,
                                     movarin::IVolumeTable& volumes,
                                     std::function<void(const std::string&)> openFolder)
    : QObject(owner)
    , RemoveFile(RemoveFromDisk)
    , View_(view)
    , Jobs_(jobs)
    , Convert_(convert)
    , Thumbnail_(thumbnail)
    , Boxes_(boxes)
    , Volumes_(volumes)
    , OpenFolder_(std::move(openFolder))
{
}

TConversionDriver::~TConversionDriver() = default;

bool TConversionDriver::PlayerMode() const
{
    return !Jobs_.MusicMode && Mode_ == cmMovieToWalkman;
}

std::string TConversionDriver::OutputFolder() const
{
    // An empty folder would make bare file names, written into whatever the
    // program's current folder is.
    return Jobs_.SaveDir.empty() ? WorkFolder : Jobs_.SaveDir;
}

void TConversionDriver::BtnConvertClick(std::int32_t tag)
{
    Cancelling_ = false;
    Mode_ = tag;
    if (HasFinishedJobs())
        Boxes_.Show(text::Info, text::FinishedJobsRemoved, BoxButtons::Ok, BoxIcon::None);
    PrepareJobList();
    if (Jobs_.Count() == 0) {
        Boxes_.Show(text::Info, text::EmptyList, BoxButtons::Ok, BoxIcon::None);
        return;
    }
    if (Mode_ == cmMovieToWalkman && movarin::FindPlayerVideoDir(Volumes_).empty()) {
        Boxes_.Show(text::Info, text::NoPlayer, BoxButtons::Ok, BoxIcon::None);
        return;
    }
    View_.SetBusy(true);
    Jobs_.MusicMode = Mode_ == cmMusic;
    StartNextJob();
}

bool TConversionDriver::HasFinishedJobs() const
{
    for (int i = Jobs_.Count() - 1; i >= 0; --i) {
        const auto state = Jobs_.Items(i)->State;
        if (state == csTransferred || state == csConverted)
            return true;
    }
    return false;
}

void TConversionDriver::PrepareJobList()
{
    for (int i = Jobs_.Count() - 1; i >= 0; --i) {
        auto* job = Jobs_.Items(i);
        if (job->State == csTransferred || job->State == csConverted)
            Jobs_.Delete(i);
        else if (job->State == csFailed)
            job->State = csWaiting;
    }
    View_.RefreshJobList();
}

void TConversionDriver::StartNextJob()
{
    // A job that cannot be placed fails on the spot and the next one is
    // tried, so this loops rather than recursing once per such job.
    for (;;) {
        StatusText_.clear();
        View_.ShowStatus(StatusText_);
        auto* job = Jobs_.FirstWaiting();
        if (!job) {
            AllJobsDone();
            return;
        }
        job->State = csConverting;
        View_.RefreshJobList();
        const std::string source = movarin::ToNarrow(job->SourcePath);

        std::string folder;
        if (PlayerMode()) {
            folder = movarin::FindPlayerVideoDir(Volumes_);
            if (folder.empty()) {
                // The player went away during the run: writing the bare file
                // name would drop the video into the program's own folder.
                job->OutputPath.clear();
                job->State = csFailed;
                View_.RefreshJobList();
                continue;
            }
        } else {
            folder = OutputFolder();
        }
        const std::string output = movarin::UniqueFileName(
            movarin::OutputFilePath(source, folder, Jobs_.MusicMode ? ".mp3" : ".mp4"));
        job->OutputPath = movarin::ToWide(output);

        if (PlayerMode()) {
            // Made to the end before the conversion starts; its outcome is
            // not looked at, a missing picture does not stop the video.
            Thumbnail_.CommandLine =
                std::string(EncoderPath) +
                Jobs_.ThumbnailArguments(source, movarin::ThumbnailPath(output));
            Thumbnail_.RunAndWait();
        }
        StartConversion(source, output);
        return;
    }
}

void TConversionDriver::StartConversion(const std::string& source, const std::string& output)
{
    const std::uint64_t run = ++RunCounter_;
    CurrentRun_ = run;
    // The runner copies both handlers into the run's worker when the run
    // starts, so each run carries its own number: an end that arrives after
    // its run was cancelled can be told apart from the end of a later run.
    QPointer<TConversionDriver> self(this);
    Convert_.OnNewLine = [this, run](TConsoleRunner*, const std::string& line, TOutputType) {
        if (run == CurrentRun_)
            ConsoleConvertNewLine(line);
    };
    Convert_.OnTerminated = [self, run](TConsoleRunner* sender, std::uint32_t exitCode) {
        // Worker thread: read the outcome now, act on the user-interface thread.
        const std::uint8_t status = sender->RunStatus();
        if (self)
            QMetaObject::invokeMethod(
                self.data(),
                [self, run, exitCode, status] {
                    if (self)
                        self->ConsoleConvertTerminated(run, exitCode, status);
                },
                Qt::QueuedConnection);
    };
    Convert_.CommandLine = std::string(EncoderPath) + Jobs_.ConvertArguments(source, output);
    Convert_.Start();
}

void TConversionDriver::ConsoleConvertNewLine(const std::string& newLine)
{
    auto status = movarin::ProgressStatusText(newLine);
    if (!status)
        return;
    StatusText_ = std::move(*status);
    View_.ShowStatus(StatusText_);
}

void TConversionDriver::ConsoleConvertTerminated(std::uint64_t run, std::uint32_t exitCode,
                                                 std::uint8_t runStatus)
{
    if (run == AwaitedRun_) {
        AwaitedEnded_ = true;
        if (WaitLoop_)
            WaitLoop_->quit();
    }
    if (Cancelling_ || run != CurrentRun_)
        return;
    CurrentRun_ = 0;
    auto* job = Jobs_.FirstConverting();
    if (!job)
        return;
    // An encoder that never started reports whatever code the runner had;
    // only a run that ended by itself with 0 counts as done.
    if (exitCode != 0 || runStatus != rsExited)
        job->State = csFailed;
    else if (Mode_ == cmMovieToWalkman)
        job->State = csTransferred;
    else
        job->State = csConverted;
    View_.RefreshJobList();
    StartNextJob();
}

void TConversionDriver::ImgBtnConvertCancelClick()
{
    if (Boxes_.Show(text::Confirm, text::ConfirmCancel, BoxButtons::YesNo, BoxIcon::None) !=
        BoxAnswer::Yes)
        return;
    if (!Convert_.IsRunning())
        return;  // the thumbnail is being made, or the run has just ended
    Cancelling_ = true;
    const auto deadline = std::chrono::steady_clock::now() + GiveUpAfter;
    const std::uint64_t stopped = CurrentRun_;
    CurrentRun_ = 0;
    Convert_.Stop();
    // Stop only asks; the encoder may still be creating or writing its
    // output. Its end is reported once its process group is gone.
    WaitForRunEnd(stopped, deadline);

    if (auto* job = Jobs_.FirstConverting()) {
        job->State = csWaiting;
        const std::string output = movarin::ToNarrow(job->OutputPath);
        if (!output.empty() && movarin::FileExists(output)) {
            DeletePartialFile(output, deadline);
            if (Mode_ == cmMovieToWalkman) {
                const std::string thumbnail = movarin::ThumbnailPath(output);
                if (movarin::FileExists(thumbnail))
                    DeletePartialFile(thumbnail, deadline);
            }
        }
    }
    StatusText_.clear();
    View_.ShowStatus(StatusText_);
    View_.RefreshJobList();
    View_.SetBusy(false);
    Cancelling_ = false;
}

void TConversionDriver::WaitForRunEnd(std::uint64_t run,
                                      std::chrono::steady_clock::time_point deadline)
{
    AwaitedRun_ = run;
    AwaitedEnded_ = false;
    while (!AwaitedEnded_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        QEventLoop loop;
        QTimer::singleShot(left, &loop, &QEventLoop::quit);
        WaitLoop_ = &loop;
        loop.exec();
        WaitLoop_ = nullptr;
    }
    AwaitedRun_ = 0;
}

void TConversionDriver::PumpEventsFor(std::chrono::milliseconds span)
{
    QEventLoop loop;
    QTimer::singleShot(span, &loop, &QEventLoop::quit);
    loop.exec();
}

void TConversionDriver::DeletePartialFile(const std::string& path,
                                          std::chrono::steady_clock::time_point deadline)
{
    while (!RemoveFile(path)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            Boxes_.Show(text::Info, path + text::CannotDeleteSuffix, BoxButtons::Ok,
                        BoxIcon::None);
            return;
        }
        PumpEventsFor(std::chrono::milliseconds(100));
    }
}

void TConversionDriver::AllJobsDone()
{
    CurrentRun_ = 0;
    View_.RestoreApplication();
    Boxes_.Show(text::Info, Mode_ == cmMovieToWalkman ? text::Transferred : text::Converted,
                BoxButtons::Ok, BoxIcon::None);
    View_.SetBusy(false);
    if (!Jobs_.OpenDir || !OpenFolder_)
        return;
    const std::string folder =
        Mode_ == cmMovieToWalkman ? movarin::FindPlayerVideoDir(Volumes_) : OutputFolder();
    if (!folder.empty())
        OpenFolder_(folder);
}
