#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class QProcess;
class QProcessEnvironment;

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

    // Starts `work` with a handler and runs the event loop until the handler has been called or the timeout
    // passes; returns whether it was called.
    static bool runUntilDone(const std::function<void(std::function<void()> done)> &work,
                             std::chrono::milliseconds timeout = std::chrono::seconds(60));

    // Runs what was posted to the main thread's event loop so far (a settings write, a row's refresh).
    static void runPostedWork();

    // Writes an executable script with the given body into the folder and returns its path.
    static QString writeScript(const QString &folder, const QString &name, const QString &body);
    // Runs the script command through the program's own runner to its end; its whole output.
    static QString runScript(const QString &command);
    static QString readFile(const QString &path);
    // Stores the settings as a user who edited them would have them (the marker that makes them count
    // included).
    static void storeSettings(const QMap<QString, QString> &values);
    static void writeFile(const QString &path, const QByteArray &contents);
    // Takes out the proxy variables, so that only the program's own proxy setting decides where the tools'
    // requests go (and a test's proxy on 127.0.0.1 sees every one of them).
    static void removeProxyVariables(QProcessEnvironment &environment);

    // "codec_name,codec_type,codec_tag_string,width,height" of each stream of a media file as ffprobe reads
    // it, the streams joined by ';'.
    static QString probeStreams(const QString &path);

    // Starts a server that prints one line once it is ready (an address, a display number) and returns
    // that line; empty when it did not start or said nothing in time.
    static QString startServer(QProcess &server, const QString &program, const QStringList &arguments);
    // Ends a server started so: asked first, then killed.
    static void stopServer(QProcess &server);

    // True while any process of the group still runs.
    static bool processGroupAlive(pid_t group);
    // The live processes that this test process started, directly or not (found by an environment mark that
    // every child inherits, so orphans count too), whose command line holds one of the names.
    static int startedProcessesRunning(const QStringList &names);
    // Those processes themselves, with their process group and command line (arguments joined by blanks).
    struct StartedProcess {
        pid_t pid;
        pid_t group;
        QString commandLine;
    };
    static QList<StartedProcess> startedProcesses(const QStringList &names);
    // Marks this process so that startedProcessesRunning() recognises its descendants; called by the main.
    static void markProcessTree();
    // The scratch folders (finished or being made) in the downloads folder of the data folder; every run
    // removes its own as it ends.
    static QStringList scratchFolders();
    // The size of the partial download kept for a video in the data folder; 0 for none.
    static qint64 keptPartialSize();
    // The number of children of this process that have ended but were not collected.
    static int zombieChildren();
};
