#include "Model/KLTask/FFMPEG/KLMuxFFMPEGTask.h"

#include "Utils/KLScriptManager.h"

KLMuxFFMPEGTask::KLMuxFFMPEGTask(const QString &videoInputPath, const QString &audioInputPath,
                                 const QString &outputPath)
    : KLFFMPEGTask(outputPath), m_videoInputPath(videoInputPath), m_audioInputPath(audioInputPath) {}

QString KLMuxFFMPEGTask::getFFMPEGCommand() const {
    return KLScriptManager::commandForScript(QStringLiteral("ffmpeg_mux_mp4"),
                                             {m_videoInputPath, m_audioInputPath, outputPath()});
}

void KLMuxFFMPEGTask::prepareTaskDescription() {
    setTaskDescription(QStringLiteral("Muxing..."));
}

bool KLMuxFFMPEGTask::isProgressLine(const QString &line) const {
    return line.startsWith(QStringLiteral("frame="));
}
