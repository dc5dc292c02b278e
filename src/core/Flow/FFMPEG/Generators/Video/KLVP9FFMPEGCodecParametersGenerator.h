#pragma once

#include "Flow/FFMPEG/KLFFMPEGCodecParametersGenerator.h"

// VP9 through libvpx-vp9: a constant rate factor, or a constant bitrate over two passes.
class KLVP9FFMPEGCodecParametersGenerator final : public KLFFMPEGCodecParametersGenerator {
public:
    static inline const QString name = QStringLiteral("vp9");

    KLVP9FFMPEGCodecParametersGenerator();

    void
    generateFFMPEGParametersForPreferences(const KLPreferences &preferences,
                                           const KLVideoProperties &inputVideoProperties, QString &string,
                                           KLFFMPEGCodecParametersProperties *codecProperties) const override;
};
