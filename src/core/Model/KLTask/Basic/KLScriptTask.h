#pragma once

#include "Model/KLTask/KLTask.h"

#include <QString>

#include <functional>
#include <memory>
#include <mutex>

class KLScriptErrorOutput;
class KLScriptInstance;

// A task whose work is done by shipped scripts, one at a time. It keeps the running script's instance so
// that terminate() can stop it from any thread, and offers the two ways of reading a script: line by line
// while it runs, or whole once it has ended.
//
// terminate() stops the current script, and also any script the work routine starts afterwards, before it
// ends the task; so a termination that comes while a script is being started cannot leave that script
// running. Because the script stops before the task has ended, a work routine that sees its script's output
// end must ask terminationRequested() (not only hasEnded()) before it reports an outcome: otherwise it could
// report a failed completion in place of the termination that is on its way.
class KLScriptTask : public KLTask {
public:
    void terminate() override;

    // The script that runs now, if any.
    std::shared_ptr<KLScriptInstance> scriptInstance() const;

protected:
    // True from the moment terminate() is called.
    bool terminationRequested() const;
    // Starts the command through the shared script runner and keeps its instance as the current one. After
    // a termination the new script is stopped at once (its reads then return nothing).
    std::shared_ptr<KLScriptInstance> startScript(const QString &command);
    // Hands every line of the current script (trailing newline kept) to `handleLine` until its output ends
    // or it is terminated.
    void readScriptLines(const std::function<void(const QString &line)> &handleLine);
    // Runs the command, reads its whole output, stops the script and returns the output.
    QString runScriptToEnd(const QString &command);
    // Stops the current script (if any) and forgets it.
    void terminateScript();

    // Why the work failed, as the last script told on its error output (empty when it told nothing).
    virtual QString failureCause() const;
    // A failure of the given type whose description is followed by its cause.
    std::shared_ptr<KLError> failure(int32_t errorType, const QString &description) const;

private:
    mutable std::mutex m_scriptLock;
    std::shared_ptr<KLScriptInstance> m_scriptInstance;
    std::shared_ptr<KLScriptErrorOutput> m_lastErrorOutput;
    bool m_scriptsStopped = false;
};
