#include "Utils/KLScriptProcess.h"

#include "Utils/KLDispatch.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <sys/wait.h>
#include <thread>

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
    std::lock_guard lock(m_lock);
    if (!m_collected) {
        while (::waitpid(m_process, nullptr, 0) < 0 && errno == EINTR) {
        }
        m_collected = true;
    }
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
    // A script whose output has ended exits within moments; one that was asked to stop gets its grace
    // period. The checks grow sparse after that, for the rare script that lingers.
    const long long start = steadyMilliseconds();
    bool killed = false;
    while (!hasExited()) {
        const long long now = steadyMilliseconds();
        const long long stopAt = m_stopRequestedAt.load();
        if (!killed && stopAt != 0 && now - stopAt > graceMilliseconds) {
            signalGroup(SIGKILL);
            killed = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(now - start < graceMilliseconds ? 20 : 250));
    }
    markCollected();
}
