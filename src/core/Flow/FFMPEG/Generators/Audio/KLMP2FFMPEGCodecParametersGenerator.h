#pragma once

#include "Flow/FFMPEG/KLFFMPEGCodecParametersGenerator.h"

// MPEG audio layer II at a fixed bitrate and the chosen sample rate.
class KLMP2FFMPEGCodecParametersGenerator final : public KLFFMPEGCodecParametersGenerator {
public:
    static inline const QString name = QStringLiteral("mp2");

    KLMP2FFMPEGCodecParametersGenerator();

    void
    generateFFMPEGParametersForPreferences(const KLPreferences &preferences,
                                           const KLVideoProperties &inputVideoProperties, QString &string,
                                           KLFFMPEGCodecParametersProperties *codecProperties) const override;
};
