#include "Utils/KLScriptManager.h"

#include "Utils/KLResources.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<bool> discardErrorOutput{false};

} // namespace

std::shared_ptr<KLScriptInstance>
KLScriptManager::runScriptAsyncWithCommand(const QString &command, KLScriptInstance::LineHandler lines,
                                           KLScriptInstance::EndHandler ended) {
    auto instance = std::make_shared<KLScriptInstance>(!discardErrorOutput.load());
    instance->start(command, std::move(lines), std::move(ended));
    return instance;
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
