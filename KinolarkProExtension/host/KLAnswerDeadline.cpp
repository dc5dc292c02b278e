#include "KLAnswerDeadline.h"

#include <QtGlobal>

#include <atomic>
#include <cerrno>
#include <csignal>

#include <sys/syscall.h>
#include <unistd.h>

namespace {

// What the signal handler reads: set before the timer starts, left alone until it is deleted.
struct Pending {
    int output = -1;
    const char *answer = nullptr;
    size_t answerSize = 0;
    const char *logLine = nullptr;
    size_t logLineSize = 0;
};

Pending pending;
// Taken by the handler or by the guard's end, whichever comes first.
std::atomic<bool> armed{false};

// Only calls that are safe in a signal handler.
void writeAll(int descriptor, const char *data, size_t size) {
    while (size > 0) {
        const ssize_t count = ::write(descriptor, data, size);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return;
        }
        data += count;
        size -= static_cast<size_t>(count);
    }
}

void onDeadline(int) {
    if (!armed.exchange(false)) {
        return;
    }
    writeAll(pending.output, pending.answer, pending.answerSize);
    writeAll(STDERR_FILENO, pending.logLine, pending.logLineSize);
    ::_exit(1);
}

} // namespace

KLAnswerDeadline::KLAnswerDeadline(std::chrono::milliseconds limit, int output, QByteArray answer,
                                   QByteArray logLine)
    : m_answer(std::move(answer)), m_logLine(std::move(logLine)) {
    pending = {output, m_answer.constData(), static_cast<size_t>(m_answer.size()), m_logLine.constData(),
               static_cast<size_t>(m_logLine.size())};
    struct sigaction action = {};
    action.sa_handler = onDeadline;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGALRM, &action, nullptr);
    // The signal goes to this thread, the one that blocks: a blocking call elsewhere would not notice it.
    sigevent event = {};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = SIGALRM;
    event._sigev_un._tid = static_cast<pid_t>(::syscall(SYS_gettid));
    if (::timer_create(CLOCK_MONOTONIC, &event, &m_timer) != 0) {
        qWarning("kinolark-extension-host: no deadline for the hand-over (errno %d)", errno);
        return;
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(limit);
    itimerspec when = {};
    when.it_value.tv_sec = seconds.count();
    when.it_value.tv_nsec = std::chrono::duration_cast<std::chrono::nanoseconds>(limit - seconds).count();
    m_timed = true;
    armed.store(true);
    ::timer_settime(m_timer, 0, &when, nullptr);
}

KLAnswerDeadline::~KLAnswerDeadline() {
    armed.store(false);
    if (m_timed) {
        ::timer_delete(m_timer);
    }
}
