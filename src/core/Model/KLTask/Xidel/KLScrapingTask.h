#pragma once

#include "Model/KLTask/Basic/KLScriptTask.h"

#include <QString>
#include <QStringList>

#include <any>
#include <cstdint>

// A task that runs one shipped script, reads its whole output once the script has ended and makes its
// result from that output. It never sets an error: a script that fails prints nothing, and what the
// result makes of nothing (an empty list, an empty text) is the answer. A termination is reported at
// once and stops the script too.
class KLScrapingTask : public KLScriptTask {
public:
    // The command line the task runs; a script that fetches from the web is handed `proxyFile`, the
    // download proxy's file, and `cookieFile`, the cookies it sends, as its last arguments when there are
    // any (an empty proxy file before a cookie file).
    QString getCommand(const QString &proxyFile = QString(), const QString &cookieFile = QString()) const;

protected:
    KLScrapingTask(int32_t type, const QString &description);

    virtual QString scriptName() const = 0;
    virtual QStringList scriptArguments() const = 0;
    virtual std::any resultFromOutput(const QString &output) const = 0;
    // True for a script that fetches from the web: it goes through the download proxy, as the downloader
    // does, so that the sites see one address.
    virtual bool fetchesFromTheWeb() const { return false; }

    void doTaskMain() override;
    void prepareTaskDescription() override;

private:
    const QString m_description;
};
