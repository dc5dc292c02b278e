#pragma once

#include <QList>
#include <QUrl>

// Takes URLs back into the intake: generators hand over what they found (playlist items, links scraped
// from a page) so that each is analysed by a fresh factory. The application controller implements it.
class KLURLProcessor {
public:
    virtual ~KLURLProcessor() = default;
    virtual void processURLs(const QList<QUrl> &urls) = 0;
};
