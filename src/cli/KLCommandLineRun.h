#pragma once

#include "KLCommandLineOptions.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>

class KLAppDelegate;
class KLCommandLineUI;
class QSocketNotifier;

// One run of the command line: the controller is launched without a window, every argument goes through
// the intake, entries start by themselves, and the run ends when all of them have ended.
class KLCommandLineRun final : public QObject {
    Q_OBJECT

public:
    static constexpr int exitDone = 0;
    static constexpr int exitFailed = 1;
    static constexpr int exitNothingFound = 3;
    static constexpr int exitInterrupted = 130;

    explicit KLCommandLineRun(KLCommandLineOptions options);
    ~KLCommandLineRun() override;

    // Starts the run; the event loop then ends with the run's exit status.
    bool start(QString *error);

private:
    void startIntake();
    void checkForEnd();
    bool everythingEnded() const;
    int exitStatus() const;
    void interrupt();
    void watchSignals();

    const KLCommandLineOptions m_options;
    std::shared_ptr<KLCommandLineUI> m_ui;
    std::shared_ptr<KLAppDelegate> m_delegate;
    QTimer m_poll;
    std::atomic<int> m_intakesRunning{0};
    bool m_intakeStarted = false;
    bool m_interrupted = false;
    QSocketNotifier *m_signals = nullptr;
};
