#pragma once

#include "Utils/KLScriptInstance.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <sys/types.h>

// Starts scripts: "/bin/bash -c COMMAND" in a process group of its own with an empty standard input, driven
// by the event loop of the calling thread (see KLScriptInstance).
class KLScriptManager {
public:
    virtual ~KLScriptManager() = default;

    // Starts the command; `lines` and `ended` are as KLScriptInstance::start() takes them.
    virtual std::shared_ptr<KLScriptInstance> runScriptAsyncWithCommand(const QString &command,
                                                                        KLScriptInstance::LineHandler lines,
                                                                        KLScriptInstance::EndHandler ended);

    // Wraps the value so that the shell hands it over as one unchanged word, whatever it holds.
    static QString quoteArgument(const QString &value);
    // "/bin/bash 'script path' 'argument' ..." for the shipped script `name`, followed by `unquotedTail`
    // (already a list of shell words) when one is given.
    static QString commandForScript(const QString &name, const QStringList &arguments,
                                    const QString &unquotedTail = QString());
    // The same for a script given by its path.
    static QString commandForScriptAtPath(const QString &scriptPath, const QStringList &arguments,
                                          const QString &unquotedTail = QString());

    // A script's error output is kept for its task (to tell why it failed) and passed on to where this
    // process writes its own diagnostics, unless that is to stay quiet (the command line's progress must
    // stay readable).
    static void setDiscardErrorOutput(bool discard);

    // Sends the signal to the whole process group led by `process`.
    static void signalProcessGroup(pid_t process, int signal);
};
