#pragma once

#include "Flow/FFMPEG/KLFFMPEGCodecParametersGenerator.h"

// Windows Media Audio 2 at a fixed bitrate and the chosen sample rate.
class KLWMAV2FFMPEGCodecParametersGenerator final : public KLFFMPEGCodecParametersGenerator {
public:
    static inline const QString name = QStringLiteral("wmav2");

    KLWMAV2FFMPEGCodecParametersGenerator();

    void
    generateFFMPEGParametersForPreferences(const KLPreferences &preferences,
                                           const KLVideoProperties &inputVideoProperties, QString &string,
                                           KLFFMPEGCodecParametersProperties *codecProperties) const override;
};
