#pragma once

#include "Model/KLTask/Basic/KLScriptTask.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <memory>

class KLYTDLLinkDescription;

// Asks the downloader which videos a page holds (a playlist holds several). The result is a non-empty
// QList<std::shared_ptr<KLYTDLLinkDescription>> in page order; a page without any video ends with error 1.
class KLYTDLGetLinksFromURLTask final : public KLScriptTask {
public:
    using Links = QList<std::shared_ptr<KLYTDLLinkDescription>>;

    explicit KLYTDLGetLinksFromURLTask(const QUrl &sourceURL);

    QUrl sourceURL() const { return m_sourceURL; }
    QString getCommand() const;

    // The videos described by the script's output: one JSON object per line with "webpage_url" (required,
    // a valid URL) and "title" (optional). Lines that are no such object are skipped.
    static Links linksFromOutput(const QString &output);

protected:
    void doTaskMain() override;
    void prepareTaskDescription() override;

private:
    const QUrl m_sourceURL;
};
