#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

class QProcess;

// Runs the kinolark command line of the build as a user would, and gathers what it did.
class KLKinolarkRunner final {
public:
    struct Outcome {
        int exitCode = -1; // -1 when it crashed or had to be killed after the timeout
        QString out;
        QString err;
    };
    struct Options {
        QString workingDirectory; // empty: the test's own
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        int timeoutMs = 180000;
        // Shell commands (mounts) run as root of a mount namespace of the run's own before the program
        // starts there; see privateMountsAvailable().
        QString privateMounts;
        // Shell commands run in that namespace once the program has ended (to look at what it left on a file
        // system that goes with the namespace). With these, the process started is a shell, not the program.
        QString afterwards;
        // Called once the program has started, to do something to it while it runs (it may wait with
        // KLTestEnvironment::waitUntil); the run then goes on to its end.
        std::function<void(QProcess &)> whileRunning;
    };

    static QString program();
    static Outcome run(const QStringList &arguments);
    static Outcome run(const QStringList &arguments, const Options &options);

    // Starts the program the way run() does, without waiting for it.
    static void start(QProcess &process, const QStringList &arguments, const Options &options);
    // True when a test may give a run a mount namespace of its own (when the tests run as root).
    static bool privateMountsAvailable();

    // The names in the folder, hidden ones included.
    static QStringList filesIn(const QString &folder);
    // A search path that holds every program of the current one except the named ones, as links in
    // `folder`: what a machine without those tools looks like to the program and its scripts.
    static QString searchPathWithout(const QStringList &tools, const QString &folder);
};
