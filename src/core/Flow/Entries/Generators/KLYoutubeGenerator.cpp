#include "Flow/Entries/Generators/KLYoutubeGenerator.h"

#include "Flow/Entries/Generators/KLYoutubeEntry.h"
#include "Model/KLTask/YTDL/KLGetYoutubeFormatsTask.h"
#include "Model/KLTask/YTDL/KLYoutubeFormatDescription.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLServices.h"

#include <QStringList>

#include <algorithm>
#include <array>

namespace {

const QString listParameter = QStringLiteral("&list");

// The public watch pages (desktop and mobile), the embedding API and the media servers.
const std::array<QString, 4> youtubeMarkers = {
    QStringLiteral("www.youtube.com/watch"), QStringLiteral("m.youtube.com/watch"),
    QStringLiteral("youtube.googleapis.com"), QStringLiteral("googlevideo.com/videoplayback")};

QString absoluteString(const QUrl &url) {
    return url.toString(QUrl::FullyEncoded);
}

QStringList distinctResolutions(const KLGetYoutubeFormatsTask::Formats &formats) {
    QStringList resolutions;
    for (const std::shared_ptr<KLYoutubeFormatDescription> &format : formats) {
        const QString resolution = KLKinolarkUtils::formatResolution(format->size());
        if (!resolutions.contains(resolution)) {
            resolutions.append(resolution);
        }
    }
    return resolutions;
}

} // namespace

bool KLYoutubeGenerator::claimsURL(const QUrl &url) const {
    // Following lists, a playlist link goes on to the youtube-dl generator, which lists its videos.
    return followYoutubeLists() ? isSingleYoutubeVideo(url) : isYoutubeLink(url);
}

void KLYoutubeGenerator::generateEntriesForURL(const QUrl &url, GenerationHandler done) {
    const QUrl video = followYoutubeLists() ? url : removeListParameter(url);
    auto task = std::make_shared<KLGetYoutubeFormatsTask>(video);
    equipWebTask(*task);
    runTask(task, done, [video, done, services = services()](KLTask &ended) {
        Generation generation;
        if (!handOnError(ended, generation)) {
            const auto formats = ended.resultAs<KLGetYoutubeFormatsTask::Formats>();
            auto entry = std::make_shared<KLYoutubeEntry>(services);
            entry->setOriginalURL(video);
            entry->setFormats(KLYoutubeEntry::FormatList(formats.begin(), formats.end()));
            entry->setAvailableResolutions(distinctResolutions(formats));
            generation.entries = EntryList{entry};
        }
        done(std::move(generation));
    });
}

bool KLYoutubeGenerator::isYoutubeLink(const QUrl &url) {
    if (url.isLocalFile()) {
        return false;
    }
    const QString link = absoluteString(url);
    return std::any_of(youtubeMarkers.begin(), youtubeMarkers.end(),
                       [&link](const QString &marker) { return link.contains(marker); });
}

bool KLYoutubeGenerator::isSingleYoutubeVideo(const QUrl &url) {
    return isYoutubeLink(url) && !absoluteString(url).contains(listParameter);
}

QUrl KLYoutubeGenerator::removeListParameter(const QUrl &url) {
    const QString link = absoluteString(url);
    const qsizetype start = link.indexOf(listParameter);
    if (start < 0) {
        return url;
    }
    const qsizetype next = link.indexOf(QLatin1Char('&'), start + 1);
    const QString shortened = next < 0 ? link.left(start) : link.left(start) + link.mid(next);
    return QUrl(shortened);
}

bool KLYoutubeGenerator::followYoutubeLists() const {
    // Without settings (a generator made without services) lists are not followed, the default.
    const auto preferences = webSettings();
    return preferences != nullptr && preferences->followYoutubeLists();
}
