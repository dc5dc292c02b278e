#pragma once

#include "Flow/Entries/KLTaskEntryGenerator.h"

#include <QUrl>

class KLYTDLGetLinksFromURLTask;
class KLYTDLLinkDescription;

// Asks youtube-dl which videos a web page holds (a playlist holds many) and makes one entry per video, with
// the page as the entry's referer. YouTube videos among them are handed back to the intake instead, so
// that each gets a format-aware entry of its own.
class KLYTDLGenerator final : public KLTaskEntryGenerator {
public:
    using KLTaskEntryGenerator::KLTaskEntryGenerator;

    bool claimsURL(const QUrl &url) const override;
    void generateEntriesForURL(const QUrl &url, GenerationHandler done) override;

    // Whether a listed video may be taken from the page: its link and the media its information file names.
    static bool mayTakeVideo(const KLYTDLLinkDescription &description, const QUrl &page);
    // Whether a listed link goes back to the intake rather than becoming an entry here.
    static bool handsBackLink(const QUrl &link, const QUrl &page);

private:
    // The entries and hand-backs of a listing that succeeded.
    static Generation entriesForLinks(const KLYTDLGetLinksFromURLTask &task, const QUrl &url,
                                      const std::shared_ptr<const KLServices> &services);
};
