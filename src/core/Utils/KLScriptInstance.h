#pragma once

#include <QObject>
#include <QProcess>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <sys/types.h>

class KLScriptErrorOutput;
class QTimer;

// One running script: "/bin/bash -c COMMAND" in a process group of its own, driven by the process's signals
// on the thread that started it (the main thread). Its output is handed on line by line as it arrives, or
// gathered whole; its error output is kept for the task that runs it. It ends exactly once, after the
// process has exited and everything it wrote has been read.
//
// terminate() signals the whole group and stops handing on output at once; a group still there after the
// grace period is killed. The instance keeps itself alive until its process has exited, so whatever its
// callbacks hold (a scratch folder the script writes into) goes only once nothing writes there any more.
class KLScriptInstance final : public QObject, public std::enable_shared_from_this<KLScriptInstance> {
    Q_OBJECT

public:
    static constexpr int lineBufferSize = 1000; // at most 999 bytes of text per handed-on line
    // How long a process that was asked to stop may take before its group is killed.
    static constexpr int graceMilliseconds = 3000;

    using LineHandler = std::function<void(const QString &line)>;
    using EndHandler = std::function<void()>;

    explicit KLScriptInstance(bool forwardErrorOutput);
    ~KLScriptInstance() override;
    KLScriptInstance(const KLScriptInstance &) = delete;
    KLScriptInstance &operator=(const KLScriptInstance &) = delete;

    // Every line of standard output (newline kept) goes to `lines` as it arrives; `ended` runs once the
    // script has exited and all of it was read, unless it was terminated first. Without a line handler the
    // output is gathered for output().
    void start(const QString &command, LineHandler lines, EndHandler ended);
    // Signals the script's process group; nothing more is handed on. Safe to call more than once.
    void terminate();

    // The whole output, when no line handler was given.
    QString output() const;
    bool closed() const { return m_closed; }
    // True once the process has exited (or never started).
    bool finished() const { return m_finished; }
    pid_t processIdentifier() const { return m_processIdentifier; }
    // The script's error output as far as it was read (never null).
    std::shared_ptr<KLScriptErrorOutput> errorOutput() const { return m_errorOutput; }

    // Scripts started and not yet exited, stopped ones winding down included.
    static int runningScripts();
    // Runs the event loop until no script runs any more: a program that ends waits for the scripts it
    // stopped, so that none is left behind. A script still there after `patience` has its group killed at
    // once rather than after its grace period. False when scripts were still running after that.
    static bool waitForAllToExit(std::chrono::milliseconds patience);

Q_SIGNALS:
    // The process has exited, whether it ended on its own or was terminated.
    void exited();

private:
    void readOutput();
    void readErrorOutput();
    void handOn(const QByteArray &line);
    void processEnded();
    void killGroup();

    QProcess m_process;
    QTimer *m_graceTimer = nullptr;
    const std::shared_ptr<KLScriptErrorOutput> m_errorOutput;
    const bool m_forwardErrorOutput;
    LineHandler m_lines;
    EndHandler m_ended;
    QByteArray m_gathered;
    // The write end of the pipe whose closing tells the script's guard to kill the group; see start().
    int m_guard = -1;
    pid_t m_processIdentifier = -1;
    bool m_closed = false;
    bool m_finished = false;
    // Counted among the running scripts from its start until its end.
    bool m_counted = false;
    // The grace period ran out and the whole group, guard included, was killed.
    bool m_groupKilled = false;
    // Held while a terminated script winds down, so that it is not dropped while its process still runs.
    std::shared_ptr<KLScriptInstance> m_keptAlive;
};
