#include "run/ConversionDriver.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <thread>

#include "jobs/NextJob.h"
#include "jobs/OutputPath.h"
#include "jobs/Settings.h"
#include "platform/MessageBoxes.h"
#include "platform/Paths.h"
#include "platform/PlayerDetection.h"
#include "platform/Text.h"
#include "platform/Volumes.h"
#include "runner/ConsoleRunner.h"
#include "run/ConversionSlot.h"
#include "run/RunFiles.h"

using movarin::BoxAnswer;
using movarin::BoxButtons;
using movarin::BoxIcon;
namespace text = movarin::driver_text;

namespace {

std::string Shown(const char* source)
{
    return movarin::RunText(source).toStdString();
}

void SetUpLikeTheFirst(TConsoleRunner& runner, const TConsoleRunner& model)
{
    runner.InputToOutput = model.InputToOutput;
    runner.MaxTimeAfterBeginning = model.MaxTimeAfterBeginning;
    runner.MaxTimeAfterLastOutput = model.MaxTimeAfterLastOutput;
    runner.ShowWindow = model.ShowWindow;
    runner.CreationFlag = model.CreationFlag;
    runner.ReturnCode = model.ReturnCode;
}

} // namespace

std::size_t DefaultParallelJobs()
{
    return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
}

TConversionDriver::TConversionDriver(QObject* owner, IConversionView& view,
                                     ThConvertInfoObjectList& jobs, TConsoleRunner& convert,
                                     TConsoleRunner& thumbnail, movarin::IMessageBoxes& boxes,
                                     movarin::IVolumeTable& volumes,
                                     std::function<void(const std::string&)> openFolder)
    : QObject(owner)
    , RemoveFile(movarin::RemoveFromDisk)
    , View_(view)
    , Jobs_(jobs)
    , Boxes_(boxes)
    , Volumes_(volumes)
    , OpenFolder_(std::move(openFolder))
{
    auto first = std::make_unique<Slot>();
    first->convert = &convert;
    first->thumbnail = &thumbnail;
    Slots_.push_back(std::move(first));
    StatusTimer_ = new QTimer(this);
    StatusTimer_->setSingleShot(true);
    // A coarse timer may fire a little early, and the pace is a promise.
    StatusTimer_->setTimerType(Qt::PreciseTimer);
    connect(StatusTimer_, &QTimer::timeout, this, [this] { ShowStatusNow(); });
}

TConversionDriver::~TConversionDriver()
{
    // The runners made here wait for their workers, whose handlers refer to
    // this driver: they go while it is still whole; so do the flushes.
    ExtraRunners_.clear();
    Flushes_.JoinAll();
}

std::vector<std::string> TConversionDriver::FilesOf(const Slot& slot, bool video) const
{
    return movarin::JobFiles(slot.output, PlayerMode(), video);
}

bool TConversionDriver::DestinationLost(const std::string& folder, int error) const
{
    return movarin::DestinationLost(folder, error, PlayerMode(), Volumes_);
}

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

std::uint64_t TConversionDriver::CurrentRun() const
{
    const Slot* lead = nullptr;
    for (const auto& slot : Slots_)
        if (slot->stage == Slot::Converting && (!lead || slot->started < lead->started))
            lead = slot.get();
    return lead ? lead->run : 0;
}

