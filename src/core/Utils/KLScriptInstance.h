#pragma once

#include <QString>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <optional>
#include <sys/types.h>

class KLScriptManager;

// The reading end of one running script: its standard output, read line by line or whole, and the means
// to stop it. Read by one thread; terminate() may come from any other.
class KLScriptInstance final {
public:
    static constexpr int lineBufferSize = 1000; // at most 999 bytes of text per readLine()
    static constexpr int pieceBufferSize = 128; // at most 127 bytes per piece in readToEnd()

    KLScriptInstance(pid_t process, int file, KLScriptManager *parent);
    ~KLScriptInstance();
    KLScriptInstance(const KLScriptInstance &) = delete;
    KLScriptInstance &operator=(const KLScriptInstance &) = delete;

    // The next line, newline kept, or nothing at end of stream and after terminate().
    std::optional<QString> readLine();
    // Everything up to the end of stream (or termination); never fails.
    QString readToEnd();
    // Signals the script's process group, then closes the stream. Safe to call more than once.
    void terminate();

    bool closed() const { return m_closed.load(); }
    bool finished() const { return m_finished.load(); }
    pid_t processIdentifier() const { return m_task; }
    KLScriptManager *parent() const { return m_parent; }

private:
    void closeStream();

    pid_t m_task;
    int m_file;
    FILE *m_pipe = nullptr;
    KLScriptManager *m_parent;
    std::mutex m_instanceLock;
    std::atomic<bool> m_closed{false};
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_signalled{false};
};
