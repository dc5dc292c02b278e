#include "Flow/Entries/Generators/KLScrapperGenerator.h"

#include "Model/KLTask/Xidel/KLXidelExtractURLsTask.h"
#include "Model/Preferences/KLPreferences.h"

#include <QList>
#include <QStringList>

#include <algorithm>

namespace {

QStringList mediaPatterns() {
    QStringList patterns;
    for (const QString &container :
         KLPreferences::listVideoContainers() + KLPreferences::listAudioContainers()) {
        // The download-only choice shares the lists but names no file type.
        if (container != KLPreferences::downloadOnlyNoConversion) {
            patterns.append(QLatin1Char('.') + container);
        }
    }
    return patterns;
}

// Everything after the host. A host name such as "www.movies.example" would otherwise pass for a ".mov"
// file, and every link of such a site would be handed back, each page scraped in turn: a crawl of the
// whole site.
QString addressAfterHost(const QUrl &url) {
    return url.toString(QUrl::FullyEncoded | QUrl::RemoveScheme | QUrl::RemoveAuthority);
}

} // namespace

bool KLScrapperGenerator::claimsURL(const QUrl &url) const {
    return !url.isLocalFile();
}

bool KLScrapperGenerator::canBeDirectMediaURL(const QUrl &url) {
    static const QStringList patterns = mediaPatterns();
    const QString address = addressAfterHost(url);
    return std::any_of(patterns.begin(), patterns.end(),
                       [&address](const QString &pattern) { return address.contains(pattern); });
}

void KLScrapperGenerator::generateEntriesForURL(const QUrl &url, GenerationHandler done) {
    auto task = std::make_shared<KLXidelExtractURLsTask>(url);
    equipWebTask(*task);
    runTask(task, done, [url, done](KLTask &ended) {
        // A failed fetch lists nothing, which is the answer: nothing to report.
        QList<QUrl> media;
        for (const QUrl &found : ended.resultAs<QList<QUrl>>()) {
            // A page that links to itself and looks like a media file would otherwise come back here
            // forever.
            if (canBeDirectMediaURL(found) && found != url) {
                media.append(found);
            }
        }
        Generation generation;
        if (!media.isEmpty() && handBackURLs(media, url, generation)) {
            generation.entries = EntryList{};
        }
        done(std::move(generation));
    });
}
