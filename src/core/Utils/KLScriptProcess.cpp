#include "Utils/KLScriptProcess.h"

#include "Utils/KLDispatch.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

KLScriptProcess::KLScriptProcess(pid_t process) : m_process(process) {}

void KLScriptProcess::signalGroup(int signal) {
    std::lock_guard lock(m_lock);
    if (m_process > 0 && !m_collected) {
        ::kill(-m_process, signal);
    }
}

bool KLScriptProcess::collected() const {
    std::lock_guard lock(m_lock);
    return m_collected;
}

bool KLScriptProcess::hasExited() const {
    siginfo_t information{};
    // WNOWAIT leaves the process a zombie: its number cannot be reused while a signal may still be sent.
    const int result =
        ::waitid(P_PID, static_cast<id_t>(m_process), &information, WEXITED | WNOHANG | WNOWAIT);
    return (result == 0 && information.si_pid == m_process) || (result < 0 && errno == ECHILD);
}

void KLScriptProcess::markCollected() {
    {
        std::lock_guard lock(m_lock);
        if (m_collected) {
            return;
        }
        while (::waitpid(m_process, nullptr, 0) < 0 && errno == EINTR) {
        }
        m_collected = true;
    }
    m_collectedChanged.notify_all();
}

void KLScriptProcess::waitUntilCollected() const {
    std::unique_lock lock(m_lock);
    m_collectedChanged.wait(lock, [this] { return m_collected || m_process <= 0; });
}

namespace {

long long steadyMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

void KLScriptProcess::collect(bool stopRequested) {
    long long notYet = 0;
    if (stopRequested) {
        m_stopRequestedAt.compare_exchange_strong(notYet, steadyMilliseconds());
    }
    if (m_process <= 0 || m_collecting.exchange(true)) {
        return;
    }
    if (hasExited()) {
        markCollected();
        return;
    }
    KLDispatch::background([self = shared_from_this()] { self->waitAndCollect(); });
}

void KLScriptProcess::waitAndCollect() {
    // Asleep until the script exits; a script that was asked to stop gets its grace period, then is killed.
    // A stop may be asked for while we wait, so the wait wakes up now and then to look.
    const int exitDescriptor = static_cast<int>(::syscall(SYS_pidfd_open, m_process, 0));
    bool killed = false;
    while (!hasExited()) {
        const long long stopAt = m_stopRequestedAt.load();
        int timeout = stopRecheckMilliseconds;
        if (!killed && stopAt != 0) {
            const long long remaining = stopAt + graceMilliseconds - steadyMilliseconds();
            if (remaining <= 0) {
                signalGroup(SIGKILL);
                killed = true;
            } else {
                timeout = static_cast<int>(std::min<long long>(remaining, timeout));
            }
        }
        waitForExit(exitDescriptor, timeout);
    }
    if (exitDescriptor >= 0) {
        ::close(exitDescriptor);
    }
    markCollected();
}

void KLScriptProcess::waitForExit(int exitDescriptor, int timeoutMilliseconds) {
    if (exitDescriptor < 0) {
        // A kernel without process descriptors: check at a modest pace instead.
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMilliseconds, 20)));
        return;
    }
    pollfd exit{exitDescriptor, POLLIN, 0};
    ::poll(&exit, 1, timeoutMilliseconds);
}
