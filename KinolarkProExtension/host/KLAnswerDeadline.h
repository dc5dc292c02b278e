#pragma once

#include <QByteArray>

#include <chrono>
#include <ctime>

// The browser's answer while the thread that answers is blocked in a call that may never return: a bus
// daemon that takes the connection but never serves it, or a call the D-Bus library never completes.
// Armed for its lifetime, it interrupts that thread at the deadline with a signal, writes the answer and
// the log line prepared for that case and ends the host, whose thread cannot go on; nothing else could,
// since nothing else runs while that thread waits. One is armed at a time, on the thread it guards.
class KLAnswerDeadline final {
public:
    // `answer` goes to `output` and `logLine` to standard error, both whole, when the deadline passes.
    KLAnswerDeadline(std::chrono::milliseconds limit, int output, QByteArray answer, QByteArray logLine);
    ~KLAnswerDeadline();
    KLAnswerDeadline(const KLAnswerDeadline &) = delete;
    KLAnswerDeadline &operator=(const KLAnswerDeadline &) = delete;

private:
    QByteArray m_answer;
    QByteArray m_logLine;
    timer_t m_timer{};
    bool m_timed = false;
};
