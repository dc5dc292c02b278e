#include "Utils/KLScriptInstance.h"

#include "Utils/KLScriptErrorOutput.h"
#include "Utils/KLScriptManager.h"
#include "Utils/KLScriptProcess.h"

#include <QByteArray>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

KLScriptInstance::KLScriptInstance(pid_t process, int file, KLScriptManager *parent,
                                   std::shared_ptr<KLScriptErrorOutput> errorOutput)
    : m_process(std::make_shared<KLScriptProcess>(process)),
      m_errorOutput(errorOutput != nullptr ? std::move(errorOutput)
                                           : std::make_shared<KLScriptErrorOutput>()),
      m_file(file), m_parent(parent) {
    // All reads go through a buffered stream on a duplicate of the pipe's descriptor.
    const int duplicate = fcntl(m_file, F_DUPFD_CLOEXEC, 0);
    if (duplicate >= 0) {
        m_pipe = fdopen(duplicate, "r");
        if (m_pipe == nullptr) {
            ::close(duplicate);
        }
    }
    if (m_pipe == nullptr) {
        m_finished = true; // nothing can be read; behave as an empty output
    }
}

KLScriptInstance::~KLScriptInstance() {
    if (!m_closed.load()) {
        terminate();
    }
    m_process->collect(m_signalled.load());
}

pid_t KLScriptInstance::processIdentifier() const {
    return m_process->identifier();
}

void KLScriptInstance::outputEnded() {
    m_finished = true;
    m_process->collect(false);
}

std::optional<QString> KLScriptInstance::readLine() {
    std::unique_lock lock(m_instanceLock);
    if (m_closed.load() || m_finished.load() || m_pipe == nullptr) {
        return std::nullopt;
    }
    char buffer[lineBufferSize];
    if (fgets(buffer, lineBufferSize, m_pipe) == nullptr) {
        lock.unlock();
        outputEnded();
        return std::nullopt;
    }
    lock.unlock();
    // Bytes that are not UTF-8 are replaced rather than ending the reading: a converter's progress must
    // not look finished because one line of its output held a stray byte.
    return QString::fromUtf8(buffer, static_cast<qsizetype>(strlen(buffer)));
}

QString KLScriptInstance::readToEnd() {
    QByteArray gathered;
    char buffer[pieceBufferSize];
    for (;;) {
        if (m_closed.load()) {
            break;
        }
        std::lock_guard lock(m_instanceLock);
        if (m_closed.load() || m_pipe == nullptr) {
            break;
        }
        if (fgets(buffer, pieceBufferSize, m_pipe) == nullptr) {
            m_process->collect(false);
            break;
        }
        gathered.append(buffer, static_cast<qsizetype>(strlen(buffer)));
    }
    // Decoded once at the end so that a character split between two pieces stays whole.
    return QString::fromUtf8(gathered);
}

void KLScriptInstance::terminate() {
    // The signal goes first: a read in progress holds the lock until the script writes or ends, and a
    // script that stays silent would otherwise keep the caller waiting.
    if (!m_closed.load() && !m_signalled.exchange(true)) {
        m_process->signalGroup(SIGTERM);
    }
    std::lock_guard lock(m_instanceLock);
    m_closed = true;
    closeStream();
}

void KLScriptInstance::waitForExit() {
    m_process->collect(m_signalled.load());
    m_process->waitUntilCollected();
}

void KLScriptInstance::closeStream() {
    if (m_pipe != nullptr) {
        fclose(m_pipe);
        m_pipe = nullptr;
    }
    if (m_file >= 0) {
        ::close(m_file);
        m_file = -1;
    }
}
