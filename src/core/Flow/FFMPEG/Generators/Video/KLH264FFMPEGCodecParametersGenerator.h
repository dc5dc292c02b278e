#pragma once

#include "Flow/FFMPEG/KLFFMPEGCodecParametersGenerator.h"

// H.264 through libx264: a constant rate factor, or a bitrate over two passes.
class KLH264FFMPEGCodecParametersGenerator final : public KLFFMPEGCodecParametersGenerator {
public:
    static inline const QString name = QStringLiteral("h264");

    KLH264FFMPEGCodecParametersGenerator();

    void
    generateFFMPEGParametersForPreferences(const KLPreferences &preferences,
                                           const KLVideoProperties &inputVideoProperties, QString &string,
                                           KLFFMPEGCodecParametersProperties *codecProperties) const override;
};
