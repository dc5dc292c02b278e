#pragma once

#include "Model/KLTask/KLTask.h"
#include "Utils/KLScriptInstance.h"

#include <QString>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class KLScriptErrorOutput;

class KLDefaultPreferences;
class KLSessionCookies;

// A task whose work is done by shipped scripts, one at a time, on the main thread: a script's output comes
// to the task line by line as it arrives (or whole once the script has ended), and the script's end moves
// the task on.
//
// terminate() ends the task at once and stops the current script, and any script the task would start
// afterwards; a stopped script's handlers are never called, so the termination is the only end reported.
class KLScriptTask : public KLTask {
public:
    using LineHandler = KLScriptInstance::LineHandler;
    using OutputHandler = std::function<void(const QString &output)>;

    KLScriptTask();
    ~KLScriptTask() override;

    void terminate() override;

    // The script that runs now, if any; forgotten once it has exited.
    std::shared_ptr<KLScriptInstance> scriptInstance() const;
    // Runs `then` once no script this task started runs any more: at once when none does. Whoever reuses
    // a terminated task's files waits for this, as a stopped script takes a moment to go.
    void whenScriptsExited(std::function<void()> then);
    // The settings whose proxy and TV provider the task's tools use, for a task that reaches the web; without
    // them none is used. Set by whoever makes the task, before it starts.
    void setSettings(std::shared_ptr<const KLDefaultPreferences> settings);
    const std::shared_ptr<const KLDefaultPreferences> &settings() const { return m_settings; }
    // The session handed over with the page the task works for, which its tools send instead of the
    // cookies the settings name; nil for none. Held until the task has ended, as a finished task is often
    // kept for its result long after.
    void setSessionCookies(std::shared_ptr<const KLSessionCookies> cookies) {
        m_sessionCookies = std::move(cookies);
    }
    const std::shared_ptr<const KLSessionCookies> &sessionCookies() const { return m_sessionCookies; }

protected:
    // True from the moment terminate() is called.
    bool terminationRequested() const;
    // Starts the command as the current script: every line of its output (newline kept) goes to
    // `handleLine`, and `ended` runs once the script has exited and all of its output was read.
    void runScript(const QString &command, LineHandler handleLine, std::function<void()> ended);
    // Starts the command as the current script and hands its whole output to `ended` once it has exited.
    void runScriptToEnd(const QString &command, OutputHandler ended);

    // Why the work failed, as the last script told on its error output (empty when it told nothing).
    virtual QString failureCause() const;
    // A failure of the given type whose description is followed by its cause.
    std::shared_ptr<KLError> failure(int32_t errorType, const QString &description) const;

private:
    void startScript(const QString &command, LineHandler handleLine, std::function<void()> ended);
    void stopScript();
    void scriptExited();

    std::shared_ptr<const KLDefaultPreferences> m_settings;
    std::shared_ptr<const KLSessionCookies> m_sessionCookies;
    std::shared_ptr<KLScriptInstance> m_scriptInstance;
    std::shared_ptr<KLScriptErrorOutput> m_lastErrorOutput;
    std::vector<std::function<void()>> m_afterExit;
    // Raised by terminate().
    bool m_scriptsStopped = false;
};
