#include "KLTestEnvironment.h"
#include "Utils/KLDispatch.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

TEST(Dispatch, AsyncAndSyncRunOnTheMainThread) {
    EXPECT_TRUE(KLDispatch::isMainThread());
    std::atomic<bool> ranOnMain{false};
    std::atomic<bool> syncReturnedAfterRun{false};
    KLDispatch::background([&] {
        bool ran = false;
        KLDispatch::sync([&] { ran = KLDispatch::isMainThread(); });
        syncReturnedAfterRun = ran;
        KLDispatch::async([&] { ranOnMain = KLDispatch::isMainThread(); });
    });
    EXPECT_TRUE(KLTestEnvironment::waitUntil([&] { return ranOnMain.load(); }));
    EXPECT_TRUE(syncReturnedAfterRun.load());

    // Called on the main thread, sync runs at once.
    bool inline_ = false;
    KLDispatch::sync([&] { inline_ = true; });
    EXPECT_TRUE(inline_);
}

TEST(Dispatch, BlockedBackgroundJobsDoNotStarveLaterOnes) {
    // Many jobs block until the last one runs: only a thread per job (or an elastic pool) gets through.
    constexpr int blockers = 40;
    std::mutex lock;
    std::condition_variable released;
    bool lastRan = false;
    for (int index = 0; index < blockers; ++index) {
        KLDispatch::background([&] {
            std::unique_lock wait(lock);
            released.wait(wait, [&] { return lastRan; });
        });
    }
    KLDispatch::background([&] {
        std::lock_guard guard(lock);
        lastRan = true;
        released.notify_all();
    });
    EXPECT_TRUE(KLDispatch::waitForBackgroundJobs(std::chrono::seconds(10)));
    EXPECT_EQ(KLDispatch::runningBackgroundJobs(), 0);
}
