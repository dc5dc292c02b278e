#include "KLRecordingTaskListener.h"
#include "KLTestEnvironment.h"
#include "Model/KLTask/KLTask.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

using RecordingListener = KLRecordingTaskListener;

// Works until its work ends, then completes with a result (and a late failure, which a termination that
// came first must win over).
class GatedTask : public KLTask {
public:
    std::atomic<bool> began{false};

    void endWork() {
        setResult(QStringLiteral("done"));
        setError(KLError::create(KLError::downloadType, QStringLiteral("late failure")));
        setFinished(true);
    }

protected:
    void doTaskMain() override {
        setTaskDescription(QStringLiteral("Working..."));
        began = true;
    }
};

} // namespace

TEST(Task, StartTellsProgressAndEtaBeforeStartedThenCompletesOnce) {
    auto task = std::make_shared<GatedTask>();
    RecordingListener listener;
    listener.follow(task.get());
    listener.follow(task.get()); // the same object twice is one listener
    int blockRuns = 0;
    task->setCompletionBlock([&blockRuns](KLTask *) { ++blockRuns; });

    task->start();
    ASSERT_TRUE(task->began);
    task->endWork();
    task->wait();

    const QStringList calls = listener.calls();
    ASSERT_GE(calls.size(), 3);
    EXPECT_EQ(calls.mid(0, 3), (QStringList{QStringLiteral("progress 0"), QStringLiteral("eta ''"),
                                            QStringLiteral("started")}));
    EXPECT_EQ(listener.count(QStringLiteral("description Working...")), 1);
    EXPECT_EQ(calls.last(), QStringLiteral("completed"));
    EXPECT_EQ(listener.count(QStringLiteral("completed")), 1);
    EXPECT_EQ(blockRuns, 1);
    EXPECT_DOUBLE_EQ(task->completionFactor(), 1.0);
    EXPECT_EQ(task->resultAs<QString>(), QStringLiteral("done"));
}

TEST(Task, TerminatingANeverStartedTaskEndsItAtOnce) {
    auto task = std::make_shared<GatedTask>();
    RecordingListener listener;
    listener.follow(task.get());
    task->terminate();

    EXPECT_TRUE(task->finished());
    task->wait(); // returns at once
    ASSERT_NE(task->error(), nullptr);
    EXPECT_EQ(task->error()->description(), QStringLiteral("7: Task terminated"));
    EXPECT_EQ(listener.calls(), (QStringList{QStringLiteral("progress 1"), QStringLiteral("terminated")}));

    // An ended task is not started again.
    task->start();
    KLTestEnvironment::runPostedWork();
    EXPECT_FALSE(task->began);
    EXPECT_EQ(listener.count(QStringLiteral("started")), 0);
}

TEST(Task, TerminationWhileRunningWinsOverTheLaterCompletion) {
    auto task = std::make_shared<GatedTask>();
    RecordingListener listener;
    listener.follow(task.get());
    int blockRuns = 0;
    task->setCompletionBlock([&blockRuns](KLTask *) { ++blockRuns; });
    task->start();
    task->terminate();
    task->terminate(); // once is enough
    task->endWork();

    EXPECT_EQ(listener.count(QStringLiteral("terminated")), 1);
    EXPECT_EQ(listener.count(QStringLiteral("completed")), 0);
    EXPECT_EQ(blockRuns, 1);
    EXPECT_EQ(task->error()->errorType(), KLError::terminatedType); // the late failure did not replace it
}

TEST(Task, TerminatingAFinishedTaskChangesNothing) {
    auto task = std::make_shared<GatedTask>();
    task->start();
    task->endWork();
    task->wait();
    RecordingListener listener;
    listener.follow(task.get());
    const auto errorBefore = task->error();
    task->terminate();
    EXPECT_TRUE(listener.calls().isEmpty());
    EXPECT_EQ(task->error(), errorBefore);
}

TEST(Task, RacingEndsAreReportedExactlyOnce) {
    for (int round = 0; round < 300; ++round) {
        auto task = std::make_shared<GatedTask>();
        RecordingListener listener;
        listener.follow(task.get());
        std::atomic<int> blockRuns{0};
        task->setCompletionBlock([&blockRuns](KLTask *) { ++blockRuns; });
        task->start();
        // A cancellation may come from another thread while the work ends here.
        std::thread terminator([&] { task->terminate(); });
        task->endWork();
        terminator.join();
        task->wait();
        EXPECT_EQ(listener.count(QStringLiteral("terminated")) + listener.count(QStringLiteral("completed")),
                  1);
        EXPECT_EQ(blockRuns.load(), 1);
        listener.stopFollowing(task.get());
    }
}
