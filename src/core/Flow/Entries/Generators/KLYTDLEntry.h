#pragma once

#include "Model/KLEntry/KLEntry.h"
#include "Model/KLTask/YTDL/KLYTDLInformationFile.h"

#include <QUrl>

class KLTask;
class KLYTDLDownloadTask;
class KLYTDLGetVideoPropertiesTask;

// A media link that the downloader can fetch, found on a web page: measured with the downloader, downloaded
// into the run's temporary folder, converted (or not) and placed at the destination. The page it was found
// on is sent as the referer.
//
// Nothing is fetched twice: the download continues what measuring left (or uses it as it is when the whole
// video arrived), and takes the video from the downloader's information file instead of extracting the page
// again. Should that information have gone stale, the video is downloaded afresh from its page.
class KLYTDLEntry final : public KLEntry {
public:
    using KLEntry::KLEntry;

    QUrl invokingURL() const;
    void setInvokingURL(const QUrl &invokingURL);
    // The listing's information file for the video; empty for none.
    void setInformationFile(const KLYTDLInformationFile &informationFile);

    void prepareWithCompletion(std::function<void()> completion) override;
    void cancel() override;

protected:
    void doProcessing() override;

private:
    // Folder for the run: the one measuring left, when it did, else a new one.
    QString runFolderForDownload(bool &complete, KLYTDLInformationFile &informationFile);
    void startDownload(const QString &target, const KLYTDLInformationFile &informationFile);
    void downloadEnded(KLYTDLDownloadTask &task, const QString &target, bool fromInformation);
    void downloadAcquired(const QString &target);

    QUrl m_invokingURL;
    KLYTDLInformationFile m_informationFile;
    std::shared_ptr<KLYTDLGetVideoPropertiesTask> m_propertiesTask;
    std::shared_ptr<KLTask> m_downloadTask;
};
