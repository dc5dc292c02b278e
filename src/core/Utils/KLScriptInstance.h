#pragma once

#include <QString>

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/types.h>

class KLScriptErrorOutput;
class KLScriptManager;
class KLScriptProcess;

// The reading end of one running script: its standard output, read line by line or whole, what it wrote on
// its error output, and the means to stop it. Read by one thread; terminate() may come from any other. The
// script's process is collected as soon as its output has ended, not only when the instance goes.
class KLScriptInstance final {
public:
    static constexpr int lineBufferSize = 1000; // at most 999 bytes of text per readLine()
    static constexpr int pieceBufferSize = 128; // at most 127 bytes per piece in readToEnd()

    KLScriptInstance(pid_t process, int file, KLScriptManager *parent,
                     std::shared_ptr<KLScriptErrorOutput> errorOutput = nullptr);
    ~KLScriptInstance();
    KLScriptInstance(const KLScriptInstance &) = delete;
    KLScriptInstance &operator=(const KLScriptInstance &) = delete;

    // The next line, newline kept, or nothing at end of stream and after terminate().
    std::optional<QString> readLine();
    // Everything up to the end of stream (or termination); never fails.
    QString readToEnd();
    // Signals the script's process group, then closes the stream. Safe to call more than once.
    void terminate();
    // Blocks until the script's process has exited (after a termination: within the grace period, or it
    // is killed), so that nothing it started writes any more.
    void waitForExit();

    bool closed() const { return m_closed.load(); }
    bool finished() const { return m_finished.load(); }
    pid_t processIdentifier() const;
    KLScriptManager *parent() const { return m_parent; }
    // The script's error output as far as it was read (never null).
    std::shared_ptr<KLScriptErrorOutput> errorOutput() const { return m_errorOutput; }

private:
    void closeStream();
    void outputEnded();

    const std::shared_ptr<KLScriptProcess> m_process;
    const std::shared_ptr<KLScriptErrorOutput> m_errorOutput;
    int m_file;
    FILE *m_pipe = nullptr;
    KLScriptManager *m_parent;
    std::mutex m_instanceLock;
    std::atomic<bool> m_closed{false};
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_signalled{false};
};
