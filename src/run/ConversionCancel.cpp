// The cancel of a run: every encoder stopped, every partial output and its
// picture deleted, the jobs waiting again.
#include "run/ConversionDriver.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>

#include "jobs/OutputPath.h"
#include "platform/MessageBoxes.h"
#include "runner/ConsoleRunner.h"
#include "run/ConversionSlot.h"

using movarin::BoxAnswer;
using movarin::BoxButtons;
using movarin::BoxIcon;
namespace text = movarin::driver_text;
using movarin::RunText;

void TConversionDriver::ImgBtnConvertCancelClick()
{
    if (Boxes_.Show(RunText(text::Confirm).toStdString(), RunText(text::ConfirmCancel).toStdString(),
                    BoxButtons::YesNo, BoxIcon::None) != BoxAnswer::Yes)
        return;
    // While only thumbnails are being made there is nothing to cancel yet.
    // A job whose files are being flushed is not done yet: it is cancelled
    // like one that converts.
    const bool converting = std::any_of(Slots_.begin(), Slots_.end(), [](const auto& slot) {
        return (slot->stage == Slot::Converting && slot->convert->IsRunning()) ||
               slot->stage == Slot::Flushing;
    });
    if (!converting)
        return;
    Cancelling_ = true;
    const auto deadline = std::chrono::steady_clock::now() + GiveUpAfter;
    std::vector<Slot*> stopped;
    for (auto& slot : Slots_) {
        if (slot->stage == Slot::Free)
            continue;
        stopped.push_back(slot.get());
        Awaited_.insert(slot->run);
        // A flush cannot be stopped; its end is waited for like an encoder's.
        if (slot->stage == Slot::Converting)
            slot->convert->Stop();
        else if (slot->stage == Slot::MakingThumbnail)
            slot->thumbnail->Stop();
    }
    // Stop only asks; an encoder may still be creating or writing its
    // output. Its end is reported once its process group is gone.
    WaitForStoppedRuns(deadline);

    for (Slot* slot : stopped) {
        slot->job->State = csWaiting;
        // A picture without its video would be a stray file on the player,
        // whether its video was begun or not. A flush may have renamed the
        // files before the cancel came.
        for (const std::string& file : FilesOf(*slot, slot->stage != Slot::MakingThumbnail))
            if (movarin::FileExists(file))
                DeletePartialFile(file, deadline);
    }
    for (Slot* slot : stopped) {
        slot->stage = Slot::Free;
        slot->job = nullptr;
    }
    RunActive_ = false;
    movarin::RunEnd end;
    end.cancelled = true;
    end.jobFailed = ToldFailed_;
    TellEnd(end);
    StatusText_.clear();
    StatusTimer_->stop();
    View_.ShowStatus(StatusText_);
    View_.RefreshJobList();
    View_.SetBusy(false);
    Cancelling_ = false;
}

void TConversionDriver::WaitForStoppedRuns(std::chrono::steady_clock::time_point deadline)
{
    while (!Awaited_.empty()) {
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
    Awaited_.clear();
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
            Boxes_.Show(RunText(text::Info).toStdString(),
                        movarin::CannotDeleteText(QString::fromStdString(path)).toStdString(),
                        BoxButtons::Ok, BoxIcon::None);
            return;
        }
        PumpEventsFor(std::chrono::milliseconds(100));
    }
}
