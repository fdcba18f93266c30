#pragma once
// Drops worked out on a worker thread, one after another, and handed back to
// the user-interface thread in the order they were made. A dropped folder
// may hold thousands of entries or sit on a slow stick or share; reading it
// on the user-interface thread would freeze the window for that long.
#include <QObject>

#include <atomic>
#include <deque>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ui/DropFiles.h"

class QTimer;

class TDropQueue : public QObject {
public:
    // apply gets each drop's plan on the user-interface thread. It and the
    // callbacks below run inside Qt's event dispatch and must not throw.
    TDropQueue(std::function<void(const movarin::DropPlan&)> apply, QObject* parent);
    // Stops the drop being read and waits for its thread; what was not yet
    // handed back is dropped.
    ~TDropQueue() override;

    TDropQueue(const TDropQueue&) = delete;
    TDropQueue& operator=(const TDropQueue&) = delete;

    void Add(std::vector<std::string> names);
    // A drop is being read, waits or is being applied.
    bool Pending() const { return Applying_ || Worker_.joinable() || !Waiting_.empty(); }

    // On the user-interface thread: true once the drops have taken long
    // enough to be worth saying so, false when the last one has been applied.
    std::function<void(bool)> ReadingShown;
    // On the user-interface thread, after the last waiting drop was applied.
    std::function<void()> Drained;

private:
    void StartNext();
    void Finished(movarin::DropPlan plan);

    std::function<void(const movarin::DropPlan&)> Apply_;
    std::deque<std::vector<std::string>> Waiting_;
    std::thread Worker_;
    std::atomic<bool> Stop_{false};
    bool Applying_ = false;
    bool Shown_ = false;
    QTimer* SlowRead_ = nullptr;  // owned (Qt parent)
};
