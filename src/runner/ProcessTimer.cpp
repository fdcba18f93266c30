#include "runner/ProcessTimer.h"

#include <QThread>

TProcessTimer::TProcessTimer(QObject* owner)
    : QTimer(owner)
{
    connect(this, &QTimer::timeout, this, &TProcessTimer::Tick);
}

void TProcessTimer::StartCounting()
{
    secondsSinceStart_.store(0);
    secondsSinceLastOutput_.store(0);
    counting_.fetch_add(1);
    // A QTimer may only be started on its own thread.
    auto enable = [this] {
        if (counting_.load() > 0 && !isActive())
            start(1000);
    };
    if (QThread::currentThread() == thread())
        enable();
    else
        QMetaObject::invokeMethod(this, enable, Qt::QueuedConnection);
}

void TProcessTimer::StopCounting()
{
    // A stopped worker may still be winding down while the next run has
    // begun: its late stop must not leave the new run without ticks.
    counting_.fetch_sub(1);
    auto disable = [this] {
        if (counting_.load() == 0)
            stop();
    };
    if (QThread::currentThread() == thread())
        disable();
    else
        QMetaObject::invokeMethod(this, disable, Qt::QueuedConnection);
}

void TProcessTimer::Tick()
{
    secondsSinceStart_.fetch_add(1);
    secondsSinceLastOutput_.fetch_add(1);
}
