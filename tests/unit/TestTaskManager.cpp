#include "Flow/TaskManager/KLTaskManager.h"
#include "KLTestEnvironment.h"
#include "Model/KLTask/KLTask.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLObjectRepository.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Counts how many tasks of one class run at the same moment, and the highest such count.
struct Concurrency {
    std::atomic<int> running{0};
    std::atomic<int> highest{0};
    std::mutex orderLock;
    std::vector<int> startOrder;
};

// Runs until released, recording when its work begins; it ends on the main thread's event loop, as a
// process's end would end it.
class HeldTask : public KLTask {
public:
    HeldTask(int32_t type, int number, Concurrency *concurrency)
        : m_number(number), m_concurrency(concurrency) {
        setType(type);
    }
    std::atomic<bool> began{false};

    // Lets the work end: now when it runs, else as soon as it begins.
    void release() {
        m_released = true;
        KLDispatch::async(
            [self = std::static_pointer_cast<HeldTask>(shared_from_this())] { self->endIfDue(); });
    }

protected:
    void doTaskMain() override {
        const int now = ++m_concurrency->running;
        int highest = m_concurrency->highest.load();
        while (now > highest && !m_concurrency->highest.compare_exchange_weak(highest, now)) {
        }
        {
            std::lock_guard lock(m_concurrency->orderLock);
            m_concurrency->startOrder.push_back(m_number);
        }
        began = true;
        if (m_released) {
            release();
        }
    }

private:
    void endIfDue() {
        if (!began || m_workEnded) {
            return;
        }
        m_workEnded = true;
        --m_concurrency->running;
        setFinished(true);
    }

    std::atomic<bool> m_released{false};
    bool m_workEnded = false;
    int m_number;
    Concurrency *m_concurrency;
};

class TaskManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_preferences = std::make_shared<KLDefaultPreferences>();
        m_manager = std::make_shared<KLTaskManager>(m_preferences);
    }
    void TearDown() override {
        for (const auto &task : m_tasks) {
            task->release();
        }
        for (const auto &task : m_tasks) {
            if (task->began) {
                task->wait();
            }
        }
        m_manager.reset();
        KLObjectRepository::singleton()->removeAllObjects();
    }

    std::shared_ptr<HeldTask> makeTask(int32_t type) {
        auto task = std::make_shared<HeldTask>(type, static_cast<int>(m_tasks.size()), &m_concurrency);
        m_tasks.push_back(task);
        return task;
    }
    std::vector<std::shared_ptr<HeldTask>> enqueue(int32_t type, int count) {
        std::vector<std::shared_ptr<HeldTask>> made;
        for (int index = 0; index < count; ++index) {
            made.push_back(makeTask(type));
            m_manager->enqueueTask(made.back());
        }
        return made;
    }
    // Lets the event loop run the passes that were asked for, then the started tasks begin. The passes run
    // in the order they were asked for, so a job dispatched after them has run only once they all have: a
    // pass left over on a slow machine would otherwise run after the test's next change.
    void settle() {
        bool passesRan = false;
        KLDispatch::async([&passesRan] { passesRan = true; });
        EXPECT_TRUE(
            KLTestEnvironment::waitUntil([&passesRan] { return passesRan; }, std::chrono::seconds(20)));
        KLTestEnvironment::waitUntil([] { return false; }, std::chrono::milliseconds(60));
    }
    int began(const std::vector<std::shared_ptr<HeldTask>> &tasks) const {
        int count = 0;
        for (const auto &task : tasks) {
            count += task->began ? 1 : 0;
        }
        return count;
    }
    void finish(const std::shared_ptr<HeldTask> &task) {
        task->release();
        task->wait();
        settle();
    }

    std::shared_ptr<KLDefaultPreferences> m_preferences;
    std::shared_ptr<KLTaskManager> m_manager;
    Concurrency m_concurrency;
    std::vector<std::shared_ptr<HeldTask>> m_tasks;
};

} // namespace

TEST_F(TaskManagerTest, DownloadsStartUpToTheLimitAndThenInOrderOfArrival) {
    m_preferences->setNumberOfConcurrentDownloads(2);
    const auto tasks = enqueue(KLTask::longDownloadType, 5);
    settle();
    EXPECT_EQ(began(tasks), 2);
    EXPECT_EQ(m_manager->runningCount(KLTask::longDownloadType), 2u);
    EXPECT_EQ(m_manager->waitingCount(KLTask::longDownloadType), 3u);

    finish(tasks[0]);
    EXPECT_EQ(began(tasks), 3);
    EXPECT_TRUE(tasks[2]->began);
    finish(tasks[1]);
    finish(tasks[2]);
    EXPECT_EQ(began(tasks), 5);
    // The first two start in one pass, each on a thread of its own, in either order; the rest follow in
    // the order they came.
    std::vector<int> order = m_concurrency.startOrder;
    ASSERT_EQ(order.size(), 5u);
    std::sort(order.begin(), order.begin() + 2);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_LE(m_concurrency.highest.load(), 2);
}

