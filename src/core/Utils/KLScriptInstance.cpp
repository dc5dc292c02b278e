#include "Utils/KLScriptInstance.h"

#include "Utils/KLDispatch.h"
#include "Utils/KLLog.h"
#include "Utils/KLScriptErrorOutput.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <set>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Runs in the child between fork and exec, so it calls only what is safe there. The script gets a process
// group of its own and the signal defaults a shell expects (the command line blocks SIGINT and SIGTERM to
// handle them itself). A guard process is left in the group: it waits for the end of a pipe whose only
// writer is this program, and kills the group when that end comes, so a program that dies (a kill, a
// crash, a power-off of the session) takes its scripts with it instead of leaving a downloader running.
void prepareChild(int guardReadEnd) {
    ::setpgid(0, 0);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int signal : {SIGINT, SIGTERM, SIGQUIT, SIGHUP, SIGPIPE, SIGCHLD, SIGUSR1, SIGUSR2}) {
        ::signal(signal, SIG_DFL);
    }
    if (guardReadEnd < 0 || ::fork() != 0) {
        return; // the script's own process (or no guard could be had)
    }
    // The guard: it holds nothing of the script's (a held output pipe would keep the output from ending).
    for (int signal : {SIGINT, SIGTERM, SIGQUIT, SIGHUP}) {
        ::signal(signal, SIG_IGN);
    }
    ::close_range(0, static_cast<unsigned>(guardReadEnd) - 1, 0);
    ::close_range(static_cast<unsigned>(guardReadEnd) + 1, ~0U, 0);
    char byte = 0;
    while (::read(guardReadEnd, &byte, 1) < 0 && errno == EINTR) {
    }
    ::kill(0, SIGKILL);
    ::_exit(0);
}

// The scripts started and not yet exited. Touched only on the main thread, where every script runs.
std::set<KLScriptInstance *> runningInstances;
// Groups killed lately: a member may still be on its way out after its script has been collected.
std::vector<pid_t> killedGroups;

// Whether a process of the group is still there, zombies aside (they hold nothing and run nothing).
bool groupHasLiveMembers(pid_t group) {
    QDirIterator processes(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (processes.hasNext()) {
        QFile stat(processes.next() + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        // "pid (command) state ppid pgrp ...": the command may hold spaces and brackets, so read after it.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2 && fields.at(2).toLong() == group && fields.at(0) != "Z") {
            return true;
        }
    }
    return false;
}

void rememberKilledGroup(pid_t group) {
    std::erase_if(killedGroups, [](pid_t killed) { return ::kill(-killed, 0) != 0; });
    killedGroups.push_back(group);
}

} // namespace

int KLScriptInstance::runningScripts() {
    return static_cast<int>(runningInstances.size());
}

bool KLScriptInstance::waitForAllToExit(std::chrono::milliseconds patience) {
    const auto noneRuns = [] { return runningInstances.empty(); };
    KLDispatch::serveEventsUntil(noneRuns, patience);
    for (KLScriptInstance *instance : runningInstances) {
        instance->killGroup();
    }
    // A killed group is gone as soon as the system has run it once more.
    const bool allExited = KLDispatch::serveEventsUntil(noneRuns, std::chrono::seconds(5));
    // Their scripts collected, members of killed groups may still be dying: the program ends after them.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (std::any_of(killedGroups.begin(), killedGroups.end(), groupHasLiveMembers) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    killedGroups.clear();
    return allExited;
}

KLScriptInstance::KLScriptInstance(bool forwardErrorOutput)
    : m_errorOutput(std::make_shared<KLScriptErrorOutput>()), m_forwardErrorOutput(forwardErrorOutput) {
    m_process.setStandardInputFile(QProcess::nullDevice());
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &KLScriptInstance::readOutput);
    connect(&m_process, &QProcess::readyReadStandardError, this, &KLScriptInstance::readErrorOutput);
    connect(&m_process, &QProcess::finished, this, &KLScriptInstance::processEnded);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            KLLog::log(QStringLiteral("Could not start /bin/bash: %1").arg(m_process.errorString()));
            processEnded();
        }
    });
}

KLScriptInstance::~KLScriptInstance() {
    // Nothing of this instance runs as its process is stopped here: no handler, no signal.
    QObject::disconnect(&m_process, nullptr, this, nullptr);
    if (!m_finished && m_processIdentifier > 0) {
        ::kill(-m_processIdentifier, SIGKILL);
        m_process.waitForFinished(graceMilliseconds);
    }
    if (m_guard >= 0) {
        ::close(m_guard);
    }
    if (m_counted) {
        runningInstances.erase(this);
    }
}

