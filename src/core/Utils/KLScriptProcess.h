#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <sys/types.h>

// The process of one started script, which leads a process group of its own. It is collected exactly once,
// as soon as it has exited (a finished script must not stay a zombie until its owner lets go of it), and
// its group is signalled only until then: afterwards its number may already be another process's.
class KLScriptProcess final : public std::enable_shared_from_this<KLScriptProcess> {
public:
    // How long a process that was asked to stop may take before its group is killed.
    static constexpr int graceMilliseconds = 3000;
    // How often a waiting collection looks whether a stop has been asked for.
    static constexpr int stopRecheckMilliseconds = 250;

    explicit KLScriptProcess(pid_t process);

    pid_t identifier() const { return m_process; }
    // Sends the signal to the whole group, unless the process has been collected.
    void signalGroup(int signal);
    // Collects the process once it exits, without making the caller wait for that. With `stopRequested`,
    // a group that is still there after the grace period is killed. Later calls only add the request.
    void collect(bool stopRequested);
    bool collected() const;
    // Blocks until the process has been collected; collect() must have been asked for.
    void waitUntilCollected() const;

private:
    // True once the process has exited; it is not collected by this (its number stays reserved).
    bool hasExited() const;
    void markCollected();
    void waitAndCollect();
    // Sleeps until the process behind the descriptor exits or the timeout runs out.
    static void waitForExit(int exitDescriptor, int timeoutMilliseconds);

    const pid_t m_process;
    mutable std::mutex m_lock;
    mutable std::condition_variable m_collectedChanged;
    bool m_collected = false;
    std::atomic<bool> m_collecting{false};
    // When the stop was first asked for, in milliseconds of the steady clock; 0 while it was not.
    std::atomic<long long> m_stopRequestedAt{0};
};
