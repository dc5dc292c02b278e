#pragma once

#include "Flow/FFMPEG/KLFFMPEGCodecParametersGenerator.h"

// VP8 through libvpx: a constant rate factor, or a bitrate over two passes.
class KLVP8FFMPEGCodecParametersGenerator final : public KLFFMPEGCodecParametersGenerator {
public:
    static inline const QString name = QStringLiteral("vp8");

    KLVP8FFMPEGCodecParametersGenerator();

    void
    generateFFMPEGParametersForPreferences(const KLPreferences &preferences,
                                           const KLVideoProperties &inputVideoProperties, QString &string,
                                           KLFFMPEGCodecParametersProperties *codecProperties) const override;
};
