#pragma once

#include "KLCommandLineOptions.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>

class KLAppDelegate;
class KLCommandLineUI;

// One run of the command line: the controller is launched without a window, every argument goes through
// the intake, entries start by themselves, and the run ends when all of them have ended.
class KLCommandLineRun final : public QObject {
    Q_OBJECT

public:
    static constexpr int exitDone = 0;
    static constexpr int exitFailed = 1;
    static constexpr int exitNothingFound = 3;
    // After a signal the run exits with 128 + the signal's number, as a shell reports it: 130 after Ctrl-C.

    explicit KLCommandLineRun(KLCommandLineOptions options);
    ~KLCommandLineRun() override;

    // Starts the run; the event loop then ends with the run's exit status. False with `error` set for a
    // usage error; false with `exitStatus` set when the job cannot be done at all.
    bool start(QString *error, int *exitStatus);

private:
    void startIntake();
    void checkForEnd();
    bool everythingEnded() const;
    int exitStatus() const;
    void interrupt(int signal);
    void watchSignals();
    bool readsWebAddresses() const;
    void reportFailures() const;

    const KLCommandLineOptions m_options;
    std::shared_ptr<KLCommandLineUI> m_ui;
    std::shared_ptr<KLAppDelegate> m_delegate;
    QTimer m_poll;
    std::atomic<int> m_intakesRunning{0};
    bool m_intakeStarted = false;
    int m_signal = 0; // the signal that interrupted the run, 0 while none did
};
