// The status line of a run: what the encoders tell of their progress, the
// line that shows it at a steady pace, and what the observer hears of it.
#include "run/ConversionDriver.h"

#include <QTimer>

#include <algorithm>

#include "jobs/Progress.h"
#include "run/ConversionSlot.h"

namespace {

// What FFmpeg (and the C library under it) says when a write finds the
// medium full; FFmpeg never sets a locale, so the words are always these.
constexpr std::string_view NoSpaceText = "No space left on device";

// Shortest time between two changes of the status line: the encoders
// report twice a second each, the eye needs no more than four a second.
constexpr std::chrono::milliseconds StatusPace{250};

} // namespace

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
        status = movarin::ProgressText(*lead->seconds);
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
