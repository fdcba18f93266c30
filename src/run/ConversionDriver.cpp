#include "run/ConversionDriver.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>
#include <thread>

#include "jobs/NextJob.h"
#include "jobs/OutputPath.h"
#include "jobs/PartialName.h"
#include "jobs/Progress.h"
#include "jobs/Settings.h"
#include "platform/FilePath.h"
#include "platform/FolderListing.h"
#include "platform/MessageBoxes.h"
#include "platform/Paths.h"
#include "platform/PlayerDetection.h"
#include "platform/Text.h"
#include "platform/Volumes.h"
#include "runner/ConsoleRunner.h"
#include "run/ConversionSlot.h"

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

// What FFmpeg (and the C library under it) says when a write finds the
// medium full; FFmpeg never sets a locale, so the words are always these.
constexpr std::string_view NoSpaceText = "No space left on device";

// Shortest time between two changes of the status line: the encoders
// report twice a second each, the eye needs no more than four a second.
constexpr std::chrono::milliseconds StatusPace{250};

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
    , RemoveFile(RemoveFromDisk)
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

    RunActive_ = true;
    DestinationFull_ = false;
    DestinationLost_ = false;
    Swept_.clear();
    Reserved_.clear();
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
    SweepPartials(folder);
    const std::string output = movarin::UniqueFileName(
        movarin::OutputFilePath(source, folder, Jobs_.MusicMode ? ".mp3" : ".mp4"),
        [this](const std::string& name) {
            return Reserved_.contains(movarin::CaseBlindName(name)) || movarin::FileExists(name);
        });
    Reserved_.insert(movarin::CaseBlindName(output));
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

void TConversionDriver::ConversionLine(Slot& slot, const std::string& line, TOutputType type)
{
    if (line.find(NoSpaceText) != std::string::npos)
        slot.noSpace = true;
    // The length comes once, before the first progress text. FFmpeg writes
    // its length line in pieces, and a read may end between them: a piece
    // ("  Duration: ") would read as an unknown length, so only the whole
    // line, which follows, is looked at.
    if (!slot.length && !slot.seconds && type == otCompleteLine) {
        if (const auto length = movarin::DurationSeconds(line)) {
            slot.length = *length;
            return;
        }
    }
    const auto seconds = movarin::ProgressSeconds(line);
    if (!seconds)
        return;
    if (!slot.length)
        slot.length = 0.0;  // progress without a length: it stays unknown
    slot.seconds = *seconds;
    ShowProgress();
}

void TConversionDriver::ShowProgress()
{
    // Changes come from every encoder; the line follows at a steady pace.
    const auto now = std::chrono::steady_clock::now();
    if (now - LastShown_ >= StatusPace) {
        ShowStatusNow();
        return;
    }
    if (!StatusTimer_->isActive())
        StatusTimer_->start(
            std::chrono::ceil<std::chrono::milliseconds>(StatusPace - (now - LastShown_)));
}

void TConversionDriver::ShowStatusNow()
{
    StatusTimer_->stop();
    LastShown_ = std::chrono::steady_clock::now();
    // The progress text of the job that started first among those that
    // have told their progress (one just started has not, and the line must
    // not go blank whenever a job starts), then how far the whole run has
    // come and how long it takes.
    const Slot* lead = nullptr;
    std::vector<movarin::RunJob> run = EndedJobs_;
    for (const auto& slot : Slots_) {
        if (slot->stage == Slot::Free)
            continue;
        movarin::RunJob job = RunJobOf(*slot);
        if (slot->stage == Slot::Flushing)  // converted: only the flush is left
            job.converted = std::max(job.converted, job.length);
        run.push_back(job);
        if (slot->stage == Slot::Converting && slot->seconds &&
            (!lead || slot->started < lead->started))
            lead = slot.get();
    }
    for (int i = 0; i < Jobs_.Count(); ++i) {
        const ThConvertInfoObject& job = *Jobs_.Items(i);
        if (job.State == csWaiting)
            run.push_back({LengthKnown(job) ? *job.Length : 0, 0, false});
    }
    std::string status;
    if (RunActive_ && lead) {
        status = movarin::SecondsToText(*lead->seconds) + movarin::ProgressSuffix;
        if (const auto estimate = movarin::EstimateRun(
                run, std::chrono::duration<double>(LastShown_ - RunBegan_).count())) {
            const std::string shown =
                movarin::RunProgressText(estimate->doneShare, estimate->leftSeconds);
            status += shown;
            if (!shown.empty())
                TellProgress(movarin::RunPercent(estimate->doneShare), ToldFailed_);
        }
    }
    StatusText_ = std::move(status);
    View_.ShowStatus(StatusText_);
}

