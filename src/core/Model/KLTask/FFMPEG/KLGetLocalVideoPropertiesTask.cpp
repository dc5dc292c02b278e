#include "Model/KLTask/FFMPEG/KLGetLocalVideoPropertiesTask.h"

#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLScratchFolder.h"
#include "Utils/KLScriptManager.h"

#include <QDir>
#include <QImage>

#include <cmath>

namespace {

// A whole number from the script's text; anything that is not a finite, non-negative number gives 0.
uint64_t wholeNumber(const QString &text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0.0 || value > 1.0e15) {
        return 0;
    }
    return static_cast<uint64_t>(value);
}

} // namespace

KLGetLocalVideoPropertiesTask::KLGetLocalVideoPropertiesTask(const QString &sourceURL, bool withThumbnail)
    : m_sourceURL(sourceURL), m_withThumbnail(withThumbnail) {
    setType(shortProcessingType);
}

QString KLGetLocalVideoPropertiesTask::getThumbnailCommandWithInputFile(const QString &inputFile,
                                                                        const QString &outputFile) {
    return KLScriptManager::commandForScript(QStringLiteral("ffmpeg_thumbnail"), {inputFile, outputFile}) +
           QLatin1Char(' ');
}

QString KLGetLocalVideoPropertiesTask::getLocalVideoPropertiesCommandWithInputFile(
    const QString &inputFile, const QString &temporaryFile, const QString &thumbnailFile) {
    QStringList arguments{inputFile, temporaryFile};
    if (!thumbnailFile.isEmpty()) {
        arguments << thumbnailFile;
    }
    return KLScriptManager::commandForScript(QStringLiteral("get_local_video_properties"), arguments) +
           QLatin1Char(' ');
}

void KLGetLocalVideoPropertiesTask::prepareTaskDescription() {
    setTaskDescription(QStringLiteral("Retrieving information for: %1...").arg(m_sourceURL));
}

void KLGetLocalVideoPropertiesTask::doTaskMain() {
    prepareTaskDescription();
    // Goes with the script's handler, once nothing writes into it any more.
    const std::shared_ptr<KLScratchFolder> folder = KLScratchFolder::create();
    // The frame is made while the file is probed.
    const QString imagePath = m_withThumbnail ? folder->filePath(QStringLiteral("thumbnail.png")) : QString();
    runScriptToEnd(getLocalVideoPropertiesCommandWithInputFile(
                       m_sourceURL, folder->filePath(QStringLiteral("temp")), imagePath),
                   [this, folder, imagePath](const QString &output) {
                       finishWithOutput(output.trimmed(),
                                        imagePath.isEmpty() ? QImage() : loadThumbnail(imagePath));
                   });
}

void KLGetLocalVideoPropertiesTask::finishWithOutput(const QString &output, const QImage &thumbnail) {
    const std::shared_ptr<KLVideoProperties> properties = propertiesFromOutput(output);
    if (!properties) {
        setError(failure(KLError::localPropertiesType,
                         QStringLiteral("Could not get video information for URL: %1").arg(m_sourceURL)));
        setFinished(true);
        return;
    }
    properties->setThumbnail(thumbnail);
    properties->setLocal(true);
    setResult(properties);
    setFinished(true);
}

QImage KLGetLocalVideoPropertiesTask::loadThumbnail(const QString &imagePath) {
    QImage image(imagePath);
    // The script already scales; a larger picture (from another tool) is kept small here all the same, as
    // every entry holds its thumbnail for its whole life.
    if (!image.isNull() &&
        (image.width() > thumbnailMaximumWidth || image.height() > thumbnailMaximumHeight)) {
        image = image.scaled(thumbnailMaximumWidth, thumbnailMaximumHeight, Qt::KeepAspectRatio,
                             Qt::SmoothTransformation);
    }
    return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB888);
}

std::shared_ptr<KLVideoProperties>
KLGetLocalVideoPropertiesTask::propertiesFromOutput(const QString &output) {
    const QString trimmed = output.trimmed();
    if (trimmed.isEmpty()) {
        return nullptr;
    }
    QStringList lines = trimmed.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        line = line.trimmed();
    }
    auto properties = std::make_shared<KLVideoProperties>();
    if (lines.size() == 10) {
        properties->setContainerMode(KLVideoProperties::videoAndAudioMode);
        fillVideoFields(*properties, lines, 3);
        fillAudioFields(*properties, lines, 7);
    } else if (lines.size() == 6 && lines.at(2) == QStringLiteral("Video")) {
        properties->setContainerMode(KLVideoProperties::videoOnlyMode);
        fillVideoFields(*properties, lines, 3);
    } else if (lines.size() == 6 && lines.at(2) == QStringLiteral("Audio")) {
        properties->setContainerMode(KLVideoProperties::audioOnlyMode);
        fillAudioFields(*properties, lines, 3);
    } else {
        return nullptr;
    }
    properties->setDuration(KLKinolarkUtils::parseFFMPEGTimeInSeconds(lines.at(0)));
    properties->setContainer(lines.at(1));
    return properties;
}

void KLGetLocalVideoPropertiesTask::fillVideoFields(KLVideoProperties &properties, const QStringList &lines,
                                                    qsizetype first) {
    properties.setResolution(KLKinolarkUtils::parseResolution(lines.at(first)));
    properties.setVideoCodec(lines.at(first + 1));
    properties.setFps(wholeNumber(lines.at(first + 2)));
}

void KLGetLocalVideoPropertiesTask::fillAudioFields(KLVideoProperties &properties, const QStringList &lines,
                                                    qsizetype first) {
    properties.setAudioCodec(lines.at(first));
    properties.setSampleRate(wholeNumber(lines.at(first + 1)));
    properties.setStereo(isMultichannelLayout(lines.at(first + 2)));
}

bool KLGetLocalVideoPropertiesTask::isMultichannelLayout(const QString &layout) {
    // ffmpeg names every layout of two or more channels either by a channel count ("5.1(side)", "2.1",
    // "7.1(wide)") or by one of these words; "N channels" stands for a layout it has no name for.
    static const QStringList namedLayouts = {QStringLiteral("stereo"),    QStringLiteral("quad"),
                                             QStringLiteral("hexagonal"), QStringLiteral("octagonal"),
                                             QStringLiteral("downmix"),   QStringLiteral("hexadecagonal")};
    const QString name = layout.trimmed();
    if (name.endsWith(QStringLiteral(" channels"))) {
        return name.section(QLatin1Char(' '), 0, 0).toInt() >= 2;
    }
    if (!name.isEmpty() && name.at(0).isDigit()) {
        return true;
    }
    const QString base = name.section(QLatin1Char('('), 0, 0);
    return namedLayouts.contains(base);
}
