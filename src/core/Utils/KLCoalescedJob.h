#pragma once

#include <functional>
#include <memory>

// A job that runs on the main thread's event loop once for any number of requests made before it got
// there: a burst of requests costs one run. A request made while the job runs brings one more run, so
// nothing requested is ever missed. Without an application object the job runs at once. Main thread only.
//
// Once stop() (or the destructor) has been called the job never runs again, so it may use its owner freely.
class KLCoalescedJob final {
public:
    explicit KLCoalescedJob(std::function<void()> job);
    ~KLCoalescedJob();
    KLCoalescedJob(const KLCoalescedJob &) = delete;
    KLCoalescedJob &operator=(const KLCoalescedJob &) = delete;

    void request();
    // Drops a run that is posted and ignores later requests.
    void stop();

private:
    struct Shared;
    static void run(const std::shared_ptr<Shared> &shared);

    // Shared with the posted runs, which may outlive this object.
    const std::shared_ptr<Shared> m_shared;
};
