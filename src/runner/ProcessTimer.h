#pragma once
// Counts the seconds of a run for the two time limits. The ticks come on the
// thread the timer lives on (the user-interface thread); the worker reads and
// resets the counters, so they are atomic, and starting or stopping from the
// worker is handed to the timer's own thread.
#include <QTimer>

#include <atomic>
#include <cstdint>

class TProcessTimer : public QTimer {
public:
    explicit TProcessTimer(QObject* owner);

    // Interval 1000 ms, both counters 0, enabled (already ticking when
    // another run of the same runner still counts).
    void StartCounting();
    // Since the last delivered text.
    void ResetLastOutput() { secondsSinceLastOutput_.store(0); }
    // Disabled once no run counts; the counters keep their values.
    void StopCounting();

    std::int32_t SecondsSinceStart() const { return secondsSinceStart_.load(); }
    std::int32_t SecondsSinceLastOutput() const { return secondsSinceLastOutput_.load(); }

    // One tick: both counters up by one.
    void Tick();

private:
    std::atomic<std::int32_t> secondsSinceStart_{0};
    std::atomic<std::int32_t> secondsSinceLastOutput_{0};
    // Runs counting now: the workers of a runner may overlap.
    std::atomic<std::int32_t> counting_{0};
};
