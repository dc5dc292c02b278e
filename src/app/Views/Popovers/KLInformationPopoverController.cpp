#include "Views/Popovers/KLInformationPopoverController.h"

#include "Model/KLEntry/KLEntry.h"
#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/KLTask/KLError.h"
#include "Utils/KLKinolarkUtils.h"
#include "Views/Popovers/KLInformationEntryViewController.h"

#include <QVBoxLayout>

#include <algorithm>

namespace {

using Line = KLInformationPopoverController::Line;

Line line(const char *title, const QString &value) {
    return {QString::fromLatin1(title), value};
}

QString duration(const KLVideoProperties &properties) {
    return KLKinolarkUtils::formatTimeInSeconds(properties.duration());
}

QList<Line> audioLines(const KLVideoProperties &properties) {
    return {line("Audio Codec:", properties.audioCodec()),
            line("Sample Rate:", QStringLiteral("%1Hz").arg(properties.sampleRate())),
            line("Channels:", properties.stereo() ? QStringLiteral("stereo") : QStringLiteral("mono"))};
}

QList<Line> pictureLines(const KLVideoProperties &properties) {
    return {line("Resolution:", KLKinolarkUtils::formatResolution(properties.resolution())),
            line("FPS:", QString::number(properties.fps()))};
}

} // namespace

KLInformationPopoverController::KLInformationPopoverController(QWidget *parent)
    : QWidget(parent), m_layout(new QVBoxLayout(this)) {
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
}

void KLInformationPopoverController::addTitle(const QString &title, const QString &value) {
    auto *lineView = new KLInformationEntryViewController(title, value, this);
    m_layout->addWidget(lineView);
    m_lines.append({title, value});
    m_contentHeight += lineView->lineHeight();
    setFixedHeight(m_contentHeight);
}

QList<KLInformationPopoverController::Line>
KLInformationPopoverController::linesForEntry(const KLEntry &entry, KLSettingsLevel level) {
    // Why the entry failed and its whole title first: the row has room for neither.
    QList<Line> lines;
    if (const std::shared_ptr<KLError> error = entry.error()) {
        lines << line("Error:", error->errorDescription());
    }
    if (!entry.title().isEmpty()) {
        lines << line("Title:", entry.title());
    }
    if (const QString kept = keptAmount(entry); !kept.isEmpty()) {
        lines << line("Kept:", kept);
    }
    return lines + (entry.local() ? localLines(entry) : remoteLines(entry, level));
}

QString KLInformationPopoverController::keptAmount(const KLEntry &entry) {
    // What a pause, a failure or an ended program left for the next run to continue from.
    const qint64 kept = entry.completed() ? 0 : entry.keptBytes();
    if (kept <= 0) {
        return {};
    }
    const auto bytes = static_cast<uint64_t>(kept);
    const QString amount = KLKinolarkUtils::formatSizeInBytes(bytes);
    const std::shared_ptr<KLVideoProperties> properties = entry.properties();
    const uint64_t whole = properties != nullptr && !entry.local() ? properties->size() : 0;
    return whole > bytes ? QStringLiteral("%1 of %2").arg(amount, KLKinolarkUtils::formatSizeInBytes(whole))
                         : amount;
}

QList<KLInformationPopoverController::Line> KLInformationPopoverController::localLines(const KLEntry &entry) {
    const std::shared_ptr<KLVideoProperties> properties = entry.properties();
    if (properties == nullptr) {
        return {line("No info:", QStringLiteral("(the file could not be read)"))};
    }
    const QString container = properties->container();
    switch (properties->containerMode()) {
    case KLVideoProperties::audioOnlyMode:
        return QList<Line>{line("Type:", QStringLiteral("Audio only")), line("Container:", container),
                           line("Duration:", duration(*properties))} +
               audioLines(*properties);
    case KLVideoProperties::videoAndAudioMode:
        return QList<Line>{line("Type:", QStringLiteral("Video and audio")), line("Container:", container),
                           line("Video Codec:", properties->videoCodec()),
                           line("Duration:", duration(*properties))} +
               pictureLines(*properties) + audioLines(*properties);
    default:
        return QList<Line>{line("Type:", QStringLiteral("Video only")), line("Container:", container),
                           line("Duration:", duration(*properties)),
                           line("Video Codec:", properties->videoCodec())} +
               pictureLines(*properties);
    }
}

QList<KLInformationPopoverController::Line>
KLInformationPopoverController::remoteLines(const KLEntry &entry, KLSettingsLevel level) {
    const std::shared_ptr<KLVideoProperties> properties = entry.properties();
    if (properties != nullptr && !properties->availableResolutions().isEmpty() &&
        level > KLSettingsLevel::Intermediate) {
        return {line("Available in:", availableHeights(properties->availableResolutions()))};
    }
    if (properties == nullptr || properties->undeterminate()) {
        return {line("No info:", QStringLiteral("(probably .m3u8 stream)"))};
    }
    const QString container = properties->container();
    const QString size = KLKinolarkUtils::formatSizeInBytes(properties->size());
    if (properties->containerMode() == KLVideoProperties::audioOnlyMode) {
        return {line("Type:", QStringLiteral("Audio")), line("Container:", container),
                line("File size:", size), line("Duration:", duration(*properties))};
    }
    return {line("Type:", QStringLiteral("Video")), line("Container:", container), line("File size:", size),
            line("Duration:", duration(*properties)),
            line("Resolution:", KLKinolarkUtils::formatResolution(properties->resolution()))};
}

QString KLInformationPopoverController::availableHeights(const QList<QSizeF> &resolutions) {
    QList<double> heights;
    for (const QSizeF &resolution : resolutions) {
        // The same height offered twice (in two formats) is one size to the user.
        if (resolution.height() >= 480.0 && !heights.contains(resolution.height())) {
            heights.append(resolution.height());
        }
    }
    if (heights.isEmpty()) {
        return QStringLiteral("low resolutions");
    }
    std::sort(heights.begin(), heights.end(), std::greater<>());
    QStringList texts;
    for (const double height : heights) {
        texts << QString::asprintf("%.0fp", height);
    }
    return texts.join(QStringLiteral(", "));
}
