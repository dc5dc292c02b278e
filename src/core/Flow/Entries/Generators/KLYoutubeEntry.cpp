#include "Flow/Entries/Generators/KLYoutubeEntry.h"

#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/KLTask/FFMPEG/KLMuxFFMPEGTask.h"
#include "Model/KLTask/KLError.h"
#include "Model/KLTask/YTDL/KLYTDLDownloadTask.h"
#include "Model/KLTask/YTDL/KLYTDLGetVideoPropertiesTask.h"
#include "Model/KLTask/YTDL/KLYoutubeFormatDescription.h"
#include "Model/Preferences/KLPreferences.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLLog.h"

#include <QDir>

#include <cmath>
#include <cstdlib>

namespace {

const QString mp4 = QStringLiteral("mp4");

} // namespace

KLYoutubeEntry::FormatList KLYoutubeEntry::formats() const {
    return m_formats;
}

void KLYoutubeEntry::setFormats(const FormatList &formats) {
    m_formats = formats;
}

QStringList KLYoutubeEntry::availableResolutions() const {
    return m_availableResolutions;
}

void KLYoutubeEntry::setAvailableResolutions(const QStringList &availableResolutions) {
    m_availableResolutions = availableResolutions;
}

void KLYoutubeEntry::prepareWithCompletion(std::function<void()> completion) {
    auto task = std::make_shared<KLYTDLGetVideoPropertiesTask>(originalURL());
    equipWebTask(*task);
    task->setMakesThumbnail(thumbnailsShown());
    m_propertiesTask = task;
    const QStringList resolutions = availableResolutions();
    prepareWithPropertiesTask(task, std::move(completion), [resolutions](KLVideoProperties &properties) {
        for (const QString &resolution : resolutions) {
            properties.addAvailableResolution(KLKinolarkUtils::parseResolution(resolution));
        }
    });
}

// ---- Selection ----

uint64_t KLYoutubeEntry::getWidthDifferenceFromSize(const QSizeF &size, const QSizeF &toSize) {
    return static_cast<uint64_t>(std::llabs(static_cast<long long>(std::floor(size.width())) -
                                            static_cast<long long>(std::floor(toSize.width()))));
}

std::shared_ptr<KLYoutubeFormatDescription>
KLYoutubeEntry::findClosestDownloadDescritpionToResolution(const QSizeF &resolution, bool useAudio) const {
    std::shared_ptr<KLYoutubeFormatDescription> best;
    uint64_t bestDistance = 2147483647;
    for (const auto &format : formats()) {
        if (format->type() != mp4) {
            continue;
        }
        const uint64_t distance = getWidthDifferenceFromSize(resolution, format->size());
        if (best == nullptr || distance < bestDistance) {
            best = format;
            bestDistance = distance;
        } else if (distance == bestDistance) {
            // On a tie, prefer a stream that carries what the run needs: sound, or the picture alone.
            const bool towardsCombined = useAudio &&
                                         best->mode() == KLYoutubeFormatDescription::videoOnlyMode &&
                                         format->mode() == KLYoutubeFormatDescription::videoAndAudioMode;
            const bool towardsVideoOnly = !useAudio &&
                                          best->mode() == KLYoutubeFormatDescription::videoAndAudioMode &&
                                          format->mode() == KLYoutubeFormatDescription::videoOnlyMode;
            if (towardsCombined || towardsVideoOnly) {
                best = format;
            }
        }
    }
    return best;
}

std::shared_ptr<KLYoutubeFormatDescription> KLYoutubeEntry::findBestAudio() const {
    std::shared_ptr<KLYoutubeFormatDescription> best;
    for (const auto &format : formats()) {
        if (best == nullptr || format->abr() > best->abr()) {
            best = format;
        }
    }
    return best;
}

std::shared_ptr<KLYoutubeFormatDescription> KLYoutubeEntry::findBestVideoAndAudio() const {
    std::shared_ptr<KLYoutubeFormatDescription> best;
    for (const auto &format : formats()) {
        if (format->type() != mp4 || format->mode() != KLYoutubeFormatDescription::videoAndAudioMode) {
            continue;
        }
        if (best == nullptr || format->size().width() > best->size().width()) {
            best = format;
        }
    }
    return best;
}

KLYoutubeEntry::FormatList
KLYoutubeEntry::findDescriptionsToDownload(const KLPreferences &preferences) const {
    const bool inputResolution = preferences.useInputFilesResolution();
    FormatList chosen;
    switch (preferences.outputMode()) {
    case KLOutputMode::VideoAndAudio:
        if (inputResolution) {
            chosen = {findBestVideoAndAudio()};
        } else {
            const auto closest = findClosestDownloadDescritpionToResolution(preferences.resolution(), true);
            chosen = {closest};
            if (closest != nullptr && closest->mode() == KLYoutubeFormatDescription::videoOnlyMode) {
                chosen.push_back(findBestAudio());
            }
        }
        break;
    case KLOutputMode::AudioOnly:
        chosen = {findBestAudio()};
        break;
    case KLOutputMode::VideoOnly:
        chosen = {inputResolution
                      ? findBestVideoAndAudio()
                      : findClosestDownloadDescritpionToResolution(preferences.resolution(), false)};
        break;
    default:
        KLLog::log(QStringLiteral("Invalid output mode"));
        std::abort();
    }
    for (const auto &format : chosen) {
        if (format == nullptr) {
            return {};
        }
    }
    return chosen;
}

