#include "Flow/Entries/Generators/KLYTDLGenerator.h"

#include "Flow/Entries/Generators/KLYTDLEntry.h"
#include "Flow/Entries/Generators/KLYoutubeGenerator.h"
#include "Model/KLTask/YTDL/KLYTDLGetLinksFromURLTask.h"
#include "Model/KLTask/YTDL/KLYTDLLinkDescription.h"
#include "Utils/KLAddressRules.h"
#include "Utils/KLServices.h"

#include <QList>

bool KLYTDLGenerator::claimsURL(const QUrl &url) const {
    return !url.isLocalFile();
}

bool KLYTDLGenerator::mayTakeVideo(const KLYTDLLinkDescription &description, const QUrl &page) {
    // The link, and every address the downloader would fetch the video from: a page's player may point at
    // this machine or the local network as well as its links.
    QList<QUrl> addresses = description.informationFile().mediaAddresses();
    addresses.prepend(description.link());
    for (const QUrl &address : addresses) {
        if (!KLAddressRules::mayFollow(address, page)) {
            KLAddressRules::logRefusal(address, page);
            return false;
        }
    }
    return true;
}

bool KLYTDLGenerator::handsBackLink(const QUrl &link, const QUrl &page) {
    // youtube-dl lists a single video under the video's own link. When that link is the page asked about,
    // the YouTube generator has already failed on it (or it would not have come here); handing it back
    // would analyse it again and again. It becomes an ordinary youtube-dl entry instead. A link that
    // differs only in form (another host alias, extra parameters) goes back once: youtube-dl lists the
    // canonical link, which then equals the page.
    return KLYoutubeGenerator::isYoutubeLink(link) && link != page;
}

void KLYTDLGenerator::generateEntriesForURL(const QUrl &url, GenerationHandler done) {
    auto task = std::make_shared<KLYTDLGetLinksFromURLTask>(url);
    equipWebTask(*task);
    runTask(task, done, [url, done, services = services()](KLTask &ended) {
        Generation generation;
        if (!handOnError(ended, generation)) {
            generation = entriesForLinks(static_cast<KLYTDLGetLinksFromURLTask &>(ended), url, services);
        }
        done(std::move(generation));
    });
}

KLEntryGenerator::Generation
KLYTDLGenerator::entriesForLinks(const KLYTDLGetLinksFromURLTask &task, const QUrl &url,
                                 const std::shared_ptr<const KLServices> &services) {
    Generation generation;
    QList<QUrl> handedBack;
    EntryList entries;
    bool refused = false;
    for (const std::shared_ptr<KLYTDLLinkDescription> &description :
         task.resultAs<KLYTDLGetLinksFromURLTask::Links>()) {
        const QUrl link = description->link();
        if (!mayTakeVideo(*description, url)) {
            refused = true;
            continue;
        }
        if (handsBackLink(link, url)) {
            handedBack.append(link);
            continue;
        }
        auto entry = std::make_shared<KLYTDLEntry>(services);
        entry->setOriginalURL(link);
        entry->setInvokingURL(url);
        entry->setInformationFile(description->informationFile());
        entries.push_back(std::move(entry));
    }
    generation.handedBack = KLAddressRules::followable(handedBack, url);
    if (handedBack.isEmpty() && entries.empty()) {
        if (refused) {
            generation.error = KLAddressRules::refusalFor(url);
        }
        return generation;
    }
    // Possibly empty: a playlist whose videos all went back to the intake has been handled.
    generation.entries = std::move(entries);
    return generation;
}
