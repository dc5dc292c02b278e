#pragma once

#include "Model/KLTask/Basic/KLScriptTask.h"

#include <QString>

// A task that asks the downloader for one of its lists: it runs a listing script with the downloader's path,
// and yields the script's output, trimmed of blanks and newlines at both ends, as its QString result; an
// output with nothing else in it is error 4 with the task's message. A listing made by the same script and
// downloader before is taken from the data folder instead of starting the downloader again.
class KLYTDLListingTask : public KLScriptTask {
public:
    QString getCommand() const;

protected:
    KLYTDLListingTask(QString scriptName, QString description, QString errorDescription);

    void doTaskMain() override;
    void prepareTaskDescription() override;

private:
    const QString m_scriptName;
    const QString m_description;
    const QString m_errorDescription;
};
