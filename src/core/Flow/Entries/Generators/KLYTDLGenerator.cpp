#include "Flow/Entries/Generators/KLYTDLGenerator.h"

#include "Flow/Entries/Generators/KLYTDLEntry.h"
#include "Flow/Entries/Generators/KLYoutubeGenerator.h"
#include "Model/KLTask/YTDL/KLYTDLGetLinksFromURLTask.h"
#include "Model/KLTask/YTDL/KLYTDLLinkDescription.h"
#include "Utils/KLAddressRules.h"

#include <QList>

bool KLYTDLGenerator::claimsURL(const QUrl &url) const {
    return !url.isLocalFile();
}

void KLYTDLGenerator::cancel() {
    KLTaskEntryGenerator::cancel();
    terminateRunningTask();
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

std::optional<KLEntryGenerator::EntryList>
KLYTDLGenerator::generateEntriesForURL(const QUrl &url, std::shared_ptr<KLError> *error) {
    if (m_cancelled.load()) {
        return std::nullopt;
    }
    auto task = std::make_shared<KLYTDLGetLinksFromURLTask>(url);
    if (!runTask(task)) {
        return std::nullopt;
    }
    if (handOnError(*task, error)) {
        return std::nullopt;
    }
    QList<QUrl> handedBack;
    EntryList entries;
    bool refused = false;
    for (const std::shared_ptr<KLYTDLLinkDescription> &description :
         task->resultAs<KLYTDLGetLinksFromURLTask::Links>()) {
        const QUrl link = description->link();
        if (!mayTakeVideo(*description, url)) {
            refused = true;
            continue;
        }
        if (handsBackLink(link, url)) {
            handedBack.append(link);
            continue;
        }
        auto entry = std::make_shared<KLYTDLEntry>();
        entry->setOriginalURL(link);
        entry->setInvokingURL(url);
        entry->setInformationFile(description->informationFile());
        entries.push_back(std::move(entry));
    }
    if (m_cancelled.load()) {
        return std::nullopt;
    }
    if (!handedBack.isEmpty()) {
        handBackURLs(handedBack, url, nullptr);
    }
    if (handedBack.isEmpty() && entries.empty()) {
        if (refused && error != nullptr) {
            *error = KLAddressRules::refusalFor(url);
        }
        return std::nullopt;
    }
    // Possibly empty: a playlist whose videos all went back to the intake has been handled.
    return entries;
}
