#include "Utils/KLDispatch.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

namespace {

// The jobs for the main thread go through a queue of our own rather than inside Qt's event: the handover
// then happens under a standard mutex, which keeps the happens-before edge visible to the thread sanitizer.
std::mutex mainQueueMutex;
std::deque<KLDispatch::Job> mainQueue;

std::mutex backgroundMutex;
std::condition_variable backgroundIdle;
int backgroundJobs = 0;

} // namespace

void KLDispatch::async(Job job) {
    QCoreApplication *application = QCoreApplication::instance();
    {
        std::lock_guard lock(mainQueueMutex);
        mainQueue.push_back(std::move(job));
    }
    if (application != nullptr) {
        QMetaObject::invokeMethod(application, &KLDispatch::drainMainQueue, Qt::QueuedConnection);
    } else {
        // Without an event loop there is no other thread to wait for: run it here.
        drainMainQueue();
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

void KLDispatch::background(Job job) {
    {
        std::lock_guard lock(backgroundMutex);
        ++backgroundJobs;
    }
    std::thread([job = std::move(job)]() mutable {
        job();
        job = nullptr; // release what the job captured before counting it as ended
        std::lock_guard lock(backgroundMutex);
        if (--backgroundJobs == 0) {
            backgroundIdle.notify_all();
        }
    }).detach();
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
    std::unique_lock lock(backgroundMutex);
    return backgroundIdle.wait_for(lock, timeout, [] { return backgroundJobs == 0; });
}

void KLDispatch::drainMainQueue() {
    for (;;) {
        Job job;
        {
            std::lock_guard lock(mainQueueMutex);
            if (mainQueue.empty()) {
                return;
            }
            job = std::move(mainQueue.front());
            mainQueue.pop_front();
        }
        job();
    }
}