void TConversionDriver::TellProgress(int percent, bool jobFailed)
{
    if (percent == ToldPercent_ && jobFailed == ToldFailed_)
        return;
    ToldPercent_ = percent;
    ToldFailed_ = jobFailed;
    if (RunObserver)
        RunObserver->RunProgress(percent, jobFailed);
}

void TConversionDriver::TellEnd(const movarin::RunEnd& end)
{
    if (RunObserver)
        RunObserver->RunEnded(end);
}

movarin::RunJob TConversionDriver::RunJobOf(const Slot& slot) const
{
    // The length read when the job was added, else what its encoder told.
    const double length = LengthKnown(*slot.job) ? *slot.job->Length : slot.length.value_or(0);
    return {length, std::max(0.0, double(slot.seconds.value_or(0))), false};
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
        RemoveLeftovers(*slot);
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
    std::vector<movarin::WrittenFile> files{{movarin::PartialName(slot.output), slot.output}};
    if (PlayerMode()) {
        const std::string thumbnail = movarin::ThumbnailPath(slot.output);
        // A source under a second has none.
        if (movarin::FileExists(movarin::PartialName(thumbnail)))
            files.push_back({movarin::PartialName(thumbnail), thumbnail});
    }
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
        RemoveLeftovers(*slot);
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

void TConversionDriver::RemoveLeftovers(const Slot& slot)
{
    // The encoder has ended, so nothing holds the files any more: one try
    // each; a medium that went away keeps what it keeps. A final name is
    // there only when a failed flush had renamed it already.
    for (const std::string& file : FilesOf(slot))
        if (movarin::FileExists(file))
            RemoveFile(file);
}

std::vector<std::string> TConversionDriver::FilesOf(const Slot& slot, bool video) const
{
    std::vector<std::string> files;
    if (video)
        files = {movarin::PartialName(slot.output), slot.output};
    if (PlayerMode()) {
        const std::string thumbnail = movarin::ThumbnailPath(slot.output);
        files.insert(files.end(), {movarin::PartialName(thumbnail), thumbnail});
    }
    return files;
}

bool TConversionDriver::DestinationLost(const std::string& folder, int error) const
{
    // A medium that went away: the kernel's words for a device that is gone
    // (a FUSE daemon that ended says ENOTCONN). The folder may still answer
    // from the cache for a moment, so the write's own error counts too.
    const auto gone = [](int e) { return e == ENOTCONN || e == ENODEV || e == EIO || e == ENXIO; };
    if (gone(error))
        return true;
    // An encoder's failure names no error: the player is asked. One that is
    // still listed may be gone all the same, while one that refuses writes
    // (read-only) is not.
    if (PlayerMode())
        return movarin::FindPlayerVideoDir(Volumes_) != folder || gone(movarin::FolderTakesFiles(folder));
    return !folder.empty() && movarin::FolderTakesFiles(folder) != 0;
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

void TConversionDriver::SweepPartials(const std::string& folder)
{
    // A run killed mid-way left its temporary files behind; only this
    // program writes such names, and the single-instance guard says no other
    // run of it writes here now.
    if (folder.empty() || !Swept_.insert(folder).second)
        return;
    std::vector<movarin::FolderEntry> entries;
    if (!movarin::ListFolder(folder, entries))
        return;
    for (const auto& entry : entries)
        if (entry.kind == movarin::EntryKind::Other && movarin::IsPartialName(entry.name))
            RemoveFile(folder + entry.name);
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
    end.text = Mode_ == cmMovieToWalkman ? text::Transferred : text::Converted;
    if (DestinationFull_)
        end.secondLine = Mode_ == cmMovieToWalkman ? text::PlayerFull : text::DestinationFull;
    if (DestinationLost_) {
        const std::string lost = Mode_ == cmMovieToWalkman ? text::PlayerGone : text::DestinationGone;
        end.secondLine = end.secondLine.empty() ? lost : end.secondLine + "\n" + lost;
    }
    // Before the box, which waits for the user: the computer may sleep and
    // the user hears of the end while it waits.
    TellEnd(end);
    const std::string done = end.secondLine.empty() ? end.text : end.text + "\n" + end.secondLine;
    Boxes_.Show(text::Info, done, BoxButtons::Ok, BoxIcon::None);
    View_.SetBusy(false);
    if (!Jobs_.OpenDir || !OpenFolder_)
        return;
    const std::string folder =
        Mode_ == cmMovieToWalkman ? movarin::FindPlayerVideoDir(Volumes_) : OutputFolder();
    if (!folder.empty())
        OpenFolder_(folder);
}
