#pragma once

#include "Model/KLTask/Xidel/KLScrapingTask.h"

#include <QList>
#include <QString>
#include <QUrl>

// A scraping task whose script prints one URL a line; its result is a QList<QUrl> of the lines that form
// valid URLs, in output order, duplicates kept (possibly empty).
class KLXidelURLListTask : public KLScrapingTask {
public:
    // The page or the saved page file that is scraped.
    QUrl sourceURL() const { return m_sourceURL; }
    // The address the saved page was fetched from, against which its relative addresses resolve; empty
    // when unknown (then only absolute addresses are found).
    QUrl pageURL() const { return m_pageURL; }

    // Every line of the output, trimmed, that forms a valid URL (one with a scheme); the rest is dropped.
    static QList<QUrl> urlsFromOutput(const QString &output);

protected:
    KLXidelURLListTask(int32_t type, const QString &description, const QUrl &sourceURL,
                       const QUrl &pageURL = QUrl());

    std::any resultFromOutput(const QString &output) const override;
    // The arguments of the scripts that read a saved page: its path, then the page URL when one is known.
    QStringList savedPageArguments() const;

private:
    const QUrl m_sourceURL;
    const QUrl m_pageURL;
};
