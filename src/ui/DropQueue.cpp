#include "ui/DropQueue.h"

#include <QTimer>

#include <utility>

namespace {
// A quicker read passes without a word rather than flashing a text.
constexpr int SlowReadMs = 300;
} // namespace

TDropQueue::TDropQueue(std::function<void(const movarin::DropPlan&)> apply, QObject* parent)
    : QObject(parent), Apply_(std::move(apply)), SlowRead_(new QTimer(this))
{
    SlowRead_->setSingleShot(true);
    SlowRead_->setInterval(SlowReadMs);
    connect(SlowRead_, &QTimer::timeout, this, [this] {
        Shown_ = true;
        if (ReadingShown)
            ReadingShown(true);
    });
}

TDropQueue::~TDropQueue()
{
    Stop_ = true;
    if (Worker_.joinable())
        Worker_.join();
}

void TDropQueue::Add(std::vector<std::string> names)
{
    Waiting_.push_back(std::move(names));
    if (!SlowRead_->isActive() && !Shown_)
        SlowRead_->start();
    if (!Worker_.joinable() && !Applying_)
        StartNext();
}

void TDropQueue::StartNext()
{
    if (Waiting_.empty()) {
        SlowRead_->stop();
        if (std::exchange(Shown_, false) && ReadingShown)
            ReadingShown(false);
        if (Drained)
            Drained();
        return;
    }
    std::vector<std::string> names = std::move(Waiting_.front());
    Waiting_.pop_front();
    Worker_ = std::thread([this, names = std::move(names)] {
        movarin::DropPlan plan;
        try {
            plan = movarin::PlanDrop(names, Stop_);
        } catch (...) {
            plan = {};
            plan.failure = std::current_exception();
        }
        // Queued onto this object's thread; discarded if this object is
        // destroyed first (the destructor joins before that).
        QMetaObject::invokeMethod(
            this, [this, plan = std::move(plan)]() mutable { Finished(std::move(plan)); },
            Qt::QueuedConnection);
    });
}

void TDropQueue::Finished(movarin::DropPlan plan)
{
    Worker_.join();
    // apply may show a modal box, whose event loop may bring further drops:
    // they wait until this one is done, so the drops keep their order.
    Applying_ = true;
    Apply_(plan);
    Applying_ = false;
    StartNext();
}
