#pragma once
// Blocking calls run on threads of their own, each result handed to the
// user-interface thread by a queued call. The owner joins every thread
// before it goes (JoinAll in its destructor), so no result can arrive at an
// object that is no longer there.
#include <QMetaObject>
#include <QObject>

#include <cstdint>
#include <map>
#include <thread>
#include <utility>

class TWorkerThreads {
public:
    TWorkerThreads() = default;
    TWorkerThreads(const TWorkerThreads&) = delete;
    TWorkerThreads& operator=(const TWorkerThreads&) = delete;
    ~TWorkerThreads() { JoinAll(); }

    // work() runs on a new thread; done(result) then runs on receiver's
    // thread. Call from the receiver's thread only.
    template <class Work, class Done>
    void Run(QObject* receiver, Work work, Done done)
    {
        const std::uint64_t id = ++Started_;
        Threads_.emplace(id, std::thread([this, id, receiver, work = std::move(work),
                                          done = std::move(done)]() mutable {
            auto result = work();
            QMetaObject::invokeMethod(
                receiver,
                [this, id, result = std::move(result), done = std::move(done)]() mutable {
                    Join(id);
                    done(std::move(result));
                },
                Qt::QueuedConnection);
        }));
    }

    void JoinAll()
    {
        for (auto& [id, thread] : Threads_)
            thread.join();
        Threads_.clear();
    }

private:
    void Join(std::uint64_t id)
    {
        // The thread has posted its result and does nothing more.
        if (const auto found = Threads_.find(id); found != Threads_.end()) {
            found->second.join();
            Threads_.erase(found);
        }
    }

    std::uint64_t Started_ = 0;
    std::map<std::uint64_t, std::thread> Threads_;
};
