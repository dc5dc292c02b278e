#pragma once

#include "Model/KLEntry/KLEntry.h"
#include "Model/KLTask/YTDL/KLYTDLGetVideoPropertiesTask.h"
#include "Model/KLTask/YTDL/KLYTDLInformationFile.h"
#include "Utils/KLKeptDownloads.h"

#include <QUrl>

class KLTask;
class KLYTDLDownloadTask;

// A media link that the downloader can fetch, found on a web page: measured with the downloader, downloaded
// into the run's temporary folder, converted (or not) and placed at the destination. The page it was found
// on is sent as the referer.
//
// Nothing is fetched twice: the download continues what measuring left (or uses it as it is when the whole
// video arrived), and takes the video from the downloader's information file instead of extracting the page
// again. Should that information have gone stale, the video is downloaded afresh from its page. Where the
// services keep downloads, the download lives in the video's kept folder, so that a run that is stopped,
// interrupted or killed leaves it for the next run, which continues it (or converts it, when it was whole:
// then the video is described from that file and nothing at all is fetched).
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
    // The video's kept folder, holding what an earlier run kept or else what measuring fetched; empty where
    // nothing is kept. `complete` says whether the download in it is whole.
    QString keptRunFolder(KLYTDLGetVideoPropertiesTask::PartialDownload &partial, bool &complete);
    // Moves the named files of measuring's folder (all of them for none) into the folder.
    static void moveInto(const KLYTDLGetVideoPropertiesTask::PartialDownload &partial, const QString &folder,
                         const QStringList &names);
    // A video whose result an earlier run of the program placed comes back done, without any fetching;
    // false when there is no such result.
    bool comeBackPlaced();
    // The record of what an earlier run downloaded of this video; nothing when no byte of it is kept.
    std::optional<KLKeptDownloads::Record> keptDownloadRecord(const KLKeptDownloads &kept) const;
    // The whole download an earlier run left unconverted, when the run may take it up; empty otherwise.
    QString keptWholeDownload() const;
    // Describes the video from its whole kept download and the downloader's information kept beside it:
    // nothing is fetched for a video that is already here.
    void prepareFromKeptDownload(const QString &download, std::function<void()> completion);
    // A video an earlier run of the program left half fetched is shown paused.
    void showKeptDownload();
    // Notes how far the run got in the video's kept folder, when downloads are kept.
    void recordKeptStage(const QString &stage);
    static void adoptInformationFile(const QString &folder, KLYTDLInformationFile &informationFile);
    void startDownload(const QString &target, const KLYTDLInformationFile &informationFile);
    void downloadEnded(KLYTDLDownloadTask &task, const QString &target, bool fromInformation);
    void downloadAcquired(const QString &target);

    QUrl m_invokingURL;
    KLYTDLInformationFile m_informationFile;
    std::shared_ptr<KLYTDLGetVideoPropertiesTask> m_propertiesTask;
    std::shared_ptr<KLTask> m_keptMeasuringTask;
    std::shared_ptr<KLTask> m_downloadTask;
};
