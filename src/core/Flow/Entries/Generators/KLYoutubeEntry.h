#pragma once

#include "Model/KLEntry/KLEntry.h"

#include <QSizeF>
#include <QStringList>

#include <vector>

class KLTask;
class KLYoutubeFormatDescription;

// A single video whose formats are known: the entry picks the format (or the video-only and audio pair)
// that fits the run's settings, downloads them one after the other, muxes a pair into one MP4, converts
// (or not) and places the result.
class KLYoutubeEntry final : public KLEntry {
public:
    using FormatList = std::vector<std::shared_ptr<KLYoutubeFormatDescription>>;

    using KLEntry::KLEntry;

    static inline const QString noFormatDescription =
        QStringLiteral("Cannot retrieve Youtube information...");

    FormatList formats() const;
    void setFormats(const FormatList &formats);
    QStringList availableResolutions() const;
    void setAvailableResolutions(const QStringList &availableResolutions);

    void prepareWithCompletion(std::function<void()> completion) override;
    void cancel() override;

    // The selection, on the run's settings (or on `preferences` where given).
    std::shared_ptr<KLYoutubeFormatDescription>
    findClosestDownloadDescritpionToResolution(const QSizeF &resolution, bool useAudio) const;
    std::shared_ptr<KLYoutubeFormatDescription> findBestAudio() const;
    std::shared_ptr<KLYoutubeFormatDescription> findBestVideoAndAudio() const;
    // The formats to download; empty when one that is needed is missing (the run has then ended with a
    // type 4 error).
    FormatList findDescriptionsToDownload();
    FormatList findDescriptionsToDownload(const KLPreferences &preferences) const;
    static uint64_t getWidthDifferenceFromSize(const QSizeF &size, const QSizeF &toSize);

protected:
    void doProcessing() override;

private:
    void startDownloads(const FormatList &chosen);
    void downloadEnded(KLTask &task);
    void muxEnded(KLTask &task, const QString &muxOutput);
    void continueWithFile(const QString &file);

    FormatList m_formats;
    QStringList m_availableResolutions;
    std::shared_ptr<KLTask> m_propertiesTask;
    std::shared_ptr<KLTask> m_muxTask;
    std::vector<std::shared_ptr<KLTask>> m_downloadTasks;
    QStringList m_downloadTargets;
};
