#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

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
    };

    static QString program();
    static Outcome run(const QStringList &arguments);
    static Outcome run(const QStringList &arguments, const Options &options);

    // The names in the folder, hidden ones included.
    static QStringList filesIn(const QString &folder);
    // A search path that holds every program of the current one except the named ones, as links in
    // `folder`: what a machine without those tools looks like to the program and its scripts.
    static QString searchPathWithout(const QStringList &tools, const QString &folder);
};
