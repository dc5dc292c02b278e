#include "Model/KLTask/FFMPEG/KLConvertFFMPEGTask.h"

#include "Utils/KLScriptManager.h"

KLConvertFFMPEGTask::KLConvertFFMPEGTask(const QString &inputPath, const QString &outputPath,
                                         const QString &parameters)
    : KLFFMPEGTask(outputPath.isEmpty() ? nullOutputPath : outputPath), m_inputPath(inputPath),
      m_parameters(parameters) {}

QString KLConvertFFMPEGTask::getFFMPEGCommand() const {
    return KLScriptManager::commandForScript(QStringLiteral("ffmpeg_convert"), {m_inputPath, outputPath()},
                                             m_parameters);
}

void KLConvertFFMPEGTask::prepareTaskDescription() {
    if (!m_parameters.contains(QStringLiteral("-pass "))) {
        setTaskDescription(QStringLiteral("Converting..."));
    } else if (m_parameters.contains(QStringLiteral("-pass 1"))) {
        setTaskDescription(QStringLiteral("Converting (pass 1)..."));
    } else {
        setTaskDescription(QStringLiteral("Converting (pass 2)..."));
    }
}

bool KLConvertFFMPEGTask::isProgressLine(const QString &line) const {
    return line.contains(QStringLiteral("time="));
}
