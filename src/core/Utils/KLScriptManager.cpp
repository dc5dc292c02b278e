#include "Utils/KLScriptManager.h"

#include "Utils/KLDispatch.h"
#include "Utils/KLLog.h"
#include "Utils/KLResources.h"
#include "Utils/KLScriptErrorOutput.h"
#include "Utils/KLScriptInstance.h"

#include <QByteArray>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace {

std::atomic<bool> discardErrorOutput{false};

// Restores what the child must not inherit from us: blocked signals and ignored ones (the command line
// blocks SIGINT and SIGTERM to handle them itself; the scripts must keep their defaults).
bool prepareAttributes(posix_spawnattr_t &attributes) {
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGINT, SIGTERM, SIGQUIT, SIGHUP, SIGPIPE, SIGCHLD, SIGUSR1, SIGUSR2}) {
        sigaddset(&defaults, signal);
    }
    return posix_spawnattr_init(&attributes) == 0 &&
           posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                                     POSIX_SPAWN_SETSIGDEF) == 0 &&
           posix_spawnattr_setpgroup(&attributes, 0) == 0 &&
           posix_spawnattr_setsigmask(&attributes, &none) == 0 &&
           posix_spawnattr_setsigdefault(&attributes, &defaults) == 0;
}

void closeBoth(int (&pipe)[2]) {
    for (int &end : pipe) {
        if (end >= 0) {
            ::close(end);
            end = -1;
        }
    }
}

// Reads the script's error output until every process of the script has let go of it: the lines are kept
// for the script's task and passed on to this process's own error output unless that is to stay quiet.
void collectErrorOutput(int descriptor, const std::shared_ptr<KLScriptErrorOutput> &output, bool forward) {
    FILE *stream = fdopen(descriptor, "r");
    if (stream == nullptr) {
        ::close(descriptor);
        output->finish();
        return;
    }
    char buffer[4096];
    while (fgets(buffer, sizeof buffer, stream) != nullptr) {
        if (forward) {
            fputs(buffer, stderr);
        }
        output->addLine(QString::fromUtf8(buffer));
    }
    fclose(stream);
    output->finish();
}

} // namespace

std::shared_ptr<KLScriptInstance> KLScriptManager::runScriptAsyncWithCommand(const QString &command) {
    KLLog::log(QStringLiteral("Running command %1").arg(command));

    // Both pipes close on exec in this process, so scripts started at the same time from other threads do
    // not inherit each other's pipe ends (an inherited write end would keep a reader from ever seeing the
    // end of its stream).
    int output[2] = {-1, -1};
    int input[2] = {-1, -1};
    int errors[2] = {-1, -1};
    if (pipe2(output, O_CLOEXEC) != 0 || pipe2(input, O_CLOEXEC) != 0 || pipe2(errors, O_CLOEXEC) != 0) {
        KLLog::log(QStringLiteral("Could not create pipes for command: %1")
                       .arg(QString::fromLocal8Bit(strerror(errno))));
        closeBoth(output);
        closeBoth(input);
        closeBoth(errors);
        return std::make_shared<KLScriptInstance>(-1, -1, this);
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);

    posix_spawnattr_t attributes;
    const bool prepared = prepareAttributes(attributes);

    const QByteArray commandBytes = command.toUtf8();
    char bash[] = "/bin/bash";
    char dashC[] = "-c";
    char *arguments[] = {bash, dashC, const_cast<char *>(commandBytes.constData()), nullptr};

    pid_t process = -1;
    const int spawned =
        prepared ? posix_spawn(&process, bash, &actions, &attributes, arguments, environ) : EINVAL;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);

    // Our copies of the child's ends go; the input pipe's write end goes too, so a script that reads its
    // standard input sees an empty one instead of waiting forever.
    ::close(output[1]);
    ::close(errors[1]);
    closeBoth(input);
    if (spawned != 0) {
        KLLog::log(
            QStringLiteral("Could not start /bin/bash: %1").arg(QString::fromLocal8Bit(strerror(spawned))));
        ::close(output[0]);
        ::close(errors[0]);
        return std::make_shared<KLScriptInstance>(-1, -1, this);
    }
    auto errorOutput = std::make_shared<KLScriptErrorOutput>();
    KLDispatch::background([descriptor = errors[0], errorOutput, forward = !discardErrorOutput.load()] {
        collectErrorOutput(descriptor, errorOutput, forward);
    });
    return std::make_shared<KLScriptInstance>(process, output[0], this, errorOutput);
}

void KLScriptManager::setDiscardErrorOutput(bool discard) {
    discardErrorOutput = discard;
}

QString KLScriptManager::quoteArgument(const QString &value) {
    // Inside single quotes the shell interprets nothing; a single quote itself is closed, escaped and
    // reopened.
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString KLScriptManager::commandForScript(const QString &name, const QStringList &arguments,
                                          const QString &unquotedTail) {
    return commandForScriptAtPath(KLResources::pathForResource(name, QStringLiteral("sh")), arguments,
                                  unquotedTail);
}

QString KLScriptManager::commandForScriptAtPath(const QString &scriptPath, const QStringList &arguments,
                                                const QString &unquotedTail) {
    QString command = QStringLiteral("/bin/bash ") + quoteArgument(scriptPath);
    for (const QString &argument : arguments) {
        command += QLatin1Char(' ') + quoteArgument(argument);
    }
    if (!unquotedTail.isEmpty()) {
        command += QLatin1Char(' ') + unquotedTail;
    }
    return command;
}

void KLScriptManager::signalProcessGroup(pid_t process, int signal) {
    if (process > 0) {
        ::kill(-process, signal);
    }
}
