#pragma once

#include "Flow/FFMPEG/KLFFMPEGCodecParametersGenerator.h"

// AAC with ffmpeg's own encoder: a variable-bitrate quality or a constant bitrate, at the chosen sample rate.
class KLAACFFMPEGCodecParametersGenerator final : public KLFFMPEGCodecParametersGenerator {
public:
    static inline const QString name = QStringLiteral("aac");

    KLAACFFMPEGCodecParametersGenerator();

    void
    generateFFMPEGParametersForPreferences(const KLPreferences &preferences,
                                           const KLVideoProperties &inputVideoProperties, QString &string,
                                           KLFFMPEGCodecParametersProperties *codecProperties) const override;
};