TEST_F(TaskManagerTest, ShortTasksRunFourAtATime) {
    const auto tasks = enqueue(KLTask::shortDownloadType, 5);
    settle();
    EXPECT_EQ(began(tasks), 4);
    EXPECT_FALSE(tasks[4]->began);
    finish(tasks[1]);
    EXPECT_TRUE(tasks[4]->began);
}

TEST_F(TaskManagerTest, ATaskTerminatedWhileWaitingIsSkippedForTheNextOne) {
    m_preferences->setNumberOfConcurrentProcessing(1);
    const auto tasks = enqueue(KLTask::longProcessingType, 3);
    settle();
    ASSERT_TRUE(tasks[0]->began);
    tasks[1]->terminate();
    finish(tasks[0]);
    EXPECT_FALSE(tasks[1]->began);
    EXPECT_TRUE(tasks[2]->began);
    EXPECT_EQ(m_manager->waitingCount(KLTask::longProcessingType), 0u);
}

TEST_F(TaskManagerTest, UnknownTypesNeverStart) {
    const auto tasks = enqueue(7, 2);
    enqueue(-1, 1);
    settle();
    EXPECT_EQ(began(tasks), 0);
    for (int32_t type = 0; type < 4; ++type) {
        EXPECT_EQ(m_manager->waitingCount(type), 0u);
    }
}

TEST_F(TaskManagerTest, ARaisedLimitAppliesOneStartPerEvent) {
    m_preferences->setNumberOfConcurrentDownloads(1);
    const auto downloads = enqueue(KLTask::longDownloadType, 4);
    settle();
    EXPECT_EQ(began(downloads), 1);

    m_preferences->setNumberOfConcurrentDownloads(3);
    settle();
    EXPECT_EQ(began(downloads), 1); // nothing happens until something arrives or ends

    enqueue(KLTask::shortProcessingType, 1); // an arrival: one pass, one more download
    settle();
    EXPECT_EQ(began(downloads), 2);
    enqueue(KLTask::shortProcessingType, 1);
    settle();
    EXPECT_EQ(began(downloads), 3);
    enqueue(KLTask::shortProcessingType, 1);
    settle();
    EXPECT_EQ(began(downloads), 3); // at the limit now
}

TEST_F(TaskManagerTest, DequeueingARunningTaskLeavesItRunningAndCounted) {
    m_preferences->setNumberOfConcurrentProcessing(1);
    const auto tasks = enqueue(KLTask::longProcessingType, 2);
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&] { return tasks[0]->began.load(); }));
    m_manager->dequeueTask(tasks[0]);
    m_manager->dequeueTask(tasks[1]);
    settle();
    EXPECT_EQ(m_manager->runningCount(KLTask::longProcessingType), 1u);
    EXPECT_EQ(m_manager->waitingCount(KLTask::longProcessingType), 0u);
    finish(tasks[0]);
    EXPECT_FALSE(tasks[1]->began);
}

TEST_F(TaskManagerTest, LimitsHoldWhileTasksArriveAndEndTogether) {
    m_preferences->setNumberOfConcurrentDownloads(2);
    std::vector<std::shared_ptr<HeldTask>> all;
    for (int index = 0; index < 60; ++index) {
        auto task = std::make_shared<HeldTask>(KLTask::longDownloadType, index, &m_concurrency);
        task->release(); // ends as soon as it runs
        all.push_back(task);
        m_manager->enqueueTask(task);
        if (index % 3 == 0) {
            KLTestEnvironment::runPostedWork(); // some end while others still arrive
        }
    }
    EXPECT_TRUE(KLTestEnvironment::waitUntil(
        [&] {
            return std::all_of(all.begin(), all.end(), [](const auto &task) { return task->finished(); });
        },
        std::chrono::seconds(30)));
    EXPECT_LE(m_concurrency.highest.load(), 2);
    EXPECT_EQ(m_manager->runningCount(KLTask::longDownloadType), 0u);
    EXPECT_EQ(m_manager->waitingCount(KLTask::longDownloadType), 0u);
}
