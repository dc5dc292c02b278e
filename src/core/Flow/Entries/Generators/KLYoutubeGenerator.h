#pragma once

#include "Flow/Entries/KLTaskEntryGenerator.h"

#include <QString>
#include <QUrl>

// Claims YouTube videos and makes one entry per video that knows every format the site offers, so the
// entry can pick its streams itself. Playlist links are left to the youtube-dl generator when the user
// follows lists; otherwise the list is cut out of the link and only the video is taken.
class KLYoutubeGenerator final : public KLTaskEntryGenerator {
public:
    using KLTaskEntryGenerator::KLTaskEntryGenerator;

    bool claimsURL(const QUrl &url) const override;
    void generateEntriesForURL(const QUrl &url, GenerationHandler done) override;

    // A link to a watch page, the site's API or its media servers (never a local file).
    static bool isYoutubeLink(const QUrl &url);
    // A YouTube link that names no playlist.
    static bool isSingleYoutubeVideo(const QUrl &url);
    // The link without its first "&list=..." parameter; the parameters after it stay.
    static QUrl removeListParameter(const QUrl &url);

private:
    bool followYoutubeLists() const;
};
