#pragma once

#include "Flow/FFMPEG/KLFFMPEGCodecParametersGenerator.h"

// H.265 through libx265: a constant rate factor, or a bitrate over two passes.
class KLH265FFMPEGCodecParametersGenerator final : public KLFFMPEGCodecParametersGenerator {
public:
    static inline const QString name = QStringLiteral("h265");

    KLH265FFMPEGCodecParametersGenerator();

    void
    generateFFMPEGParametersForPreferences(const KLPreferences &preferences,
                                           const KLVideoProperties &inputVideoProperties, QString &string,
                                           KLFFMPEGCodecParametersProperties *codecProperties) const override;
};
