#include "Utils/KLDispatch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <utility>

namespace {

// The jobs for the main thread go through a queue of our own rather than inside Qt's event: the handover
// then happens under a standard mutex, which keeps the happens-before edge visible to the thread sanitizer.
// Where a pool job (or another thread) posting its answer meets the main thread draining the queue.
std::mutex mainQueueMutex;
std::deque<KLDispatch::Job> mainQueue;
// Whether a drain of the queue is on its way to the main thread; at most one is.
bool drainScheduled = false;
// A drain hands the main thread back after this long, so that input, painting and timers go on however
// many jobs are waiting: a thousand rows announced at once must not freeze the window.
constexpr auto drainBudget = std::chrono::milliseconds(8);

// Guards the background jobs handed to the pool and their count: where the main thread handing out a job
// (and waiting for the pool to be idle at the end) meets the pool's threads that run and count them.
std::mutex backgroundMutex;
std::condition_variable backgroundIdle;
std::deque<KLDispatch::Job> backgroundQueue;
int backgroundJobs = 0;

} // namespace

// The main thread's end of the queue. A drain is asked for with a plain event that only Qt's code reads and
// deletes: a slot object of ours handed through Qt's event queue, which synchronises with futexes the thread
// sanitizer does not see, would be read here with no visible ordering against its making on another thread.
class KLDispatch::MainQueuePump final : public QObject {
protected:
    void customEvent(QEvent * /*event*/) override { drainMainQueue(); }
};

void KLDispatch::wakeMainThread(QCoreApplication *application) {
    static MainQueuePump *const pump = [application] {
        auto *made = new MainQueuePump;
        made->moveToThread(application->thread());
        return made;
    }();
    QCoreApplication::postEvent(pump, new QEvent(QEvent::User));
}

void KLDispatch::async(Job job) {
    QCoreApplication *application = QCoreApplication::instance();
    bool schedule = false;
    {
        std::lock_guard lock(mainQueueMutex);
        mainQueue.push_back(std::move(job));
        schedule = !std::exchange(drainScheduled, true);
    }
    if (application == nullptr) {
        // Without an event loop there is no other thread to wait for: run it here.
        drainMainQueue();
    } else if (schedule) {
        wakeMainThread(application);
    }
}

void KLDispatch::onMainThread(Job job) {
    if (isMainThread()) {
        job();
    } else {
        async(std::move(job));
    }
}

void KLDispatch::sync(Job job) {
    if (isMainThread() || QCoreApplication::instance() == nullptr) {
        job();
        return;
    }
    std::promise<void> done;
    std::future<void> ran = done.get_future();
    async([&job, &done] {
        job();
        done.set_value();
    });
    ran.wait();
}

void KLDispatch::after(std::chrono::milliseconds delay, Job job) {
    async([delay, job = std::move(job)]() mutable {
        QCoreApplication *application = QCoreApplication::instance();
        if (application == nullptr) {
            job(); // no event loop to come back to: nothing can happen during the delay anyway
            return;
        }
        QTimer::singleShot(delay, application, std::move(job));
    });
}

void KLDispatch::background(Job job) {
    {
        // The job goes through a queue of our own, under a standard mutex: the pool's own handover
        // synchronises inside Qt, where the thread sanitizer sees no ordering between writer and runner.
        std::lock_guard lock(backgroundMutex);
        ++backgroundJobs;
        backgroundQueue.push_back(std::move(job));
    }
    backgroundPool().start([] {
        Job next;
        {
            std::lock_guard lock(backgroundMutex);
            next = std::move(backgroundQueue.front());
            backgroundQueue.pop_front();
        }
        next();
        next = nullptr; // release what the job captured before counting it as ended
        std::lock_guard lock(backgroundMutex);
        if (--backgroundJobs == 0) {
            backgroundIdle.notify_all();
        }
    });
}

QThreadPool &KLDispatch::backgroundPool() {
    // Made once and never destroyed: a pool that went with the program's static objects would wait there for
    // jobs that wait for the main thread. Its threads are reused and end after a while without work.
    static QThreadPool *const pool = [] {
        auto *made = new QThreadPool;
        made->setMaxThreadCount(maximumBackgroundJobs);
        made->setExpiryTimeout(30000);
        return made;
    }();
    return *pool;
}

bool KLDispatch::serveEventsUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

bool KLDispatch::isMainThread() {
    QCoreApplication *application = QCoreApplication::instance();
    return application != nullptr && QThread::currentThread() == application->thread();
}

int KLDispatch::runningBackgroundJobs() {
    std::lock_guard lock(backgroundMutex);
    return backgroundJobs;
}

bool KLDispatch::waitForBackgroundJobs(std::chrono::milliseconds timeout) {
    if (!isMainThread()) {
        std::unique_lock lock(backgroundMutex);
        return backgroundIdle.wait_for(lock, timeout, [] { return backgroundJobs == 0; });
    }
    // A job may be waiting for a task, whose work runs here: the event loop goes on meanwhile.
    return serveEventsUntil([] { return runningBackgroundJobs() == 0; }, timeout);
}

void KLDispatch::drainMainQueue() {
    {
        // From here on a new job asks for a drain of its own: a job that runs an event loop of its own (a
        // modal alert) must not hold up the jobs that come meanwhile.
        std::lock_guard lock(mainQueueMutex);
        drainScheduled = false;
    }
    const auto started = std::chrono::steady_clock::now();
    for (;;) {
        Job job;
        {
            std::lock_guard lock(mainQueueMutex);
            if (mainQueue.empty()) {
                return;
            }
            QCoreApplication *application = QCoreApplication::instance();
            if (application != nullptr && std::chrono::steady_clock::now() - started > drainBudget) {
                // The rest runs after the event loop has had its turn: on a timer, not a posted event, which
                // the loop would deliver before anything else.
                if (!std::exchange(drainScheduled, true)) {
                    QTimer::singleShot(1, application, &KLDispatch::drainMainQueue);
                }
                return;
            }
            job = std::move(mainQueue.front());
            mainQueue.pop_front();
        }
        job();
    }
}
