#include "Model/KLTask/FFMPEG/KLFFMPEGTask.h"

#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLLog.h"

#include <QFileInfo>
#include <QRegularExpression>

KLFFMPEGTask::KLFFMPEGTask(const QString &outputPath) : m_outputPath(outputPath) {
    setType(longProcessingType);
}

std::optional<double> KLFFMPEGTask::durationFromLine(const QString &line) {
    if (!line.startsWith(QStringLiteral("  Duration"))) {
        return std::nullopt;
    }
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    const qsizetype comma = line.indexOf(QLatin1Char(','));
    if (colon < 0 || comma < colon + 2) {
        return std::nullopt;
    }
    return KLKinolarkUtils::parseFFMPEGTimeInSeconds(line.mid(colon + 2, comma - colon - 2));
}

std::optional<double> KLFFMPEGTask::progressTimeFromLine(const QString &line) {
    static const QString timeMarker = QStringLiteral("time=");
    const qsizetype timeAt = line.indexOf(timeMarker);
    const qsizetype bitrateAt = line.indexOf(QStringLiteral(" bitrate"));
    if (timeAt < 0 || bitrateAt < timeAt + timeMarker.size()) {
        return std::nullopt;
    }
    const qsizetype start = timeAt + timeMarker.size();
    const QString time = line.mid(start, bitrateAt - start);
    // ffmpeg writes "N/A", or a negative time, before its first output packet: that is no progress (read as
    // 0 it would set the bar back; a negative factor would read as "cannot be measured").
    static const QRegularExpression wellFormed(QStringLiteral("^\\s*\\d+:\\d+:\\d+(\\.\\d*)?\\s*$"));
    if (!wellFormed.match(time).hasMatch()) {
        return std::nullopt;
    }
    return KLKinolarkUtils::parseFFMPEGTimeInSeconds(time);
}

void KLFFMPEGTask::doTaskMain() {
    if (terminationRequested() || hasEnded()) {
        return;
    }
    prepareTaskDescription();
    runScript(
        getFFMPEGCommand(), [this](const QString &line) { readFFMPEGLine(line); }, [this] { scriptEnded(); });
}

void KLFFMPEGTask::scriptEnded() {
    setCompletionFactor(1.0);
    if (QFileInfo::exists(m_outputPath)) {
        setResult(m_outputPath);
    } else {
        setError(failure(KLError::ffmpegType, QStringLiteral("Conversion failed...")));
    }
    setFinished(true);
}

void KLFFMPEGTask::readFFMPEGLine(const QString &line) {
    QString text = line;
    if (text.endsWith(QLatin1Char('\n'))) {
        text.chop(1);
    }
    KLLog::log(QStringLiteral("Reading line from FFMPEG: %1").arg(text));
    if (const std::optional<double> duration = durationFromLine(text)) {
        m_durationInSeconds = *duration;
        return;
    }
    if (!isProgressLine(text)) {
        m_messages.addLine(text);
        return;
    }
    const std::optional<double> time = progressTimeFromLine(text);
    const double duration = m_durationInSeconds;
    if (!time || duration == 0.0) {
        return;
    }
    const double completionFactor = *time / duration;
    KLLog::log(QString::asprintf("Completion factor: %f", completionFactor));
    setCompletionFactor(completionFactor);
}

QString KLFFMPEGTask::failureCause() const {
    const QString cause = KLScriptErrorOutput::causeIn(m_messages.lines());
    return cause.isEmpty() ? KLScriptTask::failureCause() : cause;
}