KLYoutubeEntry::FormatList KLYoutubeEntry::findDescriptionsToDownload() {
    FormatList chosen = findDescriptionsToDownload(*runPreferences());
    if (chosen.empty()) {
        finishProcessingWithError(KLError::create(KLError::ytdlInformationType, noFormatDescription));
    }
    return chosen;
}

// ---- The run ----

void KLYoutubeEntry::doProcessing() {
    m_downloadTasks.clear();
    const FormatList chosen = findDescriptionsToDownload();
    if (chosen.empty()) {
        return;
    }
    if (chosen.size() > 2) {
        KLLog::log(QStringLiteral("Internal inconsistency"));
        std::abort();
    }
    startDownloads(chosen);
}

void KLYoutubeEntry::startDownloads(const FormatList &chosen) {
    const QDir folder(createRunFolder());
    const bool pair = chosen.size() == 2;
    std::vector<std::shared_ptr<KLTask>> tasks;
    QStringList targets;
    for (size_t index = 0; index < chosen.size(); ++index) {
        const auto &format = chosen[index];
        const QString target =
            folder.filePath(QStringLiteral("download%1.%2").arg(index + 1).arg(format->type()));
        // Subtitles come with the picture, never with the second (sound) download.
        auto task = std::make_shared<KLYTDLDownloadTask>(
            originalURL(), target, index == 0 && runPreferences()->useSubtitles(), QUrl());
        equipWebTask(*task);
        task->setFormat(format->itag());
        if (pair) {
            task->setDownloadDescription(index == 0 ? QStringLiteral("Downloading video...")
                                                    : QStringLiteral("Downloading audio..."));
        }
        targets << target;
        tasks.push_back(task);
    }
    m_downloadTasks = tasks;
    m_downloadTargets = targets;
    setState(waitingToDownloadState);
    if (cancelled()) {
        finishProcessingWithError(cancellationError());
        return;
    }
    enqueueTask(tasks.front(), [](KLEntry &entry, KLTask &task) {
        static_cast<KLYoutubeEntry &>(entry).downloadEnded(task);
    });
}

void KLYoutubeEntry::downloadEnded(KLTask &task) {
    if (const std::shared_ptr<KLError> failure = task.error()) {
        finishProcessingWithError(failure);
        return;
    }
    std::shared_ptr<KLTask> next;
    QStringList targets;
    if (!m_downloadTasks.empty()) {
        m_downloadTasks.erase(m_downloadTasks.begin());
    }
    next = m_downloadTasks.empty() ? nullptr : m_downloadTasks.front();
    targets = m_downloadTargets;
    if (next != nullptr) {
        setState(waitingToDownloadState);
        enqueueTask(next, [](KLEntry &entry, KLTask &ended) {
            static_cast<KLYoutubeEntry &>(entry).downloadEnded(ended);
        });
        return;
    }
    if (targets.size() == 2) {
        const QString muxOutput = QDir(temporaryFolder()).filePath(QStringLiteral("mux.mp4"));
        auto mux = std::make_shared<KLMuxFFMPEGTask>(targets.at(0), targets.at(1), muxOutput);
        m_muxTask = mux;
        setState(waitingToMuxState);
        if (cancelled()) {
            finishProcessingWithError(cancellationError());
            return;
        }
        enqueueTask(mux, [muxOutput](KLEntry &entry, KLTask &ended) {
            static_cast<KLYoutubeEntry &>(entry).muxEnded(ended, muxOutput);
        });
        return;
    }
    continueWithFile(targets.value(0));
}

void KLYoutubeEntry::muxEnded(KLTask &task, const QString &muxOutput) {
    if (const std::shared_ptr<KLError> failure = task.error()) {
        finishProcessingWithError(failure);
        return;
    }
    continueWithFile(muxOutput);
}

void KLYoutubeEntry::continueWithFile(const QString &file) {
    if (runIsDownloadOnly()) {
        finishByPlacing(file);
    } else {
        runConversionStage(file);
    }
}

void KLYoutubeEntry::cancel() {
    markCancelled();
    std::vector<std::shared_ptr<KLTask>> downloads;
    downloads = m_downloadTasks;
    for (const auto &task : downloads) {
        terminateAndDequeue(task);
    }
    std::shared_ptr<KLTask> mux;
    std::shared_ptr<KLTask> properties;
    mux = m_muxTask;
    properties = m_propertiesTask;
    terminateAndDequeue(mux);
    terminateAndDequeue(properties);
    cancelConversionTasks();
}