void TConversionDriver::BtnConvertClick(std::int32_t tag)
{
    Cancelling_ = false;
    Mode_ = tag;
    if (HasFinishedJobs())
        Boxes_.Show(Shown(text::Info), Shown(text::FinishedJobsRemoved), BoxButtons::Ok, BoxIcon::None);
    PrepareJobList();
    if (Jobs_.Count() == 0) {
        Boxes_.Show(Shown(text::Info), Shown(text::EmptyList), BoxButtons::Ok, BoxIcon::None);
        return;
    }
    if (Mode_ == cmMovieToWalkman && movarin::FindPlayerVideoDir(Volumes_).empty()) {
        Boxes_.Show(Shown(text::Info), Shown(text::NoPlayer), BoxButtons::Ok, BoxIcon::None);
        return;
    }
    View_.SetBusy(true);
    Jobs_.MusicMode = Mode_ == cmMusic;

    RunActive_ = true;
    DestinationFull_ = false;
    DestinationLost_ = false;
    Files_.Begin();
    EndedJobs_.clear();
    RunBegan_ = std::chrono::steady_clock::now();
    ToldPercent_ = 0;
    ToldFailed_ = false;
    if (RunObserver)
        RunObserver->RunStarted();
    SlotsInRun_ = std::max<std::size_t>(1, ParallelJobs);
    while (Slots_.size() < SlotsInRun_) {
        auto slot = std::make_unique<Slot>();
        for (TConsoleRunner** runner : {&slot->convert, &slot->thumbnail}) {
            ExtraRunners_.push_back(std::make_unique<TConsoleRunner>(nullptr, &Boxes_));
            *runner = ExtraRunners_.back().get();
            SetUpLikeTheFirst(**runner, *Slots_.front()->convert);
        }
        Slots_.push_back(std::move(slot));
    }
    StartJobs();
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

std::string TConversionDriver::OpticalDiscOf(const std::string& source,
                                             const std::vector<movarin::Volume>& volumes)
{
    // The volume that holds the source is the one with the longest root
    // that the path begins with.
    const movarin::Volume* holder = nullptr;
    for (const auto& volume : volumes)
        if (source.starts_with(volume.root) &&
            (!holder || volume.root.size() > holder->root.size()))
            holder = &volume;
    return holder && holder->type == movarin::DriveType::Optical ? holder->root : std::string();
}

void TConversionDriver::StartJobs()
{
    // Read once: a list of many chapters waiting for their disc is looked
    // through at every start.
    const auto volumes = Volumes_.Volumes();
    std::vector<movarin::StartCandidate> jobs(std::size_t(Jobs_.Count()));
    for (int i = 0; i < Jobs_.Count(); ++i)
        if (Jobs_.Items(i)->State == csWaiting)
            jobs[std::size_t(i)].disc =
                OpticalDiscOf(movarin::ToNarrow(Jobs_.Items(i)->SourcePath), volumes);
    while (RunActive_ && !Cancelling_) {
        Slot* free = nullptr;
        std::size_t busy = 0;
        for (std::size_t i = 0; i < SlotsInRun_; ++i) {
            if (Slots_[i]->stage != Slot::Free)
                ++busy;
            else if (!free)
                free = Slots_[i].get();
        }
        std::optional<std::size_t> next;
        if (free) {
            std::set<std::string> busyDiscs;
            for (const auto& slot : Slots_)
                if (slot->stage != Slot::Free && !slot->disc.empty())
                    busyDiscs.insert(slot->disc);
            for (std::size_t i = 0; i < jobs.size(); ++i) {
                const ThConvertInfoObject& job = *Jobs_.Items(int(i));
                jobs[i].waiting = job.State == csWaiting;
                jobs[i].length = LengthKnown(job) ? *job.Length : 0;
            }
            // With one place the list's own order holds.
            next = movarin::NextJob(jobs, busyDiscs, SlotsInRun_ > 1);
        }
        if (!next) {
            if (busy == 0)
                AllJobsDone();
            return;
        }
        free->disc = jobs[*next].disc;
        StartJob(*free, *Jobs_.Items(int(*next)));
    }
}

bool TConversionDriver::StartJob(Slot& slot, ThConvertInfoObject& job)
{
    job.State = csConverting;
    View_.RefreshJobList();
    const std::string source = movarin::ToNarrow(job.SourcePath);

    std::string folder = PlayerMode() ? movarin::FindPlayerVideoDir(Volumes_) : OutputFolder();
    if (!folder.empty() && !folder.ends_with(movarin::PathDelimiter))
        folder += movarin::PathDelimiter;
    // The player went away during the run (writing the bare file name would
    // drop the video into the program's own folder), or the output folder
    // did: no job waiting for it can be written, and none is tried.
    if (folder.empty() ? PlayerMode() : !PlayerMode() && DestinationLost(folder)) {
        job.OutputPath.clear();
        job.State = csWaiting;
        LoseDestination();
        return false;
    }
    Files_.SweepPartials(folder, RemoveFile);
    const std::string output =
        Files_.ReserveOutput(source, folder, Jobs_.MusicMode ? ".mp3" : ".mp4");
    job.OutputPath = movarin::ToWide(output);

    slot.job = &job;
    slot.started = ++StartCounter_;
    slot.source = source;
    slot.output = output;
    slot.folder = folder;
    slot.length.reset();
    slot.seconds.reset();
    slot.noSpace = false;
    ShowProgress();
    if (PlayerMode()) {
        // Made to the end before the conversion starts; its outcome is not
        // looked at, a missing picture does not stop the video. Its end
        // arrives like any other, so the window goes on meanwhile.
        slot.stage = Slot::MakingThumbnail;
        StartRun(slot, *slot.thumbnail,
                 std::string(EncoderPath) +
                     Jobs_.ThumbnailArguments(source, movarin::ThumbnailPath(output)));
    } else {
        StartConversion(slot);
    }
    return true;
}

void TConversionDriver::StartConversion(Slot& slot)
{
    slot.stage = Slot::Converting;
    // Told through the environment: the command line stays as it is.
    slot.convert->Environment = FrontEnvironment(Jobs_, ViewerLanguage);
    StartRun(slot, *slot.convert,
             std::string(EncoderPath) + Jobs_.ConvertArguments(slot.source, slot.output));
}

void TConversionDriver::StartRun(Slot& slot, TConsoleRunner& runner,
                                 const std::string& commandLine)
{
    const std::uint64_t run = ++RunCounter_;
    slot.run = run;
    // The runner copies both handlers into the run's worker when the run
    // starts, so each run carries its own number: an end that arrives after
    // its run was cancelled can be told apart from the end of a later run.
    QPointer<TConversionDriver> self(this);
    runner.OnNewLine = [this, run](TConsoleRunner*, const std::string& line, TOutputType type) {
        Slot* owner = SlotOfRun(run);
        if (owner && owner->stage == Slot::Converting)
            ConversionLine(*owner, line, type);
    };
    runner.OnTerminated = [self, run](TConsoleRunner* sender, std::uint32_t exitCode) {
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
    runner.CommandLine = commandLine;
    runner.Start();
}

TConversionDriver::Slot* TConversionDriver::SlotOfRun(std::uint64_t run)
{
    for (auto& slot : Slots_)
        if (slot->stage != Slot::Free && slot->run == run)
            return slot.get();
    return nullptr;
}

TConversionDriver::Slot* TConversionDriver::EndOfRun(std::uint64_t run)
{
    if (Awaited_.erase(run) && Awaited_.empty() && WaitLoop_)
        WaitLoop_->quit();
    return Cancelling_ ? nullptr : SlotOfRun(run);
}

void TConversionDriver::ConsoleConvertTerminated(std::uint64_t run, std::uint32_t exitCode,
                                                 std::uint8_t runStatus)
{
    Slot* slot = EndOfRun(run);
    if (!slot)
        return;  // a stopped run, or one already settled
    if (slot->stage == Slot::MakingThumbnail) {
        StartConversion(*slot);
        return;
    }
    // An encoder that never started reports whatever code the runner had;
    // only a run that ended by itself with 0 counts as done.
    if (exitCode != 0 || runStatus != rsExited) {
        DestinationFull_ = DestinationFull_ || slot->noSpace;
        movarin::RemoveLeftovers(FilesOf(*slot), RemoveFile);
        if (DestinationLost(slot->folder))
            LoseDestination();
        EndJob(*slot, csFailed);
        return;
    }
    StartFlush(*slot);
}

void TConversionDriver::StartFlush(Slot& slot)
{
    // The job is done only once its files are on the medium: a player
    // unplugged on the completion box must hold whole videos. The flush can
    // take seconds on a slow stick, so it runs beside the window.
    slot.stage = Slot::Flushing;
    const std::uint64_t run = ++RunCounter_;
    slot.run = run;
    std::vector<movarin::WrittenFile> files = movarin::FinishedFiles(slot.output, PlayerMode());
    Flushes_.Run(
        this,
        [flush = Flush, files = std::move(files), folder = slot.folder] {
            return flush(files, folder);
        },
        [this, run](const movarin::FlushResult& result) { FlushDone(run, result); });
}

void TConversionDriver::FlushDone(std::uint64_t run, const movarin::FlushResult& result)
{
    Slot* slot = EndOfRun(run);
    if (!slot)
        return;
    if (result.error != 0) {
        // Pulled out, or full after all: what is there may be cut short.
        DestinationFull_ = DestinationFull_ || result.error == ENOSPC;
        movarin::RemoveLeftovers(FilesOf(*slot), RemoveFile);
        if (DestinationLost(slot->folder, result.error))
            LoseDestination();
        EndJob(*slot, csFailed);
        return;
    }
    EndJob(*slot, Mode_ == cmMovieToWalkman ? csTransferred : csConverted);
}

void TConversionDriver::EndJob(Slot& slot, ConvertState state)
{
    slot.job->State = state;
    if (state == csFailed)
        TellProgress(ToldPercent_, true);
    movarin::RunJob ended = RunJobOf(slot);
    ended.ended = true;
    if (state != csFailed)
        ended.converted = std::max(ended.converted, ended.length);
    EndedJobs_.push_back(ended);
    slot.stage = Slot::Free;
    slot.job = nullptr;
    View_.RefreshJobList();
    ShowProgress();
    StartJobs();
}

void TConversionDriver::LoseDestination()
{
    DestinationLost_ = true;
    for (int i = 0; i < Jobs_.Count(); ++i) {
        ThConvertInfoObject& job = *Jobs_.Items(i);
        if (job.State != csWaiting)
            continue;
        job.State = csFailed;
        EndedJobs_.push_back({LengthKnown(job) ? *job.Length : 0, 0, true});
        TellProgress(ToldPercent_, true);
    }
    View_.RefreshJobList();
}

void TConversionDriver::AllJobsDone()
{
    RunActive_ = false;
    StatusText_.clear();
    StatusTimer_->stop();
    View_.ShowStatus(StatusText_);
    View_.RestoreApplication();
    movarin::RunEnd end;
    end.jobFailed = ToldFailed_;
    end.text = Shown(Mode_ == cmMovieToWalkman ? text::Transferred : text::Converted);
    if (DestinationFull_)
        end.secondLine = Shown(Mode_ == cmMovieToWalkman ? text::PlayerFull : text::DestinationFull);
    if (DestinationLost_) {
        const std::string lost =
            Shown(Mode_ == cmMovieToWalkman ? text::PlayerGone : text::DestinationGone);
        end.secondLine = end.secondLine.empty() ? lost : end.secondLine + "\n" + lost;
    }
    // Before the box, which waits for the user: the computer may sleep and
    // the user hears of the end while it waits.
    TellEnd(end);
    const std::string done = end.secondLine.empty() ? end.text : end.text + "\n" + end.secondLine;
    Boxes_.Show(Shown(text::Info), done, BoxButtons::Ok, BoxIcon::None);
    View_.SetBusy(false);
    if (!Jobs_.OpenDir || !OpenFolder_)
        return;
    const std::string folder =
        Mode_ == cmMovieToWalkman ? movarin::FindPlayerVideoDir(Volumes_) : OutputFolder();
    if (!folder.empty())
        OpenFolder_(folder);
}
