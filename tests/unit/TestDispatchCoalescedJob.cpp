#include "KLTestEnvironment.h"
#include "Utils/KLCoalescedJob.h"

#include <gtest/gtest.h>

// Bursts and the end of the owner are covered by the settings that use the job; this is the request that
// comes while the job runs (a change made during a write), which must bring one more run.
TEST(CoalescedJob, ARequestWhileTheJobRunsBringsOneMoreRun) {
    int runs = 0;
    KLCoalescedJob *self = nullptr;
    KLCoalescedJob job([&runs, &self] {
        if (++runs == 1) {
            self->request();
        }
    });
    self = &job;
    job.request();
    job.request();
    KLTestEnvironment::runPostedWork();
    KLTestEnvironment::runPostedWork();
    EXPECT_EQ(runs, 2);
}
