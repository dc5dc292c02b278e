#pragma once

#include <chrono>
#include <functional>

class QCoreApplication;
class QThreadPool;

// Moves work to the main thread and runs background jobs.
//
// Background jobs run on a pool of their own, large enough that none waits for a thread: an analysis may
// wait minutes for its tasks, and a pool of the machine's size could starve the others. The number of live
// jobs is counted so a process can wait for all of them before it exits.
class KLDispatch final {
public:
    using Job = std::function<void()>;

    // Runs the job on the main thread's event loop later.
    static void async(Job job);
    // Runs the job at once on the main thread; from another thread it is posted there.
    static void onMainThread(Job job);
    // Runs the job on the main thread and returns when it has run; runs it at once on the main thread.
    static void sync(Job job);
    // Runs the job on the main thread's event loop once the delay has passed; nothing waits meanwhile.
    static void after(std::chrono::milliseconds delay, Job job);
    // Runs the job on a thread of the background pool.
    static void background(Job job);

    static bool isMainThread();
    // Runs the calling thread's event loop until the condition holds or the timeout has passed; whether it
    // holds. For the main thread's few waits outside the loop (an ending program, a test), whose condition
    // comes true through the very events they serve.
    static bool serveEventsUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout);
    static int runningBackgroundJobs();
    // Waits until no background job runs any more; false when the timeout ran out first.
    static bool waitForBackgroundJobs(std::chrono::milliseconds timeout);

private:
    class MainQueuePump;

    static constexpr int maximumBackgroundJobs = 256;

    static QThreadPool &backgroundPool();
    static void drainMainQueue();
    static void wakeMainThread(QCoreApplication *application);
};
