#pragma once

#include "Model/KLTask/FFMPEG/KLFFMPEGTask.h"

#include <QString>

// Joins a separately downloaded video stream and audio stream into one MP4 file, without re-encoding.
class KLMuxFFMPEGTask final : public KLFFMPEGTask {
public:
    KLMuxFFMPEGTask(const QString &videoInputPath, const QString &audioInputPath, const QString &outputPath);

    QString videoInputPath() const { return m_videoInputPath; }
    QString audioInputPath() const { return m_audioInputPath; }

    QString getFFMPEGCommand() const override;

protected:
    void prepareTaskDescription() override;
    // Only the picture's progress counts: lines that begin with "frame=".
    bool isProgressLine(const QString &line) const override;

private:
    const QString m_videoInputPath;
    const QString m_audioInputPath;
};