void KLScriptInstance::start(const QString &command, LineHandler lines, EndHandler ended) {
    KLLog::log(QStringLiteral("Running command %1").arg(command));
    m_lines = std::move(lines);
    m_ended = std::move(ended);
    int guard[2] = {-1, -1};
    // Closed on exec, so no other program this one starts holds the guard's pipe open.
    if (::pipe2(guard, O_CLOEXEC) == 0) {
        m_guard = guard[1];
    }
    const int guardReadEnd = guard[0];
    m_process.setChildProcessModifier([guardReadEnd] { prepareChild(guardReadEnd); });
    m_process.start(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), command});
    if (guardReadEnd >= 0) {
        ::close(guardReadEnd);
    }
    m_processIdentifier = m_process.processId() > 0 ? static_cast<pid_t>(m_process.processId()) : -1;
    if (!m_finished) {
        m_counted = true;
        runningInstances.insert(this);
    }
}

void KLScriptInstance::terminate() {
    if (m_closed) {
        return;
    }
    m_closed = true;
    m_lines = nullptr;
    if (m_finished) {
        m_ended = nullptr;
        return;
    }
    if (m_processIdentifier > 0) {
        ::kill(-m_processIdentifier, SIGTERM);
    }
    m_keptAlive = shared_from_this();
    m_graceTimer = new QTimer(this);
    m_graceTimer->setSingleShot(true);
    connect(m_graceTimer, &QTimer::timeout, this, &KLScriptInstance::killGroup);
    m_graceTimer->start(graceMilliseconds);
}

void KLScriptInstance::killGroup() {
    if (!m_finished && m_processIdentifier > 0) {
        ::kill(-m_processIdentifier, SIGKILL);
        rememberKilledGroup(static_cast<pid_t>(m_processIdentifier));
        m_groupKilled = true;
    }
}

QString KLScriptInstance::output() const {
    // Decoded once at the end so that a character split between two reads stays whole.
    return QString::fromUtf8(m_gathered);
}

void KLScriptInstance::readOutput() {
    if (m_closed) {
        m_process.readAllStandardOutput(); // nobody listens any more
        return;
    }
    if (!m_lines) {
        m_gathered += m_process.readAllStandardOutput();
        return;
    }
    while (!m_closed && m_lines && m_process.canReadLine()) {
        handOn(m_process.readLine(lineBufferSize));
    }
    // A line longer than the buffer is handed on in pieces, as it comes.
    while (!m_closed && m_lines && m_process.bytesAvailable() >= lineBufferSize - 1) {
        handOn(m_process.read(lineBufferSize - 1));
    }
}

void KLScriptInstance::handOn(const QByteArray &line) {
    // Bytes that are not UTF-8 are replaced rather than ending the reading: a converter's progress must
    // not look finished because one line of its output held a stray byte.
    const LineHandler lines = m_lines; // the handler may terminate this script
    lines(QString::fromUtf8(line));
}

void KLScriptInstance::readErrorOutput() {
    m_process.setReadChannel(QProcess::StandardError);
    while (m_process.canReadLine() || (m_finished && m_process.bytesAvailable() > 0)) {
        const QByteArray line = m_process.readLine();
        if (m_forwardErrorOutput) {
            std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
        }
        m_errorOutput->addLine(QString::fromUtf8(line));
    }
    m_process.setReadChannel(QProcess::StandardOutput);
}

void KLScriptInstance::processEnded() {
    if (m_finished) {
        return;
    }
    // Whoever holds this instance may let go of it in a handler below; it goes once this call is over.
    const std::shared_ptr<KLScriptInstance> self = shared_from_this();
    m_finished = true;
    if (std::exchange(m_counted, false)) {
        runningInstances.erase(this);
    }
    if (m_graceTimer != nullptr) {
        m_graceTimer->stop();
    }
    // What is left in the pipes, including a last line without its newline.
    readOutput();
    if (!m_closed && m_lines && m_process.bytesAvailable() > 0) {
        handOn(m_process.readAll());
    }
    readErrorOutput();
    m_errorOutput->finish();
    // Whatever the script left running goes with it, the guard too. While the guard lives the group's
    // number cannot be anybody else's; after our own kill of the group it may be, so it is not signalled.
    if (!m_groupKilled && m_guard >= 0 && m_processIdentifier > 0) {
        ::kill(-m_processIdentifier, SIGKILL);
        rememberKilledGroup(static_cast<pid_t>(m_processIdentifier));
    }
    if (m_guard >= 0) {
        ::close(m_guard);
        m_guard = -1;
    }
    const EndHandler ended = m_closed ? EndHandler() : std::move(m_ended);
    m_ended = nullptr;
    m_lines = nullptr;
    m_closed = true;
    if (ended) {
        ended();
    }
    Q_EMIT exited();
    m_keptAlive.reset();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [self] {}, Qt::QueuedConnection);
}
