#pragma once

#include "Flow/Entries/KLTaskEntryGenerator.h"

#include <QUrl>

// The last resort for a web page that youtube-dl cannot read: lists the page's links and media sources and
// hands those that look like media files back to the intake. It never makes an entry itself.
class KLScrapperGenerator final : public KLTaskEntryGenerator {
public:
    using KLTaskEntryGenerator::KLTaskEntryGenerator;

    bool claimsURL(const QUrl &url) const override;
    void generateEntriesForURL(const QUrl &url, GenerationHandler done) override;

    // Whether the address names a file of one of the known video or audio containers: ".mp4", ".mp3" and
    // so on anywhere after the host (a query or a path segment counts as well as the extension).
    static bool canBeDirectMediaURL(const QUrl &url);
};
