#include "run/LengthProbe.h"

#include <QPointer>

#include "jobs/Progress.h"
#include "jobs/ThConvertInfo.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "runner/ConsoleRunner.h"

TLengthProbe::TLengthProbe(QObject* owner, ThConvertInfoObjectList& jobs)
    : QObject(owner)
    , Jobs_(jobs)
    // No error box: a missing encoder is reported by the conversion that
    // needs it, not once per added file.
    , Runner_(std::make_unique<TConsoleRunner>(nullptr, nullptr, movarin::BelowNormalPriority))
{
}

TLengthProbe::~TLengthProbe()
{
    Runner_.reset();
}

void TLengthProbe::Look()
{
    if (Probing())
        return;
    const ThConvertInfoObject* job = nullptr;
    for (int i = 0; i < Jobs_.Count() && !job; ++i)
        // A job that converts learns its length from its own encoder, and a
        // finished one needs none.
        if (!Jobs_.Items(i)->Length && Jobs_.Items(i)->State == csWaiting)
            job = Jobs_.Items(i);
    if (!job)
        return;

    ProbedJob_ = job->Id;
    Found_.reset();
    const std::uint64_t run = ++Run_;
    QPointer<TLengthProbe> self(this);
    Runner_->OnNewLine = [this, run](TConsoleRunner*, const std::string& line, TOutputType type) {
        ProbeLine(run, line, type);
    };
    Runner_->OnTerminated = [self, run](TConsoleRunner*, std::uint32_t) {
        // Worker thread: the job list is touched on the user-interface thread only.
        if (self)
            QMetaObject::invokeMethod(
                self.data(),
                [self, run] {
                    if (self)
                        self->ProbeEnded(run);
                },
                Qt::QueuedConnection);
    };
    Runner_->MaxTimeAfterBeginning = GiveUpAfterSeconds;
    Runner_->CommandLine =
        std::string(EncoderPath) + Jobs_.LengthArguments(movarin::ToNarrow(job->SourcePath));
    Runner_->Start();
}

void TLengthProbe::ProbeLine(std::uint64_t run, const std::string& line, TOutputType type)
{
    // The encoder writes its length line in pieces; only the whole line
    // tells the length, a piece would read as unknown.
    if (run != Run_ || Found_ || type != otCompleteLine)
        return;
    Found_ = movarin::DurationSeconds(line);
}

void TLengthProbe::ProbeEnded(std::uint64_t run)
{
    if (run != Run_ || !Probing())
        return;
    // The encoder ends with an error, having no output to write: the line
    // it printed is what counts. No line, or a failed start: unknown.
    if (ThConvertInfoObject* job = Jobs_.JobWithId(ProbedJob_))
        job->Length = Found_.value_or(0.0);
    ProbedJob_ = 0;
    Look();
}
