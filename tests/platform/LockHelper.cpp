// Takes the single-instance lock in the folder given as argument, reports
// the outcome on standard output and, when it holds the lock, sleeps until it
// is killed (at most a minute, so a failed test leaves nothing behind).
#include "platform/SingleInstance.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    movarin::SingleInstanceLock lock(argv[1]);
    switch (lock.TryAcquire()) {
    case movarin::LockResult::Acquired:
        std::puts("acquired");
        std::fflush(stdout);
        for (int i = 0; i < 60; ++i)
            ::sleep(1);
        return 0;
    case movarin::LockResult::HeldElsewhere:
        std::puts("held");
        return 3;
    case movarin::LockResult::Failed:
        std::puts("failed");
        return 4;
    }
    return 2;
}
