#pragma once

#include "KLCommandLineOptions.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>

class KLAppDelegate;
class KLDefaultPreferences;
class KLCommandLineUI;

// One run of the command line: the controller is launched without a window, every argument goes through
// the intake, entries start by themselves, and the run ends when all of them have ended.
//
// Nothing polls: the intake starts when the user interface is told that the launch has finished, and the
// end is looked for whenever something that can end the run happens (an entry changes, the status line
// goes idle, an intake call returns, a signal arrives).
class KLCommandLineRun final : public QObject {
    Q_OBJECT

public:
    static constexpr int exitDone = 0;
    static constexpr int exitFailed = 1;
    static constexpr int exitNothingFound = 3;
    static constexpr std::chrono::milliseconds downloaderUpdatePatience{1000};
    // After a signal the run exits with 128 + the signal's number, as a shell reports it: 130 after Ctrl-C.

    explicit KLCommandLineRun(KLCommandLineOptions options);
    ~KLCommandLineRun() override;

    // Starts the run; the event loop then ends with the run's exit status. False with `error` set for a
    // usage error; false with `exitStatus` set when the job cannot be done at all.
    bool start(QString *error, int *exitStatus);
    // Once the event loop has ended: the downloader's update, which every launch starts in the background,
    // gets a moment to finish and is then stopped. It is upkeep for later runs, and a package index that
    // is slow or never answers must not make every run end late.
    void endDownloaderUpdate();
    // The settings the run uses; nil before start().
    std::shared_ptr<KLDefaultPreferences> preferences() const;

private:
    void startIntake();
    void intakeEnded();
    // Posts one look for the end to the event loop, however many changes ask for it before it runs.
    void requestCheck();
    void checkForEnd();
    void finish();
    bool everythingEnded() const;
    int exitStatus() const;
    void interrupt(int signal);
    void watchSignals();
    bool readsWebAddresses() const;
    void reportFailures() const;

    const KLCommandLineOptions m_options;
    std::shared_ptr<KLCommandLineUI> m_ui;
    std::shared_ptr<KLAppDelegate> m_delegate;
    // The end is read from counts the core keeps (intake calls, preparations, each entry's flags); a change
    // of them that ever came without a call of the user interface would otherwise leave the run hanging.
    // This slow look is only that safety net: the events above end the run.
    QTimer m_safetyNet;
    // Everything below is used on the main thread only.
    int m_intakesRunning = 0;
    bool m_intakeStarted = false;
    bool m_checkPosted = false;
    bool m_finished = false;
    int m_signal = 0; // the signal that interrupted the run, 0 while none did
};
