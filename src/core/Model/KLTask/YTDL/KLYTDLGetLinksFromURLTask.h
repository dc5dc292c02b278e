#pragma once

#include "Model/KLTask/Basic/KLScriptTask.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <memory>

class KLScratchFolder;
class KLYTDLLinkDescription;

// Asks the downloader which videos a page holds (a playlist holds several). The result is a non-empty
// QList<std::shared_ptr<KLYTDLLinkDescription>> in page order; a page without any video ends with error 1.
// The downloader's information file of each video is kept for its later downloads, in a folder that goes
// when the last description holding one of its files does.
class KLYTDLGetLinksFromURLTask final : public KLScriptTask {
public:
    using Links = QList<std::shared_ptr<KLYTDLLinkDescription>>;

    explicit KLYTDLGetLinksFromURLTask(const QUrl &sourceURL);

    QUrl sourceURL() const { return m_sourceURL; }
    // `informationFolder` is where the downloader writes the information files; `proxyFile` is the
    // download proxy's file, `cookiesFile` the cookie option's. Empty for none.
    QString getCommand(const QString &informationFolder = QString(), const QString &proxyFile = QString(),
                       const QString &cookiesFile = QString()) const;

    // The videos described by the script's output: one JSON object per line with "webpage_url" (required,
    // a valid URL), "title" (optional) and "information" (optional: the path of an information file, taken
    // only when it lies in `informationFolder`). Lines that are no such object are skipped.
    static Links linksFromOutput(const QString &output,
                                 const std::shared_ptr<KLScratchFolder> &informationFolder = nullptr);

protected:
    void doTaskMain() override;
    void prepareTaskDescription() override;

private:
    const QUrl m_sourceURL;
};
