#pragma once

#include "Model/KLTask/Basic/KLScriptTask.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <memory>

class KLScratchFolder;

class KLVideoProperties;

// Measures a local media file: runs "ffmpeg_thumbnail" for a still picture and "get_local_video_properties"
// for the streams, and yields a std::shared_ptr<KLVideoProperties> (with `local` set) as its result, or error
// 8 when the file cannot be read as media. A text file is no error: it comes out with the container "tty".
class KLGetLocalVideoPropertiesTask final : public KLScriptTask {
public:
    // Thumbnails are kept at most this large (twice the size a row shows them at, for screens of double
    // density) and without an alpha channel: every entry holds one for its whole life.
    static constexpr int thumbnailMaximumWidth = 224;
    static constexpr int thumbnailMaximumHeight = 168;

    // Without a thumbnail only the streams are measured (for a file that is about to be converted).
    explicit KLGetLocalVideoPropertiesTask(const QString &sourceURL, bool withThumbnail = true);

    // The media file's absolute path.
    QString sourceURL() const { return m_sourceURL; }

    // The script commands (static: the web-video properties task runs the thumbnail script on its own too).
    static QString getThumbnailCommandWithInputFile(const QString &inputFile, const QString &outputFile);
    // With `thumbnailFile`, the script makes the thumbnail there while it probes.
    static QString getLocalVideoPropertiesCommandWithInputFile(const QString &inputFile,
                                                               const QString &temporaryFile,
                                                               const QString &thumbnailFile = QString());

    // The record described by the script's output, or nil when the output has neither form. Exposed for
    // the callers that hold such output already.
    static std::shared_ptr<KLVideoProperties> propertiesFromOutput(const QString &output);
    // True for a channel layout of two or more channels ("stereo", "5.1(side)", "4 channels", ...).
    static bool isMultichannelLayout(const QString &layout);

protected:
    void doTaskMain() override;
    void prepareTaskDescription() override;

private:
    static void fillVideoFields(KLVideoProperties &properties, const QStringList &lines, qsizetype first);
    static void fillAudioFields(KLVideoProperties &properties, const QStringList &lines, qsizetype first);
    // The picture the thumbnail script wrote, kept small.
    static QImage loadThumbnail(const QString &imagePath);
    void finishWithOutput(const QString &output, const QImage &thumbnail);

    const QString m_sourceURL;
    const bool m_withThumbnail;
};
