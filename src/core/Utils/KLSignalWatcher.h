#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the signals that ask a program to end (Ctrl-C, a closed terminal, a termination request, the end of
// the desktop session) into a Qt signal on the main thread, so the program can cancel what runs and clean up
// before it exits. One watcher per process.
class KLSignalWatcher final : public QObject {
    Q_OBJECT

public:
    explicit KLSignalWatcher(QObject *parent = nullptr);
    ~KLSignalWatcher() override;

    // Starts watching SIGINT, SIGTERM and SIGHUP; false when it could not.
    bool watch();

Q_SIGNALS:
    // The first signal of a burst, by its number.
    void signalReceived(int signal);

private:
    QSocketNotifier *m_notifier = nullptr;
};
