#pragma once

#include "Model/KLTask/Basic/KLScriptTask.h"

#include <QString>

// Keeps the working copy of the downloader current through "update_downloaders": the launcher, and the
// private copy of yt-dlp from the Python package index when there is one; or, in the installing mode, makes
// that private copy. Its QString result is the script's report, unchanged; the task itself never fails,
// since a failed update or installation leaves the working copy as it was.
//
// The update proxy's credentials reach the script in a file that only the user can read, made for the run
// and removed after it: a command line is readable by every user of the machine and is logged.
class KLUpdateYTDLTask final : public KLScriptTask {
public:
    enum class Mode { update, install };
    // What an installation came to, as its report tells.
    enum class Outcome { installed, alreadyInstalled, failed };

    explicit KLUpdateYTDLTask(Mode mode = Mode::update);

    static Outcome installOutcome(const QString &report);

protected:
    void doTaskMain() override;
    void prepareTaskDescription() override;

private:
    // The script's command with the credentials file (empty when there are no credentials).
    QString command(const QString &credentialsFile) const;
    // "user:password", each part percent-encoded; empty without an update proxy or a user name.
    QByteArray updateProxyCredentials() const;
    // Runs the script with the credentials written to a private file for the run.
    void runWithCredentials(const QByteArray &credentials);
    // Ends the task with the script's report.
    void report(const QString &output);

    const Mode m_mode;
};
