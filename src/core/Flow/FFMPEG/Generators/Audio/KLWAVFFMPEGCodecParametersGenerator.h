#pragma once

#include "Flow/FFMPEG/KLFFMPEGCodecParametersGenerator.h"

// Uncompressed 16-bit PCM at the chosen sample rate.
class KLWAVFFMPEGCodecParametersGenerator final : public KLFFMPEGCodecParametersGenerator {
public:
    static inline const QString name = QStringLiteral("wav");

    KLWAVFFMPEGCodecParametersGenerator();

    void
    generateFFMPEGParametersForPreferences(const KLPreferences &preferences,
                                           const KLVideoProperties &inputVideoProperties, QString &string,
                                           KLFFMPEGCodecParametersProperties *codecProperties) const override;
};
