#pragma once

#include <chrono>
#include <functional>

class QCoreApplication;

// Moves work to the main thread and runs background jobs.
//
// Background jobs get a thread each: intake and entry preparation block for minutes in script reads, so a
// fixed-size pool could starve them. The number of live jobs is counted so a process can wait for all of
// them before it exits.
class KLDispatch final {
public:
    using Job = std::function<void()>;

    // Runs the job on the main thread's event loop later.
    static void async(Job job);
    // Runs the job on the main thread and returns when it has run; runs it at once on the main thread.
    static void sync(Job job);
    // Runs the job on the main thread's event loop once the delay has passed; nothing waits meanwhile.
    static void after(std::chrono::milliseconds delay, Job job);
    // Runs the job on a thread of its own.
    static void background(Job job);

    static bool isMainThread();
    static int runningBackgroundJobs();
    // Waits until no background job runs any more; false when the timeout ran out first.
    static bool waitForBackgroundJobs(std::chrono::milliseconds timeout);

private:
    class MainQueuePump;

    static void drainMainQueue();
    static void wakeMainThread(QCoreApplication *application);
};
