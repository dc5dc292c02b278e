#pragma once

#include "Model/KLTask/Xidel/KLXidelURLListTask.h"

// Fetches a web page and lists its links and media sources ("xidel_urls"), resolved against the address
// the page was finally fetched from, through the download proxy when one is set. A page that cannot be
// fetched gives an empty list.
class KLXidelExtractURLsTask final : public KLXidelURLListTask {
public:
    explicit KLXidelExtractURLsTask(const QUrl &sourceURL);

protected:
    QString scriptName() const override;
    QStringList scriptArguments() const override;
    bool fetchesFromTheWeb() const override { return true; }
};
