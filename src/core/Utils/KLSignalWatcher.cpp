#include "Utils/KLSignalWatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

// Only what is safe in a signal handler: the signal's number goes down a pipe that the main thread reads.
void onSignal(int signal) {
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

KLSignalWatcher::KLSignalWatcher(QObject *parent) : QObject(parent) {}

KLSignalWatcher::~KLSignalWatcher() = default;

bool KLSignalWatcher::watch() {
    if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    m_notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char received[16];
        ssize_t count = 0;
        int first = 0;
        while ((count = ::read(signalPipe[0], received, sizeof received)) > 0) {
            first = first != 0 ? first : received[0];
        }
        if (first != 0) {
            Q_EMIT signalReceived(first);
        }
    });
    return true;
}
