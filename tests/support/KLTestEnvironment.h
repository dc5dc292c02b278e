#pragma once

#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <memory>
#include <sys/types.h>

// Helpers shared by the tests. Every test process runs with HOME and the XDG folders pointed at a private
// temporary folder (see the test main), so nothing touches the real home folder.
class KLTestEnvironment final {
public:
    // The private home folder of this test process.
    static QString homeDirectory();
    static QString sourceDirectory();
    static QString binaryDirectory();

    // Runs the event loop until the condition holds or the timeout passes; returns the condition.
    static bool waitUntil(const std::function<bool()> &condition,
                          std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Writes an executable script with the given body into the folder and returns its path.
    static QString writeScript(const QString &folder, const QString &name, const QString &body);
    static QString readFile(const QString &path);
    static void writeFile(const QString &path, const QByteArray &contents);

    // True while any process of the group still runs.
    static bool processGroupAlive(pid_t group);
    // The number of children of this process that have ended but were not collected.
    static int zombieChildren();
};
